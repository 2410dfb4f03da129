// The address-book part of the demo host: logs in a sample user and walks
// through the contact API, printing each step.
#pragma once

#include <windows.h>

#include <cstdio>

// Sets the configuration record (sample identity, `dataDir`, the notify
// window and message), fills the history store with sample entries, then
// builds the address book, adds contacts with and without a profile, sets
// presence and lists contacts and online contacts. The notices that pelmo
// posts are dispatched to `notifyWindow` as they arrive, so the host's own
// window procedure prints them in order. `dataDir` null: a folder
// "demo-user" in the current directory, its friend.mdb made anew.
void RunAddressBookDemo(HWND notifyWindow, UINT notifyMessage, const char* dataDir, FILE* log);
