// The group and contact dialogs in the demo host.
//
// These functions use the dialog classes themselves, so the program that
// calls them links the library's objects (pelmo_impl), as the tests do, and
// not pelmo.dll; they start that copy of the library (resource library)
// when the program has not, and work on the address book that the host
// configuration record names (the sample user after iniFriends).
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace dialogs_demo {

// Opens the group dialog: a new top-level group, or (edit) the first group
// of the address book. On OK the group is stored through the database and
// the cache, and the record is printed to `log`. Returns the dialog's
// result, -1 when there is no address book (or no group to edit).
int OpenGroupDialog(HWND owner, bool edit, FILE* log = stdout);
// The same for the contact dialog: a new contact in no group, or (edit) the
// first contact that is not the service contact.
int OpenContactDialog(HWND owner, bool edit, FILE* log = stdout);

// Opens each dialog on the sample user as a person would and saves a
// screenshot of the screen as <folder>\<name>.bmp for each of
//   dialog_group_add      a new group named, about to be confirmed (it is
//                          stored: the later shots show it)
//   dialog_group_edit     that group in edit mode
//   dialog_group_edit_chooser  the same with its parent chooser dropped down
//   dialog_contact_add    the reduced add form with a number typed in
//   dialog_contact_check  the message for a number that is not ten digits
//   dialog_contact_edit   a contact's whole record
// Returns how many screenshots were saved.
int ShootDialogs(HWND owner, const std::string& folder, FILE* log = stdout);

}  // namespace dialogs_demo
