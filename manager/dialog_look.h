// Small layout and text helpers of the manager's dialogs (their look is
// CSkinDialog's).
#pragma once

#include <windows.h>

#include <string>

namespace dialoglook {

constexpr UINT kManagerCaption = 507;  // caption of the manager's boxes

// Sizes the window so that its client area is `client`, keeping its place.
void SetClientSize(HWND dialog, SIZE client);
void MoveControl(HWND dialog, int id, const RECT& rect);
std::string ResourceText(unsigned id);

}  // namespace dialoglook
