#include "controls/menu_xp.h"

#include <algorithm>

namespace {

constexpr COLORREF kDefaultTitleTop = RGB(0, 0, 192);
constexpr COLORREF kDefaultTitleBottom = RGB(0, 0, 0);
constexpr COLORREF kTitleText = RGB(255, 255, 255);
constexpr COLORREF kFrame = RGB(0, 0, 0);
constexpr COLORREF kIconShadow = RGB(128, 128, 128);
constexpr int kGradientSteps = 256;
constexpr int kTitleFontHeight = 16;
constexpr int kTitleTextLeft = 2;
constexpr int kTitleTextTop = 4;
constexpr int kCellMargin = 4;  // the icon cell is imageSize + this wide
constexpr int kTextGap = 2;
// Draws the brush where the monochrome source is 0 and keeps the
// destination where it is 1 (PSDPxax).
constexpr DWORD kRopBrushThroughMask = 0x00B8074A;

int Channel(int from, int to, int step, int steps)
{
    if (steps <= 1)
        return from;
    const int span = steps - 1;
    const int delta = (to - from) * step;
    // Nearest whole value, also for a falling channel.
    return from + (delta >= 0 ? (delta + span / 2) / span : -((-delta + span / 2) / span));
}

void Fill(HDC dc, const RECT& rect, COLORREF colour)
{
    ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void Frame(HDC dc, const RECT& rect, COLORREF colour)
{
    Brush brush(::CreateSolidBrush(colour));
    ::FrameRect(dc, &rect, brush);
}

LOGFONTA SystemMenuFont()
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return metrics.lfMenuFont;
    LOGFONTA font{};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    return font;
}

// The icon's shape (its mask) in `colour` at (x, y), size x size.
void DrawIconShape(HDC dc, HICON icon, int x, int y, int size, COLORREF colour)
{
    MemoryDC maskDc(dc);
    Bitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
    if (!maskDc || !mask)
        return;
    SelectScope selectMask(maskDc, mask);
    ::PatBlt(maskDc, 0, 0, size, size, WHITENESS);
    ::DrawIconEx(maskDc, 0, 0, icon, size, size, 0, nullptr, DI_MASK);
    Brush brush(::CreateSolidBrush(colour));
    DcState state(dc);
    ::SelectObject(dc, brush);
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::BitBlt(dc, x, y, size, size, maskDc, 0, 0, kRopBrushThroughMask);
}

constexpr LONG kExtendedKeyBit = 1L << 24;

bool IsExtendedKey(WORD key)
{
    switch (key) {
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_DIVIDE:
        return true;
    default:
        return false;
    }
}

}  // namespace

// ---- Items ----------------------------------------------------------------

CMenuXPItem::~CMenuXPItem()
{
    if (icon)
        ::DestroyIcon(icon);
}

void CMenuXPItem::Measure(MEASUREITEMSTRUCT& measure)
{
    if (m_menu)
        m_menu->MeasureItem(measure);
}

void CMenuXPItem::Draw(const DRAWITEMSTRUCT& draw)
{
    if (m_menu)
        m_menu->DrawItem(draw);
}

// ---- Plain rules ------------------------------------------------------------

namespace menu_xp {

COLORREF StepColour(COLORREF from, COLORREF to, int step, int steps)
{
    return RGB(Channel(GetRValue(from), GetRValue(to), step, steps),
               Channel(GetGValue(from), GetGValue(to), step, steps),
               Channel(GetBValue(from), GetBValue(to), step, steps));
}

COLORREF GradientPixel(COLORREF from, COLORREF to, int x, int y, int width, int height, int direction, int steps)
{
    steps = std::clamp(steps, 1, kGradientSteps);
    int position = y, span = height - 1;
    switch (direction) {
    case 2:
        position = x;
        span = width - 1;
        break;
    case 1:
        position = x + y;
        span = width + height - 2;
        break;
    case 3:
        position = (width - 1 - x) + y;
        span = width + height - 2;
        break;
    default:
        break;
    }
    if (span <= 0)
        return from;
    // Which of the steps this row falls on, to the nearest.
    const int step = static_cast<int>((static_cast<long long>(position) * (steps - 1) + span / 2) / span);
    return StepColour(from, to, step, steps);
}

HBITMAP CreateGradientBitmap(COLORREF from, COLORREF to, int width, int height, int direction, int steps)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
        return bitmap;
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = GradientPixel(from, to, x, y, width, height, direction, steps);
            pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
        }
    ::GdiFlush();
    return bitmap;
}

std::string AcceleratorText(const ACCEL& accel)
{
    std::string text;
    if (accel.fVirt & FCONTROL)
        text += "Ctrl+";
    if (accel.fVirt & FSHIFT)
        text += "Shift+";
    if (accel.fVirt & FALT)
        text += "Alt+";
    if (accel.fVirt & FVIRTKEY) {
        char name[64] = {};
        LONG scan = static_cast<LONG>(::MapVirtualKeyA(accel.key, MAPVK_VK_TO_VSC) << 16);
        // Without the extended bit Delete, Home or an arrow is named as
        // its twin on the numeric keypad.
        if (IsExtendedKey(accel.key))
            scan |= kExtendedKeyBit;
        if (::GetKeyNameTextA(scan, name, static_cast<int>(sizeof name)) > 0)
            text += name;
    } else if (accel.key != 27) {
        text += static_cast<char>(accel.key);
    }
    return text;
}

SIZE ItemSize(const CMenuXPItem& item, SIZE text, SIZE proposed, int menuHeight, int checkWidth)
{
    LONG width = proposed.cx, height = proposed.cy;
    if (item.title) {
        // One row, not none: Wine never draws an item with an empty
        // rectangle, and the bar is drawn when this item is.
        width = item.imageSize;
        height = 1;
    } else if (item.separator) {
        width = 0;
        height = menuHeight / 2;
    } else {
        height = std::max<LONG>(text.cy, item.imageSize + kCellMargin);
        if (!item.imageOnly)
            width = 2 * item.imageSize + 12 + text.cx;
    }
    // The system adds the check-mark width back; a narrow item must not
    // wrap round to a huge unsigned width.
    width += 1 - checkWidth;
    return SIZE{std::max<LONG>(width, 0), std::max<LONG>(height, 0)};
}

}  // namespace menu_xp

// ---- The menu ---------------------------------------------------------------

CMenuXP::CMenuXP() : m_menu(::CreatePopupMenu())
{
    LOGFONTA font = SystemMenuFont();
    m_font.Reset(::CreateFontIndirectA(&font));
    font.lfWeight = FW_BOLD;
    m_boldFont.Reset(::CreateFontIndirectA(&font));
    m_colours[kBackground] = ::GetSysColor(COLOR_MENU);
    m_colours[kSelectedBackground] = ::GetSysColor(COLOR_HIGHLIGHT);
    m_colours[kText] = ::GetSysColor(COLOR_MENUTEXT);
    m_colours[kSelectedText] = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    m_colours[kDisabledText] = ::GetSysColor(COLOR_GRAYTEXT);
    m_colours[kTitleTop] = kDefaultTitleTop;
    m_colours[kTitleBottom] = kDefaultTitleBottom;
    m_colours[kIconColumn] = ::GetSysColor(COLOR_MENU);
    SetColour(kBackground, m_colours[kBackground]);
}

CMenuXP::~CMenuXP()
{
    // The menu goes first: no draw request can reach an item being deleted.
    m_menu.Reset();
    m_items.clear();
}

void CMenuXP::SetColour(int slot, COLORREF colour)
{
    if (slot < 0 || slot >= kColourCount)
        return;
    m_colours[slot] = colour;
    if (slot == kBackground && m_menu) {
        // The margins round the items are the menu's to paint.
        Brush brush(::CreateSolidBrush(colour));
        MENUINFO info{};
        info.cbSize = sizeof info;
        info.fMask = MIM_BACKGROUND;
        info.hbrBack = brush;
        if (::SetMenuInfo(m_menu, &info))
            m_background = std::move(brush);
    }
}

COLORREF CMenuXP::GetColour(int slot) const
{
    return slot >= 0 && slot < kColourCount ? m_colours[slot] : CLR_INVALID;
}

bool CMenuXP::Append(UINT flags, UINT_PTR id, std::unique_ptr<CMenuXPItem> item)
{
    if (!item || !m_menu)
        return false;
    item->m_menu = this;
    const ULONG_PTR data = item->ItemData();
    // Owned from here on, whether the system took it or not.
    m_items.push_back(std::move(item));
    return ::AppendMenuA(m_menu, flags | MF_OWNERDRAW, id, reinterpret_cast<const char*>(data)) != FALSE;
}

bool CMenuXP::AppendTitle(std::unique_ptr<CMenuXPItem> item)
{
    if (!item)
        return false;
    item->title = 1;
    const UINT id = item->id;
    m_columnBreak = true;
    return Append(MF_SEPARATOR, id, std::move(item));
}

bool CMenuXP::AppendItem(UINT flags, std::unique_ptr<CMenuXPItem> item, const ACCEL* accel)
{
    if (!item)
        return false;
    if (m_columnBreak)
        flags |= MF_MENUBREAK;
    m_columnBreak = false;
    if (accel) {
        const std::string key = menu_xp::AcceleratorText(*accel);
        if (!key.empty())
            item->text += "\t" + key;
    }
    const UINT id = item->id;
    return Append(flags, id, std::move(item));
}

bool CMenuXP::AppendSeparatorXP()
{
    auto item = std::make_unique<CMenuXPItem>();
    item->separator = 1;
    item->imageSize = 16;
    UINT flags = MF_SEPARATOR;
    if (m_columnBreak)
        flags |= MF_MENUBREAK;
    m_columnBreak = false;
    return Append(flags, 0, std::move(item));
}

bool CMenuXP::Owns(ULONG_PTR itemData) const
{
    if (!itemData)
        return false;
    for (const auto& item : m_items)
        if (item->ItemData() == itemData)
            return true;
    return false;
}

bool CMenuXP::MeasureItem(MEASUREITEMSTRUCT& measure) const
{
    if (measure.CtlType != ODT_MENU || !Owns(measure.itemData))
        return false;
    const auto& item = *reinterpret_cast<const CMenuXPItem*>(measure.itemData);
    if (item.magic != CMenuXPItem::kMagic)
        return false;
    SIZE text{0, 0};
    if (!item.title && !item.separator) {
        ClientDC screen(nullptr);
        SelectScope font(screen, m_boldFont ? m_boldFont.Get() : m_font.Get());
        RECT r{0, 0, 0, 0};
        ::DrawTextA(screen, item.text.c_str(), -1, &r, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
        text = SIZE{r.right - r.left, r.bottom - r.top};
    }
    const SIZE size = menu_xp::ItemSize(item, text, SIZE{static_cast<LONG>(measure.itemWidth), 0},
                                        ::GetSystemMetrics(SM_CYMENU), ::GetSystemMetrics(SM_CXMENUCHECK));
    measure.itemWidth = static_cast<UINT>(size.cx);
    measure.itemHeight = static_cast<UINT>(size.cy);
    return true;
}

bool CMenuXP::DrawItem(const DRAWITEMSTRUCT& draw) const
{
    if (draw.CtlType != ODT_MENU || !draw.hDC || !Owns(draw.itemData))
        return false;
    const auto& item = *reinterpret_cast<const CMenuXPItem*>(draw.itemData);
    if (item.magic != CMenuXPItem::kMagic)
        return false;
    HDC dc = draw.hDC;
    DcState state(dc);
    const RECT& rect = draw.rcItem;
    if (item.title) {
        DrawTitle(dc, item, rect);
        return true;
    }
    if (item.separator) {
        DrawSeparator(dc, item, rect);
        return true;
    }
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const bool disabled = (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool checked = (draw.itemState & ODS_CHECKED) != 0;
    DrawBackground(dc, rect, selected, disabled);
    if (m_style == kXP && !(selected && !disabled))
        DrawIconArea(dc, item, rect);
    RECT cell = rect;
    if (!item.imageOnly)
        cell.right = std::min(rect.right, rect.left + item.imageSize + kCellMargin);
    if (item.icon || checked)
        DrawButton(dc, cell, selected, disabled, checked);
    if (item.icon)
        DrawIcon(dc, item, cell, selected, disabled);
    else if (checked)
        DrawCheckMark(dc, cell);
    if (!item.imageOnly) {
        RECT textRect{cell.right + kTextGap, rect.top, rect.right - item.imageSize, rect.bottom};
        DrawMenuText(dc, item, textRect, selected, disabled, (draw.itemState & ODS_DEFAULT) != 0);
    }
    return true;
}

UINT CMenuXP::Track(POINT screen, UINT flags, const PopupCallbacks& callbacks) const
{
    return TrackOwnerDrawPopup(m_menu, screen, flags, callbacks);
}

// ---- Drawing ----------------------------------------------------------------

void CMenuXP::DrawTitle(HDC dc, const CMenuXPItem& item, const RECT& rect) const
{
    // The bar runs the menu's full height: the window's when the DC has one
    // (a partial repaint must not squeeze the gradient), else the clip box.
    RECT bar{};
    ::GetClipBox(dc, &bar);
    if (HWND window = ::WindowFromDC(dc)) {
        RECT client{};
        if (::GetClientRect(window, &client) && client.bottom > client.top) {
            bar.top = client.top;
            bar.bottom = client.bottom;
        }
    }
    bar.left = rect.left;
    bar.right = rect.right;
    const int width = bar.right - bar.left + 3;
    const int height = bar.bottom - bar.top;
    Bitmap gradient(
        menu_xp::CreateGradientBitmap(m_colours[kTitleTop], m_colours[kTitleBottom], width, height, 0, kGradientSteps));
    if (gradient) {
        MemoryDC source(dc);
        SelectScope select(source, gradient);
        ::BitBlt(dc, bar.left, bar.top, width, height, source, 0, 0, SRCCOPY);
    }
    Font font(::CreateFontA(kTitleFontHeight, 0, 900, 900, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial"));
    SelectScope selectFont(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kTitleText);
    ::SetTextAlign(dc, TA_RIGHT | TA_TOP | TA_NOUPDATECP);
    ::TextOutA(dc, bar.left + kTitleTextLeft, bar.top + kTitleTextTop, item.text.c_str(),
               static_cast<int>(item.text.size()));
}

void CMenuXP::DrawSeparator(HDC dc, const CMenuXPItem& item, const RECT& rect) const
{
    DrawBackground(dc, rect, false, false);
    if (m_style == kXP)
        DrawIconArea(dc, item, rect);
    RECT line = rect;
    line.top = (rect.top + rect.bottom) / 2;
    if (m_style == kXP)
        line.left = std::min(rect.right, rect.left + item.imageSize + kCellMargin);
    ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
}

void CMenuXP::DrawBackground(HDC dc, const RECT& rect, bool selected, bool disabled) const
{
    const bool highlight = selected && !(m_style == kXP && disabled);
    Fill(dc, rect, m_colours[highlight ? kSelectedBackground : kBackground]);
    if (m_style == kXP && selected && !disabled)
        Frame(dc, rect, kFrame);
}

void CMenuXP::DrawIconArea(HDC dc, const CMenuXPItem& item, const RECT& rect) const
{
    RECT column = rect;
    column.right = std::min(rect.right, rect.left + item.imageSize + kCellMargin);
    Fill(dc, column, m_colours[kIconColumn]);
}

void CMenuXP::DrawButton(HDC dc, const RECT& cell, bool selected, bool disabled, bool checked) const
{
    if (m_style == kXP) {
        if (checked && !selected) {
            Fill(dc, cell, m_colours[kSelectedBackground]);
            Frame(dc, cell, kFrame);
        }
        return;
    }
    Fill(dc, cell, checked && !selected ? ::GetSysColor(COLOR_BTNHIGHLIGHT) : m_colours[kBackground]);
    if ((selected || checked) && !disabled) {
        RECT edge = cell;
        ::DrawEdge(dc, &edge, selected ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
    }
}

void CMenuXP::DrawIcon(HDC dc, const CMenuXPItem& item, const RECT& cell, bool selected, bool disabled) const
{
    const int size = item.imageSize;
    const int x = cell.left + (cell.right - cell.left - size) / 2;
    const int y = cell.top + (cell.bottom - cell.top - size) / 2;
    if (disabled) {
        DrawIconShape(dc, item.icon, x + 1, y + 1, size, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawIconShape(dc, item.icon, x, y, size, ::GetSysColor(COLOR_BTNSHADOW));
    } else if (m_style == kXP && selected) {
        DrawIconShape(dc, item.icon, x + 1, y + 1, size, kIconShadow);
        ::DrawIconEx(dc, x - 1, y - 1, item.icon, size, size, 0, nullptr, DI_NORMAL);
    } else {
        ::DrawIconEx(dc, x, y, item.icon, size, size, 0, nullptr, DI_NORMAL);
    }
}

void CMenuXP::DrawCheckMark(HDC dc, const RECT& cell) const
{
    const int cx = (cell.left + cell.right) / 2;
    const int cy = (cell.top + cell.bottom) / 2;
    Pen pen(::CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    SelectScope select(dc, pen);
    for (int k = 0; k < 3; ++k) {
        const POINT tick[3] = {{cx - 3, cy - 1 + k}, {cx - 1, cy + 1 + k}, {cx + 4, cy - 4 + k}};
        ::Polyline(dc, tick, 3);
    }
}

void CMenuXP::DrawMenuText(HDC dc, const CMenuXPItem& item, const RECT& rect, bool selected, bool disabled,
                           bool isDefault) const
{
    SelectScope font(dc, isDefault ? m_boldFont.Get() : m_font.Get());
    ::SetBkMode(dc, TRANSPARENT);
    if (disabled) {
        if (!(m_style == kClassic && selected)) {
            RECT shadow = rect;
            ::OffsetRect(&shadow, 1, 1);
            ::SetTextColor(dc, m_colours[kSelectedText]);
            DrawTabbedText(dc, item.text, shadow);
        }
        ::SetTextColor(dc, m_colours[kDisabledText]);
    } else {
        ::SetTextColor(dc, m_colours[selected ? kSelectedText : kText]);
    }
    DrawTabbedText(dc, item.text, rect);
}

void CMenuXP::DrawTabbedText(HDC dc, const std::string& text, RECT rect) const
{
    const size_t tab = text.find('\t');
    const UINT format = DT_SINGLELINE | DT_VCENTER;
    ::DrawTextA(dc, text.substr(0, tab).c_str(), -1, &rect, format | DT_LEFT);
    if (tab != std::string::npos)
        ::DrawTextA(dc, text.substr(tab + 1).c_str(), -1, &rect, format | DT_RIGHT);
}
