#include "framework/Frame.h"

#include "framework/Keyboard.h"

#include <algorithm>

namespace {

const char kFrameClass[] = "pelmo.Frame";
const char kSplitterClass[] = "pelmo.Splitter";

bool HasFocus(HWND window)
{
    HWND focus = ::GetFocus();
    return window && focus && (focus == window || ::IsChild(window, focus));
}

}  // namespace

// ---- tool bar -----------------------------------------------------------------

bool CToolBar::Create(HWND frame, const std::vector<Button>& buttons, HINSTANCE strings, ImageList images)
{
    HWND bar =
        ::CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP,
                          0, 0, 0, 0, frame, nullptr, ThisModule(), nullptr);
    if (!bar || !SubclassWindow(bar))
        return false;
    m_buttons = buttons;
    m_strings = strings;
    m_images = std::move(images);
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    if (m_images)
        SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images.Get()));
    else
        SendMessage(TB_LOADIMAGES, IDB_STD_SMALL_COLOR, reinterpret_cast<LPARAM>(HINST_COMMCTRL));
    std::vector<TBBUTTON> items;
    for (const Button& b : buttons) {
        TBBUTTON item{};
        item.iBitmap = b.command ? b.image : 0;
        item.idCommand = static_cast<int>(b.command);
        item.fsState = TBSTATE_ENABLED;
        item.fsStyle = b.command ? BTNS_BUTTON : BTNS_SEP;
        items.push_back(item);
    }
    SendMessage(TB_ADDBUTTONSA, items.size(), reinterpret_cast<LPARAM>(items.data()));
    SendMessage(TB_AUTOSIZE);
    return true;
}

int CToolBar::Height() const
{
    if (!m_hWnd)
        return 0;
    const RECT r = GetWindowRect();
    return r.bottom - r.top;
}

HWND CToolBar::Tooltips() const
{
    return m_hWnd ? reinterpret_cast<HWND>(SendMessage(TB_GETTOOLTIPS)) : nullptr;
}

void CToolBar::UpdateButtons(CFrameWnd& frame)
{
    for (const Button& b : m_buttons) {
        if (!b.command)
            continue;
        const CommandState state = frame.QueryCommand(b.command);
        SendMessage(TB_ENABLEBUTTON, b.command, MAKELPARAM(state.enabled, 0));
        SendMessage(TB_CHECKBUTTON, b.command, MAKELPARAM(state.checked, 0));
    }
}

bool CToolBar::OnTooltipText(NMHDR& header)
{
    if (!m_hWnd || header.hwndFrom != Tooltips())
        return false;
    if (header.code == TTN_GETDISPINFOA) {
        auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
        info.hinst = m_strings;
        info.lpszText = MAKEINTRESOURCEA(header.idFrom);
        return true;
    }
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        info.hinst = m_strings;
        info.lpszText = MAKEINTRESOURCEW(header.idFrom);
        return true;
    }
    return false;
}

// ---- splitter -----------------------------------------------------------------

bool CSplitter::Create(HWND parent, UINT id)
{
    return RegisterWindowClass(kSplitterClass, CS_DBLCLKS, ::GetSysColorBrush(COLOR_BTNFACE)) &&
           CreateEx(WS_EX_CONTROLPARENT, kSplitterClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, RECT{0, 0, 0, 0},
                    parent, id);
}

void CSplitter::SetPanes(CWnd* left, CWnd* right)
{
    m_panes[0] = left;
    m_panes[1] = right;
    m_lastActive = left;
    Layout();
}

void CSplitter::SetPosition(int x)
{
    const RECT client = GetClientRect();
    m_position = std::max(0, std::min<int>(x, client.right - kBarWidth));
    Layout();
}

CWnd* CSplitter::ActivePane()
{
    for (CWnd* pane : m_panes)
        if (pane && HasFocus(*pane))
            m_lastActive = pane;
    return m_lastActive;
}

RECT CSplitter::BarRect() const
{
    const RECT client = GetClientRect();
    return RECT{m_position, 0, m_position + kBarWidth, client.bottom};
}

void CSplitter::Layout()
{
    if (!m_hWnd)
        return;
    const RECT client = GetClientRect();
    const RECT bar = BarRect();
    if (m_panes[0] && m_panes[0]->IsWindow())
        ::MoveWindow(*m_panes[0], 0, 0, bar.left, client.bottom, TRUE);
    if (m_panes[1] && m_panes[1]->IsWindow())
        ::MoveWindow(*m_panes[1], bar.right, 0, std::max<int>(0, client.right - bar.right), client.bottom, TRUE);
    ::InvalidateRect(m_hWnd, &bar, TRUE);
}

void CSplitter::OnPaint()
{
    PaintDC dc(m_hWnd);
    RECT bar = BarRect();
    ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawEdge(dc, &bar, EDGE_RAISED, BF_LEFT | BF_RIGHT);
}

LRESULT CSplitter::WindowProc(UINT message, WPARAM wp, LPARAM lp)
{
    switch (message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SETCURSOR:
        if (decode::Window(wp) == m_hWnd && LOWORD(lp) == HTCLIENT) {
            ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32644) /* IDC_SIZEWE */));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN: {
        const RECT bar = BarRect();
        if (::PtInRect(&bar, decode::Point(lp))) {
            m_dragging = true;
            ::SetCapture(m_hWnd);
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (m_dragging)
            SetPosition(decode::Point(lp).x - kBarWidth / 2);
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (m_dragging) {
            m_dragging = false;
            if (message == WM_LBUTTONUP)
                ::ReleaseCapture();
        }
        return 0;
    case WM_SETFOCUS:
        if (CWnd* pane = ActivePane())
            ::SetFocus(*pane);
        return 0;
    case WM_COMMAND:
    case WM_NOTIFY: {
        // The panes' own notifications go back to them; the rest are the frame's.
        LRESULT result = 0;
        if (ReflectNotification(message, wp, lp, result))
            return result;
        if (HWND parent = GetParent())
            return ::SendMessageA(parent, message, wp, lp);
        break;
    }
    }
    return CWnd::WindowProc(message, wp, lp);
}

// ---- frame --------------------------------------------------------------------

bool CFrameWnd::Create(const char* title, const RECT& rect, HWND owner, HMENU menu, HACCEL accelerators)
{
    if (!RegisterWindowClass(kFrameClass, CS_DBLCLKS, ::GetSysColorBrush(COLOR_BTNFACE)))
        return false;
    if (!CreateEx(0, kFrameClass, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, rect, owner,
                  reinterpret_cast<UINT_PTR>(menu)))
        return false;
    if (accelerators)
        keyboard::AddWindow(m_hWnd, accelerators, false);
    ::SetTimer(m_hWnd, kIdleTimer, kIdleMs, nullptr);
    return true;
}

bool CFrameWnd::CreateToolBar(const std::vector<CToolBar::Button>& buttons, HINSTANCE strings, ImageList images)
{
    if (!m_toolBar.Create(m_hWnd, buttons, strings, std::move(images)))
        return false;
    RecalcLayout();
    UpdateToolBar();
    return true;
}

void CFrameWnd::SetView(CWnd* view)
{
    m_view = view;
    RecalcLayout();
}

void CFrameWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    RECT client = GetClientRect();
    if (m_toolBar.IsWindow()) {
        m_toolBar.SendMessage(TB_AUTOSIZE);
        client.top += m_toolBar.Height();
    }
    if (m_view && m_view->IsWindow())
        ::MoveWindow(*m_view, client.left, client.top, client.right - client.left,
                     std::max<int>(0, client.bottom - client.top), TRUE);
}

CWnd* CFrameWnd::ActivePane()
{
    if (auto* splitter = dynamic_cast<CSplitter*>(m_view))
        return splitter->ActivePane();
    return m_view;
}

bool CFrameWnd::RouteCommand(UINT id, UINT code, HWND control)
{
    CWnd* pane = ActivePane();
    const bool done = (pane && pane->OnCommand(id, code, control)) || OnCommand(id, code, control);
    UpdateToolBar();
    return done;
}

CommandState CFrameWnd::QueryCommand(UINT id)
{
    CommandState state{id};
    CWnd* pane = ActivePane();
    if ((pane && pane->OnUpdateCommand(state)) || OnUpdateCommand(state))
        return state;
    return CommandState{id, false, false};
}

void CFrameWnd::UpdateMenu(HMENU popup)
{
    const int count = ::GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        const UINT id = ::GetMenuItemID(popup, i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue;  // separators and submenus
        const CommandState state = QueryCommand(id);
        ::EnableMenuItem(popup, i, MF_BYPOSITION | (state.enabled ? MF_ENABLED : MF_GRAYED));
        ::CheckMenuItem(popup, i, MF_BYPOSITION | (state.checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void CFrameWnd::UpdateToolBar()
{
    if (m_toolBar.IsWindow())
        m_toolBar.UpdateButtons(*this);
}

LRESULT CFrameWnd::OnNotify(NMHDR& header)
{
    if (m_toolBar.OnTooltipText(header))
        return 0;
    return CWnd::OnNotify(header);
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wp, LPARAM lp)
{
    switch (message) {
    case WM_SIZE:
        RecalcLayout();
        return 0;
    case WM_COMMAND: {
        // Menu and accelerators (no control) and tool bar buttons are commands;
        // other controls' notifications are reflected or go to OnCommand.
        HWND control = decode::CommandControl(lp);
        if (!control || control == m_toolBar.GetSafeHwnd()) {
            RouteCommand(decode::CommandId(wp), decode::CommandCode(wp), control);
            return 0;
        }
        break;
    }
    case WM_INITMENUPOPUP:
        if (!HIWORD(lp))  // not the system menu
            UpdateMenu(reinterpret_cast<HMENU>(wp));
        return 0;
    case WM_TIMER:
        if (wp == kIdleTimer) {
            UpdateToolBar();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (CWnd* pane = ActivePane())
            ::SetFocus(*pane);
        return 0;
    case WM_DESTROY:
        ::KillTimer(m_hWnd, kIdleTimer);
        break;
    }
    return CWnd::WindowProc(message, wp, lp);
}

void CFrameWnd::PostNcDestroy()
{
    delete this;
}
