// Module-wide state shared by the exports and the windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CWnd;

namespace module {

// Loading and unloading (the DLL entry point; the tests call these directly).
bool Attach(HINSTANCE instance);
void Detach();

HINSTANCE Instance();
// grell.dll, or null when it could not be loaded; every resource access
// passes it on as it is, so a missing library just finds nothing.
HMODULE ResourceLibrary();

// Group that the next addFriend files a contact under; -10 = no group.
constexpr int kNoTargetGroup = -10;

// State of the contact panels' shared online list and of the manager window.
struct SharedState {
    std::vector<std::string> listNumbers;  // numbers the host delivered
    std::vector<std::string> listNames;    // their names, when delivered
    std::vector<int> listOnline;           // presence of entry i
    bool listShown = false;
    bool listReset = false;
    bool listAnswered = false;
    bool requestAllowed = false;
    UINT_PTR requestTimer = 0;
    int panelCount = 0;
    bool lockPending = true;  // set until the first panel creates the lock
    CRITICAL_SECTION panelLock{};
    CWnd* managerWindow = nullptr;
    int targetGroup = kNoTargetGroup;
};

SharedState& State();

// The panel lock, created by the first panel and deleted at unloading.
void CreatePanelLock();

}  // namespace module
