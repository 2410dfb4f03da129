#include "module/module_state.h"

#include "core/resource_text.h"
#include "core/session_state.h"
#include "pelmo.h"

namespace module {
namespace {

HINSTANCE g_instance = nullptr;
HMODULE g_resources = nullptr;

SharedState& StateStorage()
{
    return session::Panels();
}

}  // namespace

bool Attach(HINSTANCE instance)
{
    if (!instance)
        return false;
    g_instance = instance;
    // Bare name: the system's standard search order, beside the host first.
    g_resources = ::LoadLibraryA("grell.dll");
    resources::SetLibrary(g_resources);
    StateStorage() = SharedState{};
    session::Current() = session::State{};
    InstallNoticeBoxes();
    return true;
}

void Detach()
{
    SharedState& state = StateStorage();
    if (!state.lockPending) {
        state.lockPending = true;
        state.listShown = false;
        ::DeleteCriticalSection(&state.panelLock);
    }
    resources::SetLibrary(nullptr);
    if (g_resources) {
        ::FreeLibrary(g_resources);
        g_resources = nullptr;
    }
    session::Reset();
    RemoveNoticeBoxes();
    g_instance = nullptr;
}

HINSTANCE Instance()
{
    return g_instance;
}

HMODULE ResourceLibrary()
{
    return g_resources;
}

SharedState& State()
{
    return StateStorage();
}

void CreatePanelLock()
{
    session::CreatePanelLock();
}

}  // namespace module

extern "C" int PELMO_API InitFriendList(void)
{
    module::SharedState& state = module::State();
    session::Reset();
    state.requestAllowed = false;
    state.requestTimer = 0;
    state.listReset = false;
    state.listAnswered = false;
    return 1;
}
