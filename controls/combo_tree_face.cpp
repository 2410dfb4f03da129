#include "controls/combo_tree_face.h"
#include "controls/combo_tree.h"

#include <algorithm>
#include <string>

namespace {

constexpr int kTextIndent = 3;  // left margin of the field's text

}  // namespace

void CComboTreeEdit::SetBackground(COLORREF colour)
{
    m_background = colour;
    m_brush.Reset(::CreateSolidBrush(colour));
    if (m_hWnd)
        Invalidate();
}

void CComboTreeEdit::OnPaint()
{
    PaintDC dc(m_hWnd);
    const RECT client = GetClientRect();
    const bool enabled = ::IsWindowEnabled(m_hWnd) != FALSE;
    if (!m_brush)
        m_brush.Reset(::CreateSolidBrush(m_background));
    if (!enabled && !m_disabledBrush)
        m_disabledBrush.Reset(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
    ::FillRect(dc, &client, enabled ? m_brush : m_disabledBrush);

    const std::string text = GetWindowText();
    SelectScope font(dc, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
    RECT textRect = client;
    textRect.left += kTextIndent;
    // Like a drop-down list: a focused, closed box shows its text selected.
    const bool selected = enabled && ::GetFocus() == m_hWnd && !m_box.IsDropped() && !text.empty();
    if (selected) {
        RECT measure = textRect;
        ::DrawTextA(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        RECT band{textRect.left - 1, client.top + 1, std::min(measure.right + 1, client.right - 1), client.bottom - 1};
        ::FillRect(dc, &band, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        ::DrawFocusRect(dc, &band);
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, !enabled   ? ::GetSysColor(COLOR_GRAYTEXT)
                       : selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT)
                                  : ::GetSysColor(COLOR_WINDOWTEXT));
    ::DrawTextA(dc, text.c_str(), -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

bool CComboTreeEdit::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result)
{
    if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLOREDIT) {
        if (!m_brush)
            m_brush.Reset(::CreateSolidBrush(m_background));
        ::SetBkColor(reinterpret_cast<HDC>(wp), m_background);
        result = reinterpret_cast<LRESULT>(m_brush.Get());
        return true;
    }
    return false;
}

LRESULT CComboTreeEdit::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_SETFOCUS: {
        LRESULT result = Default();
        ::HideCaret(m_hWnd);  // nothing to type here
        Invalidate();
        return result;
    }
    case WM_KILLFOCUS:
        Invalidate();
        break;
    case WM_GETDLGCODE:
        // Tab comes to us so the box can move the focus itself.
        return Default() | DLGC_WANTTAB;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
        if (m_box.PreTranslateKey(m_hWnd, msg, wp, lp))
            return 0;
        if (msg == WM_CHAR)
            return 0;  // read-only: typing does nothing
        break;
    case WM_LBUTTONDOWN:
        ::SetFocus(m_hWnd);
        m_box.OnEditClicked();
        return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
        return 0;
    case WM_ENABLE:
        Invalidate();
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

bool CComboTreeButton::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_DRAWITEM: {
        const auto& dis = decode::Ref<const DRAWITEMSTRUCT>(lp);
        RECT rect = dis.rcItem;
        UINT state = DFCS_SCROLLCOMBOBOX;
        if (dis.itemState & ODS_SELECTED)
            state |= DFCS_PUSHED | DFCS_FLAT;
        if (dis.itemState & ODS_DISABLED)
            state |= DFCS_INACTIVE;
        ::DrawFrameControl(dis.hDC, &rect, DFC_SCROLL, state);
        result = TRUE;
        return true;
    }
    case WM_COMMAND:
        if (decode::CommandCode(wp) == BN_CLICKED || decode::CommandCode(wp) == BN_DOUBLECLICKED) {
            m_box.OnButtonClicked();
            result = 0;
            return true;
        }
        break;
    }
    return false;
}
