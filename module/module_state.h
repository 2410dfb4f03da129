// Module-wide state shared by the exports and the windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace session {
struct PanelShared;
}

namespace module {

// Loading and unloading (the DLL entry point; the tests call these directly).
bool Attach(HINSTANCE instance);
void Detach();

HINSTANCE Instance();

// Shows what the core tells the user as message boxes (set up by Attach).
void InstallNoticeBoxes();
void RemoveNoticeBoxes();
// grell.dll, or null when it could not be loaded; every resource access
// passes it on as it is, so a missing library just finds nothing.
HMODULE ResourceLibrary();

// The contact panels' shared state lives beside the online list in
// core/session_state.h, where the panels can reach it.
using SharedState = session::PanelShared;
SharedState& State();

// The panel lock, created by the first panel and deleted at unloading.
void CreatePanelLock();

}  // namespace module
