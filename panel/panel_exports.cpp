// showFriendList / hideFriendList: the host's way to the contact panel.
#include "panel/friend_sel_wnd.h"

#include <algorithm>

extern "C" {

void* PELMO_API showFriendList(HWND parent, int pickMessage, const char* pickMode, unsigned int barAbove)
{
    return CFriendSelWnd::Open(parent, static_cast<UINT>(pickMessage) & 0xFFFF, pickMode ? pickMode : "", barAbove);
}

int PELMO_API hideFriendList(void** panelRef)
{
    if (!panelRef || !*panelRef)
        return -1;
    // A pointer whose panel went with its parent is only cleared.
    CFriendSelWnd* panel = CFriendSelWnd::Live(*panelRef);
    *panelRef = nullptr;
    if (!panel)
        return 0;
    HWND parent = ::GetParent(*panel);
    ::SendMessageA(*panel, WM_CLOSE, 0, 0);
    if (parent && ::IsWindow(parent)) {
        RECT r{};
        ::GetWindowRect(parent, &r);
        // Window rectangles are in screen coordinates, a child moves in its
        // own parent's client coordinates.
        if (::GetWindowLongA(parent, GWL_STYLE) & WS_CHILD)
            ::MapWindowPoints(nullptr, ::GetParent(parent), reinterpret_cast<POINT*>(&r), 2);
        const int width = std::max(0, static_cast<int>(r.right - r.left) - kPanelWidth);
        ::MoveWindow(parent, r.left, r.top, width, r.bottom - r.top, TRUE);
    }
    return 0;
}

}  // extern "C"
