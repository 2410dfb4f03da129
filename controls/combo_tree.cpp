#include "controls/combo_tree.h"
#include "controls/popup_text.h"

#include "core/resource_text.h"

#include <algorithm>

namespace {

const char kBoxClass[] = "pelmo.ComboTree";

int Width(const RECT& r)
{
    return r.right - r.left;
}
int Height(const RECT& r)
{
    return r.bottom - r.top;
}

bool IsInside(HWND window, HWND outer)
{
    return window && outer && (window == outer || ::IsChild(outer, window));
}

bool KeyDown(int key)
{
    return (::GetKeyState(key) & 0x8000) != 0;
}

}  // namespace

CComboTree::CComboTree() : m_tree(*this), m_edit(*this), m_button(*this), m_parentHook(*this) {}

bool CComboTree::Create(const RECT& rect, HWND parent, int id)
{
    const HBRUSH white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    if (!RegisterWindowClass(kBoxClass, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, white, nullptr,
                             ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */)))
        return false;
    return CreateEx(WS_EX_CLIENTEDGE, kBoxClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect, parent,
                    static_cast<UINT_PTR>(id));
}

BOOL CComboTree::CreateFromPlaceholder(HWND dialog, int id)
{
    HWND placeholder = ::GetDlgItem(dialog, id);
    if (!placeholder)
        return FALSE;
    RECT rect{};
    ::GetWindowRect(placeholder, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    // The answer's value differs between systems (CB_OKAY is 0): judge by the rectangle.
    RECT dropped{};
    ::SendMessageA(placeholder, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    if (Width(dropped) > 0 && Height(dropped) > 0) {
        m_droppedWidth = Width(dropped);
        m_droppedHeight = Height(dropped);
    }
    if (!Create(rect, dialog, id))
        return FALSE;
    ::SetWindowPos(m_hWnd, placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::DestroyWindow(placeholder);
    return TRUE;
}

BOOL CComboTree::SetCheckMode(bool checkMode)
{
    if (checkMode == m_checkMode)
        return TRUE;
    if (m_tree.IsWindow())
        return FALSE;
    m_checkMode = checkMode;
    return TRUE;
}

void CComboTree::SetDroppedSize(int width, int height)
{
    m_droppedWidth = width;
    m_droppedHeight = height;
}

int CComboTree::OnCreate()
{
    HWND parent = GetParent();
    HFONT font = parent ? reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr;
    const RECT client = GetClientRect();
    const int buttonWidth = ::GetSystemMetrics(SM_CXVSCROLL);

    HWND button = ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, client.right - buttonWidth,
                                    0, buttonWidth, client.bottom, m_hWnd,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), ThisModule(), nullptr);
    HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, 0,
                                  std::max(0, static_cast<int>(client.right) - buttonWidth), client.bottom, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), ThisModule(), nullptr);
    if (!button || !edit)
        return -1;
    m_button.SubclassWindow(button);
    m_edit.SubclassWindow(edit);
    if (font)
        m_edit.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    HMODULE images = m_imageModule ? m_imageModule : resources::Library();
    // Without its check images the tree stays away; the box still shows.
    m_tree.Create(m_hWnd, SIZE{m_droppedWidth, m_droppedHeight}, m_checkMode, images);
    return 0;
}

void CComboTree::Layout()
{
    const RECT client = GetClientRect();
    const int buttonWidth = std::min<int>(::GetSystemMetrics(SM_CXVSCROLL), client.right);
    if (m_button.IsWindow())
        ::MoveWindow(m_button, client.right - buttonWidth, 0, buttonWidth, client.bottom, TRUE);
    if (m_edit.IsWindow())
        ::MoveWindow(m_edit, 0, 0, client.right - buttonWidth, client.bottom, TRUE);
}

void CComboTree::OnSize()
{
    Layout();
}

POINT CComboTree::PlaceDropDown(const RECT& box, SIZE dropped, const RECT& screen)
{
    POINT at{box.left, box.bottom};
    if (at.y + dropped.cy > screen.bottom)
        at.y = box.top - dropped.cy;
    if (at.x + dropped.cx > screen.right)
        at.x = box.right - dropped.cx;
    return at;
}

void CComboTree::Notify(WORD code)
{
    HWND parent = GetParent();
    if (parent && m_hWnd)
        ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), code), reinterpret_cast<LPARAM>(m_hWnd));
}

void CComboTree::RepaintParts()
{
    if (m_edit.IsWindow())
        ::RedrawWindow(m_edit, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    if (m_button.IsWindow())
        ::RedrawWindow(m_button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
}

void CComboTree::DropDown()
{
    if (m_dropped || !m_tree.IsWindow() || !::IsWindowEnabled(m_hWnd))
        return;
    ::SetFocus(m_edit);

    const RECT box = GetWindowRect();
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const POINT at = PlaceDropDown(box, SIZE{m_droppedWidth, m_droppedHeight}, screen);
    ::SetWindowPos(m_tree, HWND_TOPMOST, at.x, at.y, m_droppedWidth, m_droppedHeight, SWP_SHOWWINDOW);

    m_tree.RememberCaret();
    m_dropped = true;
    ::SetFocus(m_tree);
    ::SetActiveWindow(m_tree);
    ::SetForegroundWindow(m_tree);
    if (HTREEITEM caret = m_tree.GetCaret())
        m_tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(caret));

    Notify(CBN_DROPDOWN);
    if (HWND parent = GetParent())
        m_parentHook.HookWindow(parent);
    RepaintParts();
}

void CComboTree::CloseUp(bool accept)
{
    if (!m_dropped)
        return;
    if (accept) {
        if (HTREEITEM caret = m_tree.GetCaret()) {
            m_edit.SetWindowText(m_tree.GetItemText(caret));
            Notify(CBN_SELENDOK);
        }
    } else {
        m_tree.RestoreCaret();
        Notify(CBN_SELENDCANCEL);
    }
    m_dropped = false;
    ModulePopupText().Cancel();
    const bool hadFocus = IsInside(::GetFocus(), m_tree);
    ::ShowWindow(m_tree, SW_HIDE);
    m_parentHook.HookWindow(nullptr);
    HWND top = ::GetAncestor(m_hWnd, GA_ROOT);
    if (hadFocus && top && ::IsWindowEnabled(top)) {
        ::SetActiveWindow(top);
        ::SetFocus(m_edit);
    }
    RepaintParts();
}

void CComboTree::OnButtonClicked()
{
    if (m_dropped)
        CloseUp(true);
    else
        DropDown();
}

void CComboTree::OnEditClicked()
{
    if (m_dropped)
        CloseUp(true);
}

void CComboTree::OnTreeDoubleClick()
{
    Notify(CBN_DBLCLK);
    CloseUp(true);
}

void CComboTree::OnTreeDeactivated(HWND activated)
{
    if (!m_dropped)
        return;
    // A click on the box itself (its button or text field) activates the
    // dialog before the click arrives; let that click decide. (The button's
    // state is not yet known at this point, only where the pointer is.)
    POINT pt{};
    ::GetCursorPos(&pt);
    const RECT box = GetWindowRect();
    if (::PtInRect(&box, pt) && activated == ::GetAncestor(m_hWnd, GA_ROOT))
        return;
    Notify(CBN_KILLFOCUS);
    CloseUp(false);
}

void CComboTree::OnParentClosesDropDown()
{
    if (!m_dropped)
        return;
    Notify(CBN_KILLFOCUS);
    CloseUp(false);
}

void CComboTree::MoveFocusOn(bool previous)
{
    HWND dialog = GetParent();
    HWND next = dialog ? ::GetNextDlgTabItem(dialog, m_hWnd, previous) : nullptr;
    if (next && next != m_hWnd)
        ::SetFocus(next);
}

bool CComboTree::PreTranslateKey(HWND from, UINT msg, WPARAM wp, LPARAM lp)
{
    const bool keyDown = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    if (!m_dropped) {
        if (!keyDown)
            return false;
        const bool alt = msg == WM_SYSKEYDOWN || KeyDown(VK_MENU);
        if ((wp == VK_DOWN && alt) || wp == VK_F4) {
            DropDown();
            return true;
        }
        if (wp == VK_TAB && msg == WM_KEYDOWN) {
            MoveFocusOn(KeyDown(VK_SHIFT));
            return true;
        }
        return false;
    }

    if (keyDown) {
        const bool alt = msg == WM_SYSKEYDOWN || KeyDown(VK_MENU);
        switch (wp) {
        case VK_F4:
        case VK_RETURN:
            CloseUp(true);
            return true;
        case VK_ESCAPE:
            CloseUp(false);
            return true;
        case VK_TAB:
            CloseUp(true);
            MoveFocusOn(KeyDown(VK_SHIFT));
            return true;
        case VK_UP:
            if (alt) {
                CloseUp(true);
                return true;
            }
            break;
        case VK_SPACE:
            if (m_tree.CheckMode()) {
                m_tree.SetCheck(m_tree.GetCaret(), kToggleCheck);
                return true;
            }
            break;
        }
    } else if ((msg == WM_CHAR &&
                (wp == VK_RETURN || wp == VK_ESCAPE || wp == VK_TAB || (wp == ' ' && m_tree.CheckMode())))) {
        return true;  // the key-down already acted; no beep, no search
    }
    // Any other key belongs to the tree.
    if (from != m_tree.GetSafeHwnd() && m_tree.IsWindow()) {
        m_tree.SendMessage(msg, wp, lp);
        return true;
    }
    return false;
}

void CComboTree::SetText(const std::string& text)
{
    if (m_edit.IsWindow())
        m_edit.SetWindowText(text);
    if (m_hWnd)
        RepaintParts();
}

std::string CComboTree::GetText() const
{
    return m_edit.IsWindow() ? m_edit.GetWindowText() : std::string();
}

void CComboTree::SetBkColor(COLORREF colour)
{
    m_edit.SetBackground(colour);
    if (m_tree.IsWindow())
        m_tree.SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(colour));
}

LRESULT CComboTree::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_SETFOCUS:
        if (m_edit.IsWindow())
            ::SetFocus(m_edit);
        return 0;
    case WM_ENABLE:
        if (!wp)
            CloseUp(false);
        if (m_edit.IsWindow())
            ::EnableWindow(m_edit, static_cast<BOOL>(wp));
        if (m_button.IsWindow())
            ::EnableWindow(m_button, static_cast<BOOL>(wp));
        return 0;
    case WM_SETFONT:
        if (m_edit.IsWindow())
            m_edit.SendMessage(WM_SETFONT, wp, lp);
        return 0;
    case WM_GETFONT:
        return m_edit.IsWindow() ? m_edit.SendMessage(WM_GETFONT) : 0;
    case WM_DESTROY:
        m_dropped = false;
        m_parentHook.HookWindow(nullptr);
        if (m_tree.IsWindow())
            ::DestroyWindow(m_tree);
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
