// The contact tree and the link label in a window of their own, shown by the
// dialogs demo host (it links the library's objects).
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace cherry_demo {

// Shows the window and saves <folder>\cherry_tree.bmp (groups, presence
// pictures, a multiple selection, a tip, the link label) and
// <folder>\cherry_tree_drag.bmp (a contact dragged onto another group).
// Returns how many screenshots were saved.
int ShootCherryTree(const std::string& folder, FILE* log = stdout);

}  // namespace cherry_demo
