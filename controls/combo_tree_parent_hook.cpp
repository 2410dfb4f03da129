#include "controls/combo_tree_parent_hook.h"
#include "controls/combo_tree.h"

bool CComboTreeParentHook::ClosesDropDown(UINT msg, WPARAM, LPARAM lp, HWND box)
{
    switch (msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_SYSKEYDOWN:
    case WM_SYSCOMMAND:
        return true;
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        return pos && (!(pos->flags & SWP_NOMOVE) || !(pos->flags & SWP_NOSIZE));
    }
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lp) != box;
    }
    return false;
}

LRESULT CComboTreeParentHook::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    const LRESULT result = Default();
    if (IsHooked() && ClosesDropDown(msg, wp, lp, m_box.GetSafeHwnd()))
        m_box.OnParentClosesDropDown();
    return result;
}
