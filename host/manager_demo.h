// The address-book manager in the demo host: opened from the menu, and
// played through for the screenshots.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace manager_demo {

// showFriendMain, as the host's menu does it.
void Open(FILE* log);
// Opens the manager on the logged-in user, selects the group with the most
// contacts and saves <folder>\manager_group.bmp; then right-clicks its first
// contact and saves manager_contact_menu.bmp with the pop-up menu open.
// Leaves the manager closed. Returns how many screenshots were saved.
int Shoot(const std::string& folder, FILE* log);

}  // namespace manager_demo
