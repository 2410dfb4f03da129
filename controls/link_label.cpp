#include "controls/link_label.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace {

void ShellOpen(const std::string& target)
{
    ::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

LinkOpener g_opener = ShellOpen;

constexpr int kFixedPoint = 256;

}  // namespace

LinkOpener SetLinkOpener(LinkOpener opener)
{
    LinkOpener previous = g_opener;
    g_opener = opener ? opener : ShellOpen;
    return previous;
}

CLinkLabel::CLinkLabel()
    : m_textColor(::GetSysColor(COLOR_WINDOWTEXT)), m_faceBrush(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)))
{
    ::GetObjectA(::GetStockObject(SYSTEM_FONT), sizeof m_logFont, &m_logFont);
}

bool CLinkLabel::Create(const std::string& text, DWORD style, const RECT& rect, HWND parent, UINT id)
{
    HWND label = ::CreateWindowExA(0, "STATIC", text.c_str(), style, rect.left, rect.top, rect.right - rect.left,
                                   rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                   ThisModule(), nullptr);
    if (!label)
        return false;
    m_ownsWindow = true;
    return SubclassWindow(label);
}

void CLinkLabel::PreSubclassWindow()
{
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    ::GetObjectA(font ? font : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT)), sizeof m_logFont, &m_logFont);
    RemakeFont();
}

void CLinkLabel::RemakeFont()
{
    m_font.Reset(::CreateFontIndirectA(&m_logFont));
}

void CLinkLabel::Redraw()
{
    // Setters may run before the window exists (or after it has gone).
    if (!IsWindow())
        return;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HWND parent = GetParent();
    if (!parent)
        return;
    RECT under = GetWindowRect();
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&under), 2);
    ::RedrawWindow(parent, &under, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

CLinkLabel& CLinkLabel::SetBackColors(COLORREF colour, COLORREF gradientEnd, BOOL gradient)
{
    m_backColor = colour;
    m_gradientEnd = gradientEnd;
    m_gradient = gradient != 0;
    if (!m_gradient)
        m_backBrush.Reset(::CreateSolidBrush(colour));
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetTextColor(COLORREF colour)
{
    m_textColor = colour;
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetLabelText(const std::string& text)
{
    if (IsWindow())
        SetWindowText(text);
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetBold(BOOL bold)
{
    m_logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    RemakeFont();
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetFaceName(const std::string& face, BYTE charSet)
{
    std::memset(m_logFont.lfFaceName, 0, sizeof m_logFont.lfFaceName);
    std::memcpy(m_logFont.lfFaceName, face.c_str(), std::min(face.size(), sizeof m_logFont.lfFaceName - 1));
    m_logFont.lfCharSet = charSet;
    RemakeFont();
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetUnderline(BOOL underline)
{
    m_logFont.lfUnderline = underline ? TRUE : FALSE;
    RemakeFont();
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetItalic(BOOL italic)
{
    m_logFont.lfItalic = italic ? TRUE : FALSE;
    RemakeFont();
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetPointSize(int points)
{
    // A point font, measured on the screen, gives the height in pixels.
    LOGFONTA request{};
    request.lfHeight = points * 10;
    request.lfCharSet = m_logFont.lfCharSet;
    std::memcpy(request.lfFaceName, m_logFont.lfFaceName, sizeof request.lfFaceName);
    HDC screen = ::GetDC(nullptr);
    const int pixels = ::MulDiv(request.lfHeight, ::GetDeviceCaps(screen, LOGPIXELSY), 720);
    ::ReleaseDC(nullptr, screen);
    Font probe(::CreateFontA(-pixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, request.lfCharSet, 0, 0, 0, 0, request.lfFaceName));
    LOGFONTA made{};
    if (probe && ::GetObjectA(probe, sizeof made, &made)) {
        m_logFont.lfHeight = made.lfHeight;
        m_logFont.lfWidth = made.lfWidth;
    }
    RemakeFont();
    Redraw();
    return *this;
}

void CLinkLabel::ChangeStyle(int index, DWORD bits, BOOL set)
{
    if (!IsWindow())
        return;
    const auto old = static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, index));
    ::SetWindowLongPtrA(m_hWnd, index, set ? (old | bits) : (old & ~bits));
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

CLinkLabel& CLinkLabel::SetSunkenEdge(BOOL sunken)
{
    ChangeStyle(GWL_EXSTYLE, WS_EX_STATICEDGE, sunken);
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetBorder(BOOL border)
{
    ChangeStyle(GWL_STYLE, WS_BORDER, border);
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetTransparent(BOOL transparent)
{
    m_transparent = transparent != 0;
    ChangeStyle(GWL_EXSTYLE, WS_EX_TRANSPARENT, transparent);
    Redraw();
    return *this;
}

void CLinkLabel::StopBlink()
{
    if (m_blinkTimer && IsWindow())
        ::KillTimer(m_hWnd, kBlinkTimer);
    m_blinkTimer = false;
    m_blinkPhase = false;
}

void CLinkLabel::StartBlink(int type)
{
    m_blinkPhase = false;
    m_blinkType = type;
    m_blinkTimer = IsWindow() && ::SetTimer(m_hWnd, kBlinkTimer, kBlinkPeriodMs, nullptr) != 0;
}

CLinkLabel& CLinkLabel::SetTextBlink(BOOL blink)
{
    StopBlink();
    if (blink)
        StartBlink(kTextBlink);
    else
        m_blinkType = kNoBlink;
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetBackBlink(BOOL blink)
{
    // Stopping leaves no blink at all, not a background frozen in one phase.
    StopBlink();
    if (blink)
        StartBlink(kBackBlink);
    else
        m_blinkType = kNoBlink;
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetUrlLink(BOOL link, BOOL notifyOnly)
{
    m_linkType = link ? kWebLink : kNoLink;
    m_notifyOnly = notifyOnly != 0;
    ChangeStyle(GWL_STYLE, SS_NOTIFY, link);
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetMailLink(BOOL link, BOOL notifyOnly)
{
    m_linkType = link ? kMailLink : kNoLink;
    m_notifyOnly = notifyOnly != 0;
    ChangeStyle(GWL_STYLE, SS_NOTIFY, link);
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetLinkCursor(HCURSOR cursor)
{
    m_linkCursor = cursor;
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetRaisedText(BOOL raised, BOOL outward)
{
    m_raised = raised != 0;
    m_raisedOutward = outward != 0;
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetAngle(int degrees, BOOL rotated)
{
    m_logFont.lfEscapement = m_logFont.lfOrientation = degrees * 10;
    m_rotated = rotated != 0;
    RemakeFont();
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetHighlightColor(COLORREF colour)
{
    m_highlightColor = colour;
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetLogFont(const LOGFONTA& font)
{
    m_logFont = font;
    RemakeFont();
    Redraw();
    return *this;
}

CLinkLabel& CLinkLabel::SetUrl(const std::string& url)
{
    m_url = url;
    Redraw();
    return *this;
}

COLORREF CLinkLabel::CurrentTextColor() const
{
    if (m_backBrush && m_blinkType == kTextBlink && !m_blinkPhase) {
        LOGBRUSH brush{};
        ::GetObjectA(m_backBrush, sizeof brush, &brush);
        return brush.lbColor;
    }
    return m_textColor;
}

std::string CLinkLabel::LinkTarget() const
{
    // Only an address the owner gave opens: the label's own text is not a
    // link it can be trusted with.
    switch (m_linkType) {
    case kWebLink:
        return m_url;
    case kMailLink:
        return m_url.empty() ? std::string() : "mailto:" + m_url;
    }
    return std::string();
}

void CLinkLabel::DrawGradient(HDC dc, const RECT& rect, COLORREF from, COLORREF to, int bands)
{
    const int width = rect.right - rect.left;
    const int n = std::max(1, std::min(bands, width));
    int rgb[3] = {GetRValue(from) * kFixedPoint, GetGValue(from) * kFixedPoint, GetBValue(from) * kFixedPoint};
    const int step[3] = {(GetRValue(to) - GetRValue(from)) * kFixedPoint / n,
                         (GetGValue(to) - GetGValue(from)) * kFixedPoint / n,
                         (GetBValue(to) - GetBValue(from)) * kFixedPoint / n};
    const int bandWidth = std::max(1, width / n);
    for (int i = 0; i < n; ++i) {
        RECT band{rect.left + i * bandWidth, rect.top, i == n - 1 ? rect.right : rect.left + (i + 1) * bandWidth,
                  rect.bottom};
        Brush brush(::CreateSolidBrush(RGB(rgb[0] / kFixedPoint, rgb[1] / kFixedPoint, rgb[2] / kFixedPoint)));
        ::FillRect(dc, &band, brush);
        for (int c = 0; c < 3; ++c)
            rgb[c] += step[c];
    }
}

void CLinkLabel::Paint(HDC dc, const RECT& client)
{
    DcState saved(dc);
    ::SelectObject(dc, m_font ? m_font.Get() : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT)));
    ::SetTextColor(dc, m_textColor);
    ::SetBkMode(dc, TRANSPARENT);
    const bool backPhaseOff = m_blinkType == kBackBlink && m_blinkPhase;
    if (!m_transparent) {
        if (m_gradient && !backPhaseOff)
            DrawGradient(dc, client, m_backColor, m_gradientEnd, kGradientBands);
        else
            ::FillRect(dc, &client, m_backBrush && !backPhaseOff ? m_backBrush.Get() : m_faceBrush.Get());
    }
    ::SetTextColor(dc, CurrentTextColor());

    const std::string text = GetWindowText();
    const DWORD style = GetStyle();
    UINT format = DT_NOPREFIX;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        format |= DT_CENTER | DT_WORDBREAK;
        break;
    case SS_RIGHT:
        format |= DT_RIGHT | DT_WORDBREAK;
        break;
    case SS_LEFTNOWORDWRAP:
        format |= DT_LEFT;
        break;
    case SS_CENTERIMAGE:
        format = DT_NOPREFIX | DT_CENTER;
        if (text.find("\r\n") == std::string::npos)
            format |= DT_VCENTER | DT_SINGLELINE;
        break;
    default:
        format |= DT_LEFT | DT_WORDBREAK;
        break;
    }
    if (text.find('\t') != std::string::npos)
        format |= DT_EXPANDTABS;
    if (!m_rotated) {
        RECT r = client;
        ::DrawTextA(dc, text.c_str(), -1, &r, format);
        if (m_raised) {
            const int d = m_raisedOutward ? 1 : -1;
            ::OffsetRect(&r, d, d);
            ::SetTextColor(dc, m_highlightColor);
            ::DrawTextA(dc, text.c_str(), -1, &r, format);
        }
    } else {
        ::SetTextAlign(dc, TA_BASELINE);
        POINT old{};
        ::SetViewportOrgEx(dc, (client.left + client.right) / 2, (client.top + client.bottom) / 2, &old);
        ::TextOutA(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
        ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
    }
}

void CLinkLabel::OnPaint()
{
    PaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    if (m_transparent) {
        Paint(paint, client);
        return;
    }
    BackBuffer buffer(paint, client);
    if (!buffer.Valid())
        return;
    Paint(buffer, client);
    buffer.CopyOut();
}

void CLinkLabel::OnClick()
{
    if (m_notifyOnly) {
        NMHDR header{};
        header.hwndFrom = m_hWnd;
        header.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd));
        header.code = kLinkLabelClicked;
        ::SendMessageA(GetParent(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
        return;
    }
    const std::string target = LinkTarget();
    if (!target.empty())
        g_opener(target);
}

LRESULT CLinkLabel::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wp == kBlinkTimer) {
            m_blinkPhase = !m_blinkPhase;
            Redraw();
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        OnClick();
        break;
    case WM_SETCURSOR:
        if (m_linkCursor) {
            ::SetCursor(m_linkCursor);
            return TRUE;
        }
        break;
    case WM_SYSCOLORCHANGE:
        m_faceBrush.Reset(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
        break;
    case WM_NCHITTEST:
        // A static answers HTTRANSPARENT unless it notifies; a link is clickable.
        if (m_linkType != kNoLink)
            return HTCLIENT;
        break;
    case WM_DESTROY:
        StopBlink();
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
