#include "controls/flat_edit.h"

#include "framework/Gdi.h"

namespace {

// The pixel that shows the box's own face: two pixels in from the corner,
// just inside the two-line frame.
constexpr int kContentProbe = 2;

void FrameWith(HDC dc, const RECT& rect, COLORREF colour)
{
    Brush brush(::CreateSolidBrush(colour));
    ::FrameRect(dc, &rect, brush);
}

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour)
{
    Pen pen(::CreatePen(PS_SOLID, 1, colour));
    SelectScope select(dc, pen);
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
}

}  // namespace

CFlatEdit::FrameColours CFlatEdit::ChooseColours(bool focused, bool hover, bool inert, COLORREF content)
{
    if (inert)
        return FrameColours{kOuter, content};
    return FrameColours{focused ? kOuterFocused : kOuter, hover ? kInnerHover : kInner};
}

bool CFlatEdit::HasFrame() const
{
    const LONG_PTR exStyle = ::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE);
    return (GetStyle() & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE);
}

void CFlatEdit::DrawFrame()
{
    if (!m_hWnd || !HasFrame())
        return;
    WindowDC dc(m_hWnd);
    if (!dc)
        return;
    const RECT window = GetWindowRect();
    RECT outer{0, 0, window.right - window.left, window.bottom - window.top};
    const DWORD style = GetStyle();
    const bool inert = (style & ES_READONLY) || (style & WS_DISABLED);
    const FrameColours colours =
        ChooseColours(::GetFocus() == m_hWnd, m_hover, inert, ::GetPixel(dc, kContentProbe, kContentProbe));

    FrameWith(dc, outer, colours.outer);
    RECT inner = outer;
    ::InflateRect(&inner, -1, -1);
    FrameWith(dc, inner, colours.inner);
    // Beside a scroll bar the inner line would cut the bar off from the box.
    const COLORREF face = ::GetSysColor(COLOR_3DFACE);
    if (style & WS_VSCROLL)
        Line(dc, inner.right - 1, inner.top, inner.right - 1, inner.bottom, face);
    if (style & WS_HSCROLL)
        Line(dc, inner.left, inner.bottom - 1, inner.right, inner.bottom - 1, face);
}

void CFlatEdit::OnMouseMove()
{
    if (m_hover)
        return;
    // Asking for a leave notice rather than holding the capture keeps the
    // edit's own capture (selecting text by dragging) working.
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hWnd, 0};
    if (::TrackMouseEvent(&track)) {
        m_hover = true;
        DrawFrame();
    }
}

void CFlatEdit::OnMouseLeave()
{
    if (!m_hover)
        return;
    m_hover = false;
    DrawFrame();
}

LRESULT CFlatEdit::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_NCPAINT: {
        const LRESULT result = Default();
        DrawFrame();
        return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case EM_SETREADONLY: {
        const LRESULT result = Default();
        DrawFrame();
        return result;
    }
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
