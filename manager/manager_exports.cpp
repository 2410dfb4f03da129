// showFriendMain / hideFriendMain: the host's way to the manager window.
#include "core/session_state.h"
#include "manager/friend_frame.h"
#include "manager/manager_rules.h"

extern "C" {

void* PELMO_API showFriendMain(int)
{
    if (CFriendFrmWnd* frame = CFriendFrmWnd::Current()) {
        // InitFriendList may have made addFriend forget the window.
        session::Current().managerWindow = frame->GetSafeHwnd();
        ::ShowWindow(*frame, SW_SHOWNORMAL);
        return frame;
    }
    const RECT rect = manager::FrameRect(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    return CFriendFrmWnd::Open(rect);
}

int PELMO_API hideFriendMain(void** frameRef)
{
    if (frameRef && *frameRef)
        *frameRef = nullptr;
    return 0;
}

}  // extern "C"
