// The XP menu: sizes against the system's metrics, pixels drawn on an
// off-screen bitmap, foreign item data, the title's gradient and column,
// and a real popup chosen from with the keyboard.
#include "controls/menu_xp.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kBack = RGB(220, 225, 245);
constexpr COLORREF kSelBack = RGB(255, 255, 255);
constexpr COLORREF kColumn = RGB(200, 210, 230);
constexpr COLORREF kTop = RGB(42, 50, 96);
constexpr COLORREF kBottom = RGB(142, 156, 201);

// A 32-bit bitmap to draw items on, read back pixel by pixel.
class Canvas {
public:
    Canvas(int w, int h) : m_dc(nullptr)
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        m_bitmap.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_old = ::SelectObject(m_dc, m_bitmap);
        ::PatBlt(m_dc, 0, 0, w, h, BLACKNESS);
    }
    ~Canvas() { ::SelectObject(m_dc, m_old); }
    operator HDC() const { return m_dc; }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc, x, y); }

private:
    MemoryDC m_dc;
    Bitmap m_bitmap;
    HGDIOBJ m_old;
};

DRAWITEMSTRUCT DrawRequest(HDC dc, const CMenuXPItem* item, RECT rect, UINT state)
{
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_MENU;
    d.itemID = item->id;
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = state;
    d.hDC = dc;
    d.rcItem = rect;
    d.itemData = item->ItemData();
    return d;
}

MEASUREITEMSTRUCT MeasureRequest(const CMenuXPItem* item)
{
    MEASUREITEMSTRUCT m{};
    m.CtlType = ODT_MENU;
    m.itemID = item->id;
    m.itemData = item->ItemData();
    return m;
}

// A 16x16 icon: a filled square in `colour` inset by 3 pixels, the rest transparent.
HICON SquareIcon(COLORREF colour)
{
    ClientDC screen(nullptr);
    Bitmap colourBits(::CreateCompatibleBitmap(screen, 16, 16));
    Bitmap mask(::CreateBitmap(16, 16, 1, 1, nullptr));
    MemoryDC dc(screen);
    {
        SelectScope s(dc, colourBits);
        ::PatBlt(dc, 0, 0, 16, 16, BLACKNESS);
        Brush b(::CreateSolidBrush(colour));
        RECT r{3, 3, 13, 13};
        ::FillRect(dc, &r, b);
    }
    {
        SelectScope s(dc, mask);
        ::PatBlt(dc, 0, 0, 16, 16, WHITENESS);
        RECT r{3, 3, 13, 13};
        ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    ICONINFO info{TRUE, 0, 0, mask, colourBits};
    return ::CreateIconIndirect(&info);
}

CMenuXPItem* Add(CMenuXP& menu, UINT id, const char* text, HICON icon = nullptr, UINT flags = 0)
{
    auto item = std::make_unique<CMenuXPItem>(id, text, icon);
    CMenuXPItem* raw = item.get();
    EXPECT_TRUE(menu.AppendItem(flags, std::move(item)));
    return raw;
}

UINT TypeAt(const CMenuXP& menu, UINT position)
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    ::GetMenuItemInfoA(menu.Handle(), position, TRUE, &info);
    return info.fType;
}

}  // namespace

TEST(MenuXP, ItemSizesFollowTheSystemMetricsAndNeverGoNegative)
{
    CMenuXP menu;
    CMenuXPItem* item = Add(menu, 7, "Add contact");
    ASSERT_TRUE(menu.AppendTitle(std::make_unique<CMenuXPItem>(0, "QUARNE")));
    ASSERT_TRUE(menu.AppendSeparatorXP());
    const int check = ::GetSystemMetrics(SM_CXMENUCHECK);

    SIZE text{};
    {
        ClientDC screen(nullptr);
        SelectScope font(screen, menu.BoldFont());
        ASSERT_TRUE(::GetTextExtentPoint32A(screen, "Add contact", 11, &text));
    }
    MEASUREITEMSTRUCT m = MeasureRequest(item);
    ASSERT_TRUE(menu.MeasureItem(m));
    EXPECT_EQ(static_cast<UINT>(2 * 16 + 12 + text.cx + 1 - check), m.itemWidth);
    EXPECT_EQ(static_cast<UINT>(std::max<LONG>(text.cy, 20)), m.itemHeight);

    // The title (position 1) is a bar one row high; the separator (2) is
    // narrower than the check mark the system adds back: zero, not a
    // wrapped-round huge width.
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    ASSERT_TRUE(::GetMenuItemInfoA(menu.Handle(), 1, TRUE, &info));
    m = MeasureRequest(reinterpret_cast<const CMenuXPItem*>(info.dwItemData));
    ASSERT_TRUE(menu.MeasureItem(m));
    EXPECT_EQ(static_cast<UINT>(std::max(0, 16 + 1 - check)), m.itemWidth);
    EXPECT_EQ(1u, m.itemHeight);
    ASSERT_TRUE(::GetMenuItemInfoA(menu.Handle(), 2, TRUE, &info));
    m = MeasureRequest(reinterpret_cast<const CMenuXPItem*>(info.dwItemData));
    ASSERT_TRUE(menu.MeasureItem(m));
    EXPECT_EQ(0u, m.itemWidth);
    EXPECT_EQ(static_cast<UINT>(::GetSystemMetrics(SM_CYMENU) / 2), m.itemHeight);

    // The plain rule at the edges: a check mark wider than the item.
    CMenuXPItem sep;
    sep.separator = 1;
    EXPECT_EQ(0, menu_xp::ItemSize(sep, SIZE{}, SIZE{}, 19, 30).cx);
    EXPECT_EQ(9, menu_xp::ItemSize(sep, SIZE{}, SIZE{}, 19, 30).cy);
    CMenuXPItem imageOnly;
    imageOnly.imageOnly = 1;
    EXPECT_EQ(41, menu_xp::ItemSize(imageOnly, SIZE{50, 13}, SIZE{50, 0}, 19, 10).cx) << "keeps what was proposed";
}

TEST(MenuXP, ForeignItemDataIsLeftToItsOwner)
{
    CMenuXP menu, other;
    Add(menu, 1, "ours");
    CMenuXPItem* theirs = Add(other, 2, "another menu's");
    CMenuXPItem loose;  // carries the magic but belongs to no menu

    for (ULONG_PTR data :
         {static_cast<ULONG_PTR>(0x7FFF1234), theirs->ItemData(), loose.ItemData(), static_cast<ULONG_PTR>(0)}) {
        MEASUREITEMSTRUCT m{ODT_MENU, 0, 2, 77, 88, data};
        EXPECT_FALSE(menu.MeasureItem(m));
        EXPECT_EQ(77u, m.itemWidth);
        EXPECT_EQ(88u, m.itemHeight);

        Canvas canvas(40, 20);
        DRAWITEMSTRUCT d{ODT_MENU, 0, 2, ODA_DRAWENTIRE, ODS_SELECTED, nullptr, canvas, RECT{0, 0, 40, 20}, data};
        EXPECT_FALSE(menu.DrawItem(d));
        EXPECT_EQ(RGB(0, 0, 0), canvas.At(20, 10)) << "nothing drawn";
    }
    // A control's measure request is not a menu item's either.
    MEASUREITEMSTRUCT control{ODT_LISTBOX, 5, 0, 1, 1, theirs->ItemData()};
    EXPECT_FALSE(other.MeasureItem(control));
}

TEST(MenuXP, ItemsDrawTheirStatesInTheXpStyle)
{
    CMenuXP menu;
    menu.SetStyle(CMenuXP::kXP);
    menu.SetColour(CMenuXP::kBackground, kBack);
    menu.SetColour(CMenuXP::kSelectedBackground, kSelBack);
    menu.SetColour(CMenuXP::kIconColumn, kColumn);
    CMenuXPItem* item = Add(menu, 3, "Call", SquareIcon(RGB(255, 0, 0)));
    const RECT rect{0, 0, 120, 22};

    Canvas plain(120, 22);
    ASSERT_TRUE(menu.DrawItem(DrawRequest(plain, item, rect, 0)));
    EXPECT_EQ(kColumn, plain.At(1, 1)) << "icon column";
    EXPECT_EQ(kBack, plain.At(100, 1)) << "item background";
    EXPECT_EQ(RGB(255, 0, 0), plain.At(10, 11)) << "icon in its cell";

    Canvas selected(120, 22);
    ASSERT_TRUE(menu.DrawItem(DrawRequest(selected, item, rect, ODS_SELECTED)));
    EXPECT_EQ(RGB(0, 0, 0), selected.At(0, 0)) << "frame";
    EXPECT_EQ(RGB(0, 0, 0), selected.At(119, 21)) << "frame";
    EXPECT_EQ(kSelBack, selected.At(1, 1)) << "no icon column under the selection";
    EXPECT_EQ(kSelBack, selected.At(100, 1));
    EXPECT_EQ(RGB(255, 0, 0), selected.At(8, 9)) << "icon lifted one pixel";
    EXPECT_EQ(RGB(128, 128, 128), selected.At(15, 16)) << "its shadow below right";

    Canvas disabled(120, 22);
    ASSERT_TRUE(menu.DrawItem(DrawRequest(disabled, item, rect, ODS_SELECTED | ODS_GRAYED)));
    EXPECT_EQ(kBack, disabled.At(100, 1)) << "a disabled item is not highlighted";
    EXPECT_NE(RGB(0, 0, 0), disabled.At(0, 0)) << "nor framed";
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), disabled.At(10, 11)) << "embossed icon";

    // The classic style highlights with the selection colour and no frame.
    menu.SetStyle(CMenuXP::kClassic);
    Canvas classic(120, 22);
    ASSERT_TRUE(menu.DrawItem(DrawRequest(classic, item, rect, ODS_SELECTED)));
    EXPECT_EQ(kSelBack, classic.At(100, 1));
    EXPECT_EQ(RGB(255, 0, 0), classic.At(10, 11));
}

TEST(MenuXP, SeparatorIsAnEtchedLineHalfAMenuLineHigh)
{
    CMenuXP menu;
    menu.SetColour(CMenuXP::kBackground, kBack);
    ASSERT_TRUE(menu.AppendSeparatorXP());
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    ASSERT_TRUE(::GetMenuItemInfoA(menu.Handle(), 0, TRUE, &info));
    const auto* sep = reinterpret_cast<const CMenuXPItem*>(info.dwItemData);
    Canvas canvas(60, 10);
    ASSERT_TRUE(menu.DrawItem(DrawRequest(canvas, sep, RECT{0, 0, 60, 10}, 0)));
    EXPECT_EQ(kBack, canvas.At(30, 1));
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), canvas.At(30, 5)) << "etched line in the middle";
    EXPECT_EQ(::GetSysColor(COLOR_BTNHIGHLIGHT), canvas.At(30, 6));
}

TEST(MenuXP, TitleGradientFillsABarShorterThanItsSteps)
{
    CMenuXP menu;
    menu.SetColour(CMenuXP::kTitleTop, kTop);
    menu.SetColour(CMenuXP::kTitleBottom, kBottom);
    ASSERT_TRUE(menu.AppendTitle(std::make_unique<CMenuXPItem>(0, "")));
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    ASSERT_TRUE(::GetMenuItemInfoA(menu.Handle(), 0, TRUE, &info));
    const auto* title = reinterpret_cast<const CMenuXPItem*>(info.dwItemData);

    // 101 rows: the bar takes the DC's full height, from the top colour to the bottom one.
    Canvas canvas(40, 101);
    ASSERT_TRUE(menu.DrawItem(DrawRequest(canvas, title, RECT{0, 0, 20, 0}, 0)));
    EXPECT_EQ(kTop, canvas.At(5, 0));
    EXPECT_EQ(kBottom, canvas.At(5, 100));
    EXPECT_EQ(menu_xp::StepColour(kTop, kBottom, 128, 256), canvas.At(5, 50)) << "the middle step";
    EXPECT_EQ(kTop, canvas.At(22, 0)) << "three pixels wider than the bar";
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(23, 50)) << "and no more";

    // One row and none: no division by zero.
    EXPECT_EQ(kTop, menu_xp::GradientPixel(kTop, kBottom, 0, 0, 10, 1, 0, 256));
    EXPECT_EQ(nullptr, menu_xp::CreateGradientBitmap(kTop, kBottom, 10, 0, 0, 256));
    Canvas flat(40, 1);
    EXPECT_TRUE(menu.DrawItem(DrawRequest(flat, title, RECT{0, 0, 20, 0}, 0)));
    EXPECT_EQ(kTop, flat.At(5, 0));
    // Left to right, and step counts above 256 are held to 256.
    EXPECT_EQ(kBottom, menu_xp::GradientPixel(kTop, kBottom, 9, 0, 10, 1, 2, 1000));
    EXPECT_EQ(RGB(100, 0, 255), menu_xp::StepColour(RGB(200, 0, 255), RGB(0, 0, 255), 1, 3));
}

TEST(MenuXP, TitleStartsAColumnEvenWhenASeparatorFollowsIt)
{
    CMenuXP menu;
    menu.AppendTitle(std::make_unique<CMenuXPItem>(0, "QUARNE"));
    menu.AppendSeparatorXP();
    Add(menu, 1, "one");
    menu.AppendSeparatorXP();
    Add(menu, 2, "two");
    EXPECT_TRUE(TypeAt(menu, 0) & MFT_SEPARATOR);
    EXPECT_TRUE(TypeAt(menu, 1) & MFT_MENUBREAK) << "the separator opens the items' column";
    EXPECT_FALSE(TypeAt(menu, 2) & MFT_MENUBREAK);
    EXPECT_FALSE(TypeAt(menu, 3) & MFT_MENUBREAK);
    EXPECT_FALSE(TypeAt(menu, 4) & MFT_MENUBREAK);

    CMenuXP direct;
    direct.AppendTitle(std::make_unique<CMenuXPItem>(0, "QUARNE"));
    Add(direct, 1, "one");
    Add(direct, 2, "two");
    EXPECT_TRUE(TypeAt(direct, 1) & MFT_MENUBREAK);
    EXPECT_FALSE(TypeAt(direct, 2) & MFT_MENUBREAK);
}

TEST(MenuXP, AcceleratorNamesFollowTheCaption)
{
    EXPECT_EQ("Ctrl+Shift+Alt+A", menu_xp::AcceleratorText(ACCEL{FCONTROL | FSHIFT | FALT, 'A', 1}));
    EXPECT_EQ("", menu_xp::AcceleratorText(ACCEL{0, 27, 1}));
    char name[64] = {};
    // Delete is an extended key: not the keypad's Delete.
    ::GetKeyNameTextA(static_cast<LONG>(::MapVirtualKeyA(VK_DELETE, MAPVK_VK_TO_VSC) << 16) | (1L << 24), name, 64);
    EXPECT_EQ(std::string("Ctrl+") + name, menu_xp::AcceleratorText(ACCEL{FCONTROL | FVIRTKEY, VK_DELETE, 1}));
    ::GetKeyNameTextA(static_cast<LONG>(::MapVirtualKeyA('K', MAPVK_VK_TO_VSC) << 16), name, 64);
    EXPECT_EQ(name, menu_xp::AcceleratorText(ACCEL{FVIRTKEY, 'K', 1}));

    CMenuXP menu;
    const ACCEL accel{FCONTROL, 'N', 5};
    auto item = std::make_unique<CMenuXPItem>(5, "New");
    CMenuXPItem* raw = item.get();
    menu.AppendItem(0, std::move(item), &accel);
    EXPECT_EQ("New\tCtrl+N", raw->text);
}

namespace {

int g_ticks = 0;

void PostKey(HWND to, WPARAM key)
{
    ::PostMessageA(to, WM_KEYDOWN, key, 1);
    ::PostMessageA(to, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

// Inside the menu's own loop: go down two items (the title and the
// separator are skipped) and choose. A menu still open a second later is
// closed, so a fault cannot hang the run.
void CALLBACK ChooseSecond(HWND, UINT, UINT_PTR, DWORD)
{
    HWND popup = ::FindWindowA("#32768", nullptr);
    if (++g_ticks == 2 && popup) {
        PostKey(popup, VK_DOWN);
        PostKey(popup, VK_DOWN);
        PostKey(popup, VK_RETURN);
    } else if (g_ticks > 10) {
        ::EndMenu();
    }
}

// The title as the system asks it to draw itself. (Wine's menu window
// cannot be read back, so its pixels are checked off screen above.)
class TitleProbe : public CMenuXPItem {
public:
    TitleProbe() : CMenuXPItem(0, "QUARNE") {}
    RECT drawn{0, 0, 0, 0};
    int menuHeight = 0;

    void Draw(const DRAWITEMSTRUCT& draw) override
    {
        CMenuXPItem::Draw(draw);
        drawn = draw.rcItem;
        RECT client{};
        ::GetClientRect(::WindowFromDC(draw.hDC), &client);
        menuHeight = client.bottom;
    }
};

}  // namespace

TEST(MenuXP, RealPopupIsDrawnAndChosenFromWithKeys)
{
    CMenuXP menu;
    menu.SetStyle(CMenuXP::kXP);
    menu.SetColour(CMenuXP::kTitleTop, kTop);
    menu.SetColour(CMenuXP::kTitleBottom, kBottom);
    auto probe = std::make_unique<TitleProbe>();
    TitleProbe* title = probe.get();
    menu.AppendTitle(std::move(probe));
    Add(menu, 101, "first", SquareIcon(RGB(0, 128, 0)));
    menu.AppendSeparatorXP();
    Add(menu, 102, "second");
    Add(menu, 103, "third");

    g_ticks = 0;
    // Away from the menu: the item under the pointer would be selected too.
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 150, ChooseSecond);
    EXPECT_EQ(102u, menu.Track(POINT{60, 60}));
    ::KillTimer(nullptr, timer);
    EXPECT_GT(title->drawn.right, title->drawn.left) << "the title was drawn";
    EXPECT_GT(title->menuHeight, 3 * 20) << "in the menu's own window";
}
