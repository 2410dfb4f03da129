// The address-book manager in the demo host: opened from the menu, and
// played through for the screenshots.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace manager_demo {

// showFriendMain, as the host's menu does it; a sample contact list,
// colleagues.fdb, is put in the working folder for its import.
void Open(FILE* log);
// Opens the manager on the logged-in user and imports the sample list
// through the open dialog (manager_import_dialog.bmp, then
// manager_after_import.bmp with the imported group shown); selects the group
// with the most contacts and saves manager_group.bmp; right-clicks its first
// contact and saves manager_contact_menu.bmp with the pop-up menu open;
// opens the group and contact dialogs through the manager's commands and
// saves dialog_group_add, dialog_group_edit, dialog_group_edit_chooser,
// dialog_contact_add, dialog_contact_check (a number too short) and
// dialog_contact_edit, cancelling each; then exports the imported group to exported.fdb through the save dialog
// (manager_export_dialog.bmp). Leaves the manager closed. Returns how many
// screenshots were saved in <folder>.
int Shoot(const std::string& folder, FILE* log);

}  // namespace manager_demo
