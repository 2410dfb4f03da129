#include "core/session_state.h"

namespace session {

State& Current()
{
    static State state;
    return state;
}

PanelShared& Panels()
{
    static PanelShared shared;
    return shared;
}

bool CreatePanelLock()
{
    PanelShared& shared = Panels();
    if (!shared.lockPending)
        return false;
    ::InitializeCriticalSection(&shared.panelLock);
    shared.lockPending = false;
    return true;
}

void Reset()
{
    State& state = Current();
    state.onlineList = OnlineList{};
    state.managerWindow = nullptr;
}

}  // namespace session
