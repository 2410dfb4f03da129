// What the exports share with the windows for one log-in: the online list
// the host delivers to the contact panel, the group the next addFriend files
// a contact under, and the manager window that hears of additions.
#ifndef PELMO_CORE_SESSION_STATE_H
#define PELMO_CORE_SESSION_STATE_H

#include <windows.h>

#include <string>
#include <vector>

namespace session {

// Group that the next addFriend files a contact under when none is chosen.
constexpr int kNoTargetGroup = -10;

// Numbers the host delivered to the contact panel, their names when
// delivered, and the presence of each entry.
struct OnlineList {
    std::vector<std::string> numbers;
    std::vector<std::string> names;
    std::vector<int> online;
};

struct State {
    OnlineList onlineList;
    int targetGroup = kNoTargetGroup;
    HWND managerWindow = nullptr;  // refreshed after addFriend when alive
};

State& Current();

// What every contact panel shares: whether the online list is shown, where
// its request stands, and the lock their rebuilds take. The module resets
// the request flags (InitFriendList) and deletes the lock when unloaded.
struct PanelShared {
    bool listShown = false;
    bool listReset = false;     // a delivery replaced the online list
    bool listAnswered = false;  // a delivery answered a request
    bool requestAllowed = false;
    UINT_PTR requestTimer = 0;  // the request wait's timer id while it runs
    int panelCount = 0;
    bool lockPending = true;  // set until the first panel creates the lock
    CRITICAL_SECTION panelLock{};
};

PanelShared& Panels();

// Creates the panel lock once; true when this call created it.
bool CreatePanelLock();

// Empties the online list and forgets the manager window (InitFriendList);
// the pending group stays.
void Reset();

}  // namespace session

#endif
