// The contact panel in the demo host: the client's main window with the
// panel docked at its right edge and the function tool bar above, the host's
// side of the panel's messages (picks, calls, online-list requests) and the
// scenario that photographs it.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace panel_demo {

// Where the host's log lines go besides the log file (a list on the main
// window, so the screenshots show them).
using LogSink = void (*)(const std::string& line);

// Gives the logged-in sample user's book groups, a nested group and several
// contacts online, as the client would have it after a while: the groups
// and nicknames go into friend.mdb and the book is read anew (iniFriends).
void SeedBook(FILE* log);
// Docks the panel (and, with barAbove, the tool bar above it) in `main`.
void Dock(HWND main, bool barAbove, LogSink sink);
// Undocks both, widening `main` back.
void Undock(HWND main);
// The host's side of the panel's and tool bar's messages; true when handled.
bool OnMessage(HWND main, UINT msg, WPARAM wp, LPARAM lp);
// The area left of the panel and below the tool bar.
RECT FreeArea(HWND main);
// Sends the docked panel the online list as the simulated server reports
// it now (a few terminals; each report differs from the last) and logs it.
void DeliverOnlineList(HWND main);
// Plays picks, calls, deliveries and presence changes and saves screenshots.
void Shoot(HWND main, const std::string& folder, LogSink sink);
// The docked panel's context menus on a contact, a group, the extra root
// and empty space, each photographed while open, and the panel after a
// contact was dragged onto a group.
void ShootCommands(HWND main, const std::string& folder);

}  // namespace panel_demo
