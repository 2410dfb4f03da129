#include "core/session_state.h"

namespace session {

State& Current()
{
    static State state;
    return state;
}

void Reset()
{
    State& state = Current();
    state.onlineList = OnlineList{};
    state.managerWindow = nullptr;
}

}  // namespace session
