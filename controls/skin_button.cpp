#include "controls/skin_button.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {

constexpr size_t kMaxUrl = 260;
constexpr UINT kToolId = 1;

int Width(const RECT& r)
{
    return r.right - r.left;
}
int Height(const RECT& r)
{
    return r.bottom - r.top;
}

}  // namespace

CSkinButton::CSkinButton()
{
    for (int state : {kBackIn, kBackOut, kBackFocus})
        m_colours[state] = ::GetSysColor(COLOR_BTNFACE);
    for (int state : {kForeIn, kForeOut, kForeFocus})
        m_colours[state] = ::GetSysColor(COLOR_BTNTEXT);
}

CSkinButton::~CSkinButton()
{
    if (m_tooltip && ::IsWindow(m_tooltip))
        ::DestroyWindow(m_tooltip);
    if (m_menu)
        ::DestroyMenu(m_menu);
    if (m_cursor)
        ::DestroyCursor(m_cursor);
}

CSkinButton::Placement CSkinButton::PlaceImage(const RECT& client, SIZE image, bool hasCaption, int align, POINT origin,
                                               bool pressed, bool checkBoxMode)
{
    Placement p{client, client};
    RECT& img = p.image;
    const LONG w = image.cx, h = image.cy;
    auto centreH = [&] { img.left += (Width(client) - w) / 2; };
    auto centreV = [&] { img.top += (Height(client) - h) / 2; };

    switch (align) {
    case kAlignCentre:
        if (!hasCaption)
            centreH();
        centreV();
        break;
    case kAlignVertical:
        centreH();
        if (hasCaption) {
            img.top = origin.y;
            p.caption.top += h;
        } else {
            centreV();
        }
        break;
    case kAlignHorizontal:
        if (hasCaption) {
            p.caption.right -= p.caption.left + origin.x + w;
            p.caption.left = origin.x;
            img.left = Width(client) - origin.x - w;
            centreV();
        } else {
            centreH();
        }
        break;
    case kAlignOverlap:
        break;
    case kAlignRightHalf:
        if (hasCaption) {
            p.caption.left = client.left + Width(client) / 2;
        } else {
            centreH();
            centreV();
        }
        break;
    }
    img.right = img.left + w;
    img.bottom = img.top + h;
    if (pressed && !checkBoxMode) {
        ::OffsetRect(&img, 1, 1);
        img.right -= 1;
        img.bottom -= 1;
    }
    return p;
}

void CSkinButton::PreSubclassWindow()
{
    const DWORD style = GetStyle();
    const DWORD type = style & BS_TYPEMASK;
    m_default = type == BS_DEFPUSHBUTTON;
    m_checkBoxMode = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>((style & ~BS_TYPEMASK) | BS_OWNERDRAW));
}

int CSkinButton::MakeImage(HBITMAP source, COLORREF transparent, Image& image)
{
    image = Image{};
    BITMAP info{};
    if (!source || !::GetObjectA(source, sizeof info, &info)) {
        if (source)
            ::DeleteObject(source);
        return kBitmapUnreadable;
    }
    image.picture.Reset(source);
    image.width = info.bmWidth;
    image.height = info.bmHeight;
    image.mask.Reset(::CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr));
    if (!image.mask) {
        image = Image{};
        return kBitmapNoMask;
    }
    MemoryDC src, mask;
    SelectScope selectSrc(src, image.picture);
    SelectScope selectMask(mask, image.mask);
    // Colour to monochrome: pixels of the background colour become 1.
    ::SetBkColor(src, transparent);
    ::BitBlt(mask, 0, 0, info.bmWidth, info.bmHeight, src, 0, 0, SRCCOPY);
    // Blacken the transparent pixels so the picture can be ORed onto the hole.
    ::SetBkColor(src, RGB(255, 255, 255));
    ::SetTextColor(src, RGB(0, 0, 0));
    ::BitBlt(src, 0, 0, info.bmWidth, info.bmHeight, mask, 0, 0, 0x00220326 /* DSna */);
    return kBitmapOk;
}

int CSkinButton::SetBitmaps(UINT inId, COLORREF inTransparent, UINT outId, COLORREF outTransparent)
{
    HBITMAP in = inId ? ::LoadBitmapA(m_imageModule, MAKEINTRESOURCEA(inId)) : nullptr;
    HBITMAP out = outId ? ::LoadBitmapA(m_imageModule, MAKEINTRESOURCEA(outId)) : nullptr;
    return SetBitmaps(in, inTransparent, out, outTransparent);
}

int CSkinButton::SetBitmaps(HBITMAP in, COLORREF inTransparent, HBITMAP out, COLORREF outTransparent)
{
    m_in = Image{};
    m_out = Image{};
    int result = MakeImage(in, inTransparent, m_in);
    if (result == kBitmapOk && out)
        result = MakeImage(out, outTransparent, m_out);
    else if (out)
        ::DeleteObject(out);
    if (result != kBitmapOk) {
        m_in = Image{};
        m_out = Image{};
    }
    if (m_hWnd)
        Invalidate();
    return result;
}

int CSkinButton::SetAlign(int align, bool repaint)
{
    if (align < kAlignCentre || align > kAlignRightHalf)
        return kAlignRefused;
    m_align = align;
    if (repaint && m_hWnd)
        Invalidate();
    return 0;
}

void CSkinButton::SetBold(bool bold)
{
    m_bold = bold;
    m_boldFont.Reset();
    if (bold && m_hWnd) {
        LOGFONTA lf{};
        HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        if (!font)
            font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        ::GetObjectA(font, sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        m_boldFont.Reset(::CreateFontIndirectA(&lf));
    }
    if (m_hWnd)
        Invalidate();
}

void CSkinButton::SetColour(ColourIndex index, COLORREF colour, bool repaint)
{
    if (index < 0 || index >= kColourCount)
        return;
    m_colours[index] = colour;
    if (repaint && m_hWnd)
        Invalidate();
}

void CSkinButton::SetTooltipText(const std::string& text, bool activate)
{
    if (!m_hWnd)
        return;
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = m_hWnd;
    ti.uId = kToolId;
    ti.hinst = nullptr;
    ti.lpszText = const_cast<char*>(text.c_str());
    if (!m_tooltip) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&icc);
        m_tooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, nullptr, nullptr);
        if (!m_tooltip)
            return;
        ti.rect = GetClientRect();
        ::SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ::SendMessageA(m_tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageA(m_tooltip, TTM_ACTIVATE, activate, 0);
}

void CSkinButton::SetCheck(bool checked, bool repaint)
{
    if (!m_checkBoxMode)
        return;
    m_checked = checked;
    if (repaint && m_hWnd)
        Invalidate();
}

void CSkinButton::SetURL(const char* address)
{
    m_url = address ? std::string(address).substr(0, kMaxUrl - 1) : std::string();
}

void CSkinButton::SetMenu(HMENU menu, HWND owner)
{
    if (m_menu && m_menu != menu)
        ::DestroyMenu(m_menu);
    m_menu = menu;
    m_menuOwner = owner;
}

void CSkinButton::OnMouseMove(POINT pt)
{
    POINT screen = pt;
    ::ClientToScreen(m_hWnd, &screen);
    HWND under = ::WindowFromPoint(screen);
    HWND active = ::GetActiveWindow();
    const bool activeOk = m_alwaysTrack || (active && (active == m_hWnd || ::IsChild(active, m_hWnd)));
    if (m_flat && under == m_hWnd && activeOk) {
        if (!m_over) {
            m_over = true;
            Invalidate();
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, m_hWnd, 0};
            ::TrackMouseEvent(&tme);
        }
    } else {
        LeaveOver();
    }
}

void CSkinButton::LeaveOver()
{
    if (m_over) {
        m_over = false;
        Invalidate();
    }
}

void CSkinButton::OnEnable(bool enabled)
{
    if (enabled)
        return;
    LeaveOver();
    // A disabled button must not keep the keyboard: pass it on. The system
    // may already have dropped the focus by the time WM_ENABLE arrives.
    HWND focus = ::GetFocus();
    if (focus == m_hWnd || (!focus && m_focusDropped)) {
        HWND parent = GetParent();
        HWND next = parent ? ::GetNextDlgTabItem(parent, m_hWnd, FALSE) : nullptr;
        ::SetFocus(next && next != m_hWnd ? next : parent);
    }
}

void CSkinButton::OnClicked()
{
    ::SetFocus(m_hWnd);
    if (m_checkBoxMode) {
        m_checked = !m_checked;
        Invalidate();
    } else if (m_menu) {
        RECT r = GetWindowRect();
        HMENU popup = ::GetSubMenu(m_menu, 0);
        if (popup)
            ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, r.left, r.bottom, 0,
                             m_menuOwner ? m_menuOwner : GetParent(), nullptr);
    } else if (!m_url.empty()) {
        ::ShellExecuteA(nullptr, "open", m_url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
}

bool CSkinButton::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_DRAWITEM:
        OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    case WM_COMMAND:
        if (decode::CommandCode(wp) == BN_CLICKED)
            OnClicked();
        return false;  // the parent still hears of the click
    }
    return false;
}

LRESULT CSkinButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (m_tooltip && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
        MSG relay{m_hWnd, msg, wp, lp, static_cast<DWORD>(::GetMessageTime()), {}};
        ::SendMessageA(m_tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    }
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_BUTTON | (m_default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE:
        // The dialog manager moves the default-button look around: remember it
        // but stay owner-drawn.
        m_default = (wp & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        return CallPrevious(msg, (wp & ~BS_TYPEMASK) | BS_OWNERDRAW, lp);
    case BM_SETCHECK:
        SetCheck(wp == BST_CHECKED);
        return 0;
    case BM_GETCHECK:
        return m_checked ? BST_CHECKED : BST_UNCHECKED;
    case WM_LBUTTONDBLCLK:
        // A double click is a second press.
        return CallPrevious(WM_LBUTTONDOWN, wp, lp);
    case WM_MOUSEMOVE:
        if (!(wp & MK_LBUTTON) || m_over)
            OnMouseMove(decode::Point(lp));
        break;
    case WM_MOUSELEAVE:
    case WM_CANCELMODE:
        LeaveOver();
        break;
    case WM_SETFOCUS:
        m_focusDropped = false;
        break;
    case WM_KILLFOCUS:
        m_focusDropped = wp == 0;
        LeaveOver();
        break;
    case WM_ENABLE:
        OnEnable(wp != 0);
        break;
    case WM_SETCURSOR:
        if (m_cursor) {
            ::SetCursor(m_cursor);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return TRUE;  // the whole face is drawn in WM_DRAWITEM
    }
    return CWnd::WindowProc(msg, wp, lp);
}

void CSkinButton::DrawImage(HDC dc, const Image& image, const RECT& at, bool disabled) const
{
    const int w = Width(at), h = Height(at);
    if (disabled && m_showDisabledImage) {
        ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(image.picture.Get()), 0, at.left, at.top, w, h,
                     DST_BITMAP | DSS_DISABLED);
        return;
    }
    MemoryDC src(dc), mask(dc);
    SelectScope selectSrc(src, image.picture);
    SelectScope selectMask(mask, image.mask);
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::BitBlt(dc, at.left, at.top, w, h, mask, 0, 0, SRCAND);
    ::BitBlt(dc, at.left, at.top, w, h, src, 0, 0, SRCPAINT);
}

void CSkinButton::DrawCaption(HDC dc, RECT rect, const std::string& caption, bool pressed, bool disabled,
                              COLORREF fore) const
{
    HFONT font =
        m_bold && m_boldFont ? m_boldFont.Get() : reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    SelectScope selectFont(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, disabled ? ::GetSysColor(COLOR_BTNSHADOW) : fore);
    if (pressed)
        ::OffsetRect(&rect, 1, 1);
    UINT format = DT_CENTER | DT_NOPREFIX;
    if (m_singleLine) {
        format |= DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    } else {
        // Word-wrapped captions are centred vertically by measuring first.
        RECT measure = rect;
        int height = ::DrawTextA(dc, caption.c_str(), -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        rect.top += (Height(rect) - height) / 2;
        format |= DT_WORDBREAK;
    }
    ::DrawTextA(dc, caption.c_str(), -1, &rect, format);
}

void CSkinButton::OnDrawItem(const DRAWITEMSTRUCT& dis)
{
    m_pressed = (dis.itemState & ODS_SELECTED) != 0;
    m_focused = (dis.itemState & ODS_FOCUS) != 0;
    m_disabled = (dis.itemState & ODS_DISABLED) != 0;
    const RECT client = dis.rcItem;
    const int w = Width(client), h = Height(client);

    // Draw off screen so hovering does not flicker.
    MemoryDC dc(dis.hDC);
    Bitmap canvas(::CreateCompatibleBitmap(dis.hDC, w, h));
    SelectScope selectCanvas(dc, canvas);
    const RECT local{0, 0, w, h};

    int back = kBackOut, fore = kForeOut;
    if (m_over || m_pressed) {
        back = kBackIn;
        fore = kForeIn;
    } else if (m_focused) {
        back = kBackFocus;
        fore = kForeFocus;
    }
    Brush background(::CreateSolidBrush(m_colours[back]));
    ::FillRect(dc, &local, background);

    const std::string caption = GetWindowText();
    const bool lit = m_checkBoxMode ? m_checked : (m_over || m_pressed);
    const Image* image = lit || !m_out.picture ? &m_in : &m_out;
    Placement place{local, local};
    if (image->picture) {
        place = PlaceImage(local, SIZE{image->width, image->height}, !caption.empty(), m_align, m_origin, m_pressed,
                           m_checkBoxMode);
        DrawImage(dc, *image, place.image, m_disabled);
    }

    if (m_flat) {
        if (m_drawBorder && (m_over || m_pressed)) {
            RECT edge = local;
            ::DrawEdge(dc, &edge, m_pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
    } else {
        RECT frame = local;
        ::DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (m_pressed ? DFCS_PUSHED : 0));
        if (m_focused) {
            RECT focus = local;
            ::InflateRect(&focus, -3, -3);
            ::DrawFocusRect(dc, &focus);
        }
    }

    if (!caption.empty())
        DrawCaption(dc, place.caption, caption, m_pressed, m_disabled, m_colours[fore]);

    ::BitBlt(dis.hDC, client.left, client.top, w, h, dc, 0, 0, SRCCOPY);
}
