#include "controls/popup_text.h"
#include "controls/tree_items.h"

#include <algorithm>

namespace {

// Registered once for the whole library.
const char kPopupClass[] = "pelmo.PopupText";

constexpr int kTipLeftShift = 3;   // the tip starts a little left of the label...
constexpr int kTipExtraWidth = 6;  // ...and is that much wider, so the text sits where the label's did
constexpr int kLabelPadding = 6;   // what the tree leaves around a label's text

int Width(const RECT& r)
{
    return r.right - r.left;
}
int Height(const RECT& r)
{
    return r.bottom - r.top;
}

HFONT StatusBarFont()
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return ::CreateFontIndirectA(&metrics.lfStatusFont);
    return nullptr;
}

bool IsSameOrInside(HWND window, HWND outer)
{
    return window && outer && (window == outer || ::IsChild(outer, window));
}

}  // namespace

CPopupText::CPopupText() : m_font(StatusBarFont()) {}

bool CPopupText::Create(POINT at, HWND parent, UINT flags, UINT id)
{
    if (m_hWnd)
        return false;
    if (!RegisterWindowClass(kPopupClass, 0, nullptr, nullptr, nullptr))
        return false;
    m_rightAligned = (flags & kRightAligned) != 0;
    m_id = id;
    m_watched = parent;
    m_cancelledByLeave = false;
    // Whatever a caller might want, a tip is a bordered popup without a
    // taskbar button, and it starts hidden.
    return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPopupClass, "", WS_POPUP | WS_BORDER,
                    RECT{at.x, at.y, at.x, at.y}, parent, 0);
}

void CPopupText::ShowDelayed(UINT delayMs)
{
    if (!m_hWnd)
        return;
    if (m_watchTimer)
        ::KillTimer(m_hWnd, kWatchTimer);
    m_watchTimer = ::SetTimer(m_hWnd, kWatchTimer, kWatchPeriodMs, nullptr);
    m_cancelledByLeave = false;
    if (delayMs > 0) {
        m_delayTimer = ::SetTimer(m_hWnd, kDelayTimer, delayMs, nullptr);
    } else {
        Show();
    }
}

void CPopupText::Cancel()
{
    if (!m_hWnd)
        return;
    if (m_delayTimer) {
        ::KillTimer(m_hWnd, kDelayTimer);
        m_delayTimer = 0;
    }
    if (m_watchTimer) {
        ::KillTimer(m_hWnd, kWatchTimer);
        m_watchTimer = 0;
    }
    ::ShowWindow(m_hWnd, SW_HIDE);
}

void CPopupText::Show()
{
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_hWnd);
}

RECT CPopupText::FitToText(const RECT& current, SIZE textSize, bool rightAligned, SIZE border)
{
    const int width = textSize.cx + 2 * kMarginX + border.cx;
    const int height = textSize.cy + 2 * kMarginY + border.cy;
    RECT r{current.left, current.top, current.left + width, current.top + height};
    if (rightAligned) {
        r.right = current.right;
        r.left = current.right - width;
    }
    return r;
}

void CPopupText::OnSetText(const char* text)
{
    SIZE extent{};
    {
        ClientDC dc(m_hWnd);
        SelectScope font(dc, m_font);
        RECT calc{0, 0, 0, 0};
        ::DrawTextA(dc, text ? text : "", -1, &calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        extent = SIZE{Width(calc), Height(calc)};
    }
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, GetStyle(), FALSE, static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE)));
    const RECT fitted = FitToText(GetWindowRect(), extent, m_rightAligned, SIZE{Width(frame), Height(frame)});
    ::SetWindowPos(m_hWnd, nullptr, fitted.left, fitted.top, Width(fitted), Height(fitted),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPopupText::OnPaint()
{
    PaintDC dc(m_hWnd);
    RECT client = GetClientRect();
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_INFOBK));
    SelectScope font(dc, m_font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
    const std::string text = GetWindowText();
    ::DrawTextA(dc, text.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

bool CPopupText::PointerOnWatchedWindows() const
{
    POINT pt{};
    ::GetCursorPos(&pt);
    HWND under = ::WindowFromPoint(pt);
    return under == m_hWnd || IsSameOrInside(under, m_watched);
}

void CPopupText::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kDelayTimer:
        ::KillTimer(m_hWnd, kDelayTimer);
        m_delayTimer = 0;
        // The pointer may have left in the same tick the delay ran out: a tip
        // for a window the pointer is no longer over must not flash up.
        if (PointerOnWatchedWindows()) {
            Show();
        } else {
            m_cancelledByLeave = true;
            Cancel();
        }
        break;
    case kWatchTimer:
        if (!PointerOnWatchedWindows()) {
            m_cancelledByLeave = true;
            Cancel();
        }
        break;
    }
}

void CPopupText::PostNcDestroy()
{
    // Timers die with the window; the object stays for the next Create.
    m_delayTimer = 0;
    m_watchTimer = 0;
}

LRESULT CPopupText::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SETTEXT:
        OnSetText(reinterpret_cast<const char*>(lp));
        break;  // the default handling stores the text
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_TIMER:
        OnTimer(wp);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        Cancel();
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

CPopupText& ModulePopupText()
{
    static CPopupText popup;
    return popup;
}

// ---- CTreeItemTip ----------------------------------------------------------

bool CTreeItemTip::Install(HWND tree)
{
    if (!HookWindow(tree))
        return false;
    m_controlId = ::GetDlgCtrlID(tree);
    m_lastItem = nullptr;
    CPopupText& popup = ModulePopupText();
    if (!popup.IsWindow())
        popup.Create(POINT{0, 0}, tree, 0, 0);
    return true;
}

RECT CTreeItemTip::LabelRect(HWND tree, HTREEITEM item, std::string* text)
{
    RECT rect = TreeItemLabelRect(tree, item);
    if (::IsRectEmpty(&rect))
        return RECT{};
    const std::string label = TreeItemText(tree, item);
    SIZE extent{};
    {
        ClientDC dc(tree);
        SelectScope font(dc, reinterpret_cast<HFONT>(::SendMessageA(tree, WM_GETFONT, 0, 0)));
        ::GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &extent);
    }
    rect.right = std::max<LONG>(rect.right, rect.left + extent.cx + kLabelPadding);
    if (text)
        *text = label;
    return rect;
}

void CTreeItemTip::OnMouseMove(POINT pt)
{
    HWND tree = GetHookedWindow();
    CPopupText& popup = ModulePopupText();
    TVHITTESTINFO hit{};
    hit.pt = pt;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (!(hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)))
        item = nullptr;
    if (item == m_lastItem && !popup.CancelledByLeave())
        return;
    m_lastItem = item;
    popup.Cancel();
    if (!item || !popup.IsWindow())
        return;

    std::string text;
    RECT label = LabelRect(tree, item, &text);
    RECT client{};
    ::GetClientRect(tree, &client);
    if (label.right <= client.right)
        return;
    ::MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&label), 2);
    popup.SetWatchedWindow(tree);
    popup.SetWindowText(text);
    ::SetWindowPos(popup, nullptr, label.left - kTipLeftShift, label.top, Width(label) + kTipExtraWidth, Height(label),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    popup.ShowDelayed(kItemTipDelayMs);
}

LRESULT CTreeItemTip::WindowProc(UINT msg, WPARAM, LPARAM lp)
{
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouseMove(decode::Point(lp));
        break;
    case WM_LBUTTONDOWN:
        ModulePopupText().Cancel();
        break;
    }
    return Default();
}
