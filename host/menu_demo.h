// The panel's owner-drawn context menus, opened over the demo host's window
// and photographed while open (the dialogs demo host links the library's
// objects).
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace menu_demo {

// Opens the panel's menus for a contact, a group and the extra root, and a
// menu with icons, accelerators, a check mark and a disabled item, each
// with an item selected from the keyboard, and saves <folder>\menu_*.bmp.
// Returns how many screenshots were saved.
int ShootMenus(HWND owner, const std::string& folder, FILE* log = stdout);

}  // namespace menu_demo
