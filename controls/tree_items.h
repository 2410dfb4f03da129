// Plain reads of a tree control's items, shared by the controls that
// watch or own a tree.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

// The item's label text ("" for none).
std::string TreeItemText(HWND tree, HTREEITEM item);
// The rectangle of the item's label in the tree's client coordinates, or an
// empty rectangle when the item is not visible.
RECT TreeItemLabelRect(HWND tree, HTREEITEM item);
