// Writing the address book, or one group tree of it, to a contact-list file
// (.fdb) and reading such a file back in. Both go through the working copy
// tmp.mdb in the user's data directory.
//
// A contact-list file is foreign input: it is opened only through CFriendDB,
// which refuses anything but a whole database with our two tables, and an
// import changes the book in one transaction or not at all.
#pragma once

#include "pelmo.h"

#include <string>

namespace manager {

// Where the user picks a file: true with `path` set, false when cancelled.
// Tests put their own in place of the system's file dialogs.
using FileChooser = bool (*)(bool save, std::string* path);
// Installs `chooser` (null: the system's dialogs) and returns the one before.
FileChooser SetFileChooser(FileChooser chooser);
// The system's open or save dialog, with no owner window.
bool ChooseFileWithDialog(bool save, std::string* path);

// How an import reloads the book (iniFriends unless a test puts another in
// place); returns the one before.
using BookReloader = int (*)();
BookReloader SetBookReloader(BookReloader reloader);

// Export of the group behind tree item `value` with item text `itemText`;
// a value below 0 (the root or a pseudo-group) exports the whole book.
void ExportContacts(HWND parent, int value, const std::string& itemText);

// What an import asks of the view when it is done.
struct ImportOutcome {
    bool reloaded = false;  // the book was reloaded: rebuild the tree
    unsigned message = 0;   // the box to show once the tree is rebuilt (0: none)
};
ImportOutcome ImportContacts(HWND parent);

}  // namespace manager
