// Filling the viewer's entry list: the columns of a layout, the one-row
// "nothing here" state and the rows of a query result.
#pragma once

#include "history/hist_model.h"

#include <windows.h>

namespace histview {

// Deletes every row and column (at most 50 columns).
void ClearList(HWND list);
// One untitled column 300 wide and one row with resource string 512.
void ShowNothing(HWND list);
// The layout's columns, each left-aligned and ten pixels per title byte.
void SetColumns(HWND list, Layout layout);
// One row per record, the last record first, with redraw off while it runs.
void FillRows(HWND list, const HistRecord* items, int count, Layout layout, const NameMap& names,
              const StatusTexts& status, const histlib::Calls& calls);

}  // namespace histview
