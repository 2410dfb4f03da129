// Small layout and text helpers of the manager's dialogs (their look is
// CSkinDialog's).
#pragma once

#include "controls/combo_tree.h"
#include "manager/dialog_rules.h"
#include "string_ids.h"

#include <windows.h>

#include <string>
#include <vector>

namespace dialoglook {

constexpr UINT kManagerCaption = IDS_MANAGER_CAPTION;  // caption of the manager's boxes

// Sizes the window so that its client area is `client`, keeping its place.
void SetClientSize(HWND dialog, SIZE client);
void MoveControl(HWND dialog, int id, const RECT& rect);
std::string ResourceText(unsigned id);

// Fills a group chooser with `items`, all expanded, and chooses item
// `chosen` (none when negative).
void FillChooser(CComboTree& chooser, const std::vector<dialogs::ChooserItem>& items, int chosen);

}  // namespace dialoglook
