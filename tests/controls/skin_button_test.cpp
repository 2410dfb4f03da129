// CSkinButton: placement, states, clicks and drawing.
#include "controls/skin_button.h"
#include "framework/Gdi.h"
#include "support/ui_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr COLORREF kKey = RGB(35, 38, 81);
constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr COLORREF kRed = RGB(220, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 220);

bool SameRect(const RECT& a, const RECT& b)
{
    return ::EqualRect(&a, &b) != FALSE;
}

std::string Show(const RECT& r)
{
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

#define EXPECT_RECT(expected, actual) \
    EXPECT_TRUE(SameRect(expected, actual)) << Show(expected) << " vs " << Show(actual)

// A solid picture with the transparent colour in its top-left pixel.
HBITMAP MakePicture(COLORREF colour, int size = 10)
{
    ClientDC screen(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, size, size);
    MemoryDC dc(screen);
    SelectScope select(dc, bitmap);
    const RECT all{0, 0, size, size};
    ::FillRect(dc, &all, Brush(::CreateSolidBrush(colour)));
    ::SetPixel(dc, 0, 0, kKey);
    return bitmap;
}

// A push button of `style` in a framework parent, taken over by a CSkinButton.
struct Fixture {
    testui::TestParent parent;
    CSkinButton button;
    HWND hwnd = nullptr;

    explicit Fixture(DWORD style = BS_PUSHBUTTON, const char* caption = "")
    {
        hwnd = ::CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 10, 10, 60, 30,
                                 parent.Handle(), reinterpret_cast<HMENU>(101), nullptr, nullptr);
        button.SubclassWindow(hwnd);
    }

    // Draws the button into a bitmap the way its parent would ask it to.
    COLORREF PixelAfterDrawing(UINT itemState, int x, int y)
    {
        ClientDC screen(nullptr);
        MemoryDC dc(screen);
        Bitmap canvas(::CreateCompatibleBitmap(screen, 60, 30));
        SelectScope select(dc, canvas);
        DRAWITEMSTRUCT dis{ODT_BUTTON, 101, 0, ODA_DRAWENTIRE, itemState, hwnd, dc, RECT{0, 0, 60, 30}, 0};
        ::SendMessageA(parent.Handle(), WM_DRAWITEM, 101, reinterpret_cast<LPARAM>(&dis));
        return ::GetPixel(dc, x, y);
    }

    // A green background and pictures laid over it from the top-left corner.
    int Skin(HBITMAP in, HBITMAP out)
    {
        for (auto index : {CSkinButton::kBackIn, CSkinButton::kBackOut, CSkinButton::kBackFocus})
            button.SetColour(index, kGreen, false);
        button.SetAlign(CSkinButton::kAlignOverlap, false);
        return button.SetBitmaps(in, kKey, out, out ? kKey : 0);
    }

    int Clicks() const
    {
        int n = 0;
        for (auto& c : parent.commands)
            n += c.first == 101 && c.second == BN_CLICKED;
        return n;
    }
};

}  // namespace

TEST(SkinButtonPlacement, EveryAlignmentWithAndWithoutCaption)
{
    const RECT client{0, 0, 101, 40};
    const SIZE image{20, 10};
    const POINT origin{3, 3};
    struct Case {
        int align;
        bool caption;
        RECT image;
        RECT caption_;
    } cases[] = {
        {0, true, {0, 15, 20, 25}, client},
        {0, false, {40, 15, 60, 25}, client},
        {1, true, {40, 3, 60, 13}, {0, 10, 101, 40}},
        {1, false, {40, 15, 60, 25}, client},
        {2, true, {78, 15, 98, 25}, {3, 0, 78, 40}},
        {2, false, {40, 0, 60, 10}, client},
        {3, true, {0, 0, 20, 10}, client},
        {3, false, {0, 0, 20, 10}, client},
        {4, true, {0, 0, 20, 10}, {50, 0, 101, 40}},
        {4, false, {40, 15, 60, 25}, client},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("align " + std::to_string(c.align) + (c.caption ? " with caption" : " without caption"));
        const auto p = CSkinButton::PlaceImage(client, image, c.caption, c.align, origin, false, false);
        EXPECT_RECT(c.image, p.image);
        EXPECT_RECT(c.caption_, p.caption);
    }
}

TEST(SkinButtonSettings, AlignmentAboveFourAndMissingBitmapsAreRefused)
{
    CSkinButton button;
    EXPECT_EQ(CSkinButton::kAlignRefused, button.SetAlign(5, false));
    EXPECT_EQ(CSkinButton::kBitmapUnreadable, button.SetBitmaps(9999u, kKey, 0u, kKey));
    EXPECT_EQ(CSkinButton::kBitmapOk, button.SetBitmaps(MakePicture(kRed), kKey, nullptr, 0));
}

TEST(SkinButtonAttach, TemplateStyleDecidesDefaultAndCheckBoxModes)
{
    Fixture plain(BS_PUSHBUTTON);
    EXPECT_FALSE(plain.button.IsDefaultButton());
    EXPECT_FALSE(plain.button.IsCheckBoxMode());
    EXPECT_EQ(static_cast<LONG_PTR>(BS_OWNERDRAW), ::GetWindowLongPtrA(plain.hwnd, GWL_STYLE) & BS_TYPEMASK);
    EXPECT_EQ(DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON, ::SendMessageA(plain.hwnd, WM_GETDLGCODE, 0, 0));

    Fixture def(BS_DEFPUSHBUTTON);
    EXPECT_TRUE(def.button.IsDefaultButton());
    EXPECT_EQ(DLGC_BUTTON | DLGC_DEFPUSHBUTTON, ::SendMessageA(def.hwnd, WM_GETDLGCODE, 0, 0));
    // The dialog manager takes the default look away; the button stays owner-drawn.
    ::SendMessageA(def.hwnd, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_FALSE(def.button.IsDefaultButton());
    EXPECT_EQ(static_cast<LONG_PTR>(BS_OWNERDRAW), ::GetWindowLongPtrA(def.hwnd, GWL_STYLE) & BS_TYPEMASK);

    Fixture check(BS_AUTOCHECKBOX);
    EXPECT_TRUE(check.button.IsCheckBoxMode());
}

TEST(SkinButtonClicks, CheckBoxTogglesOnEveryClickAndAnswersCheckMessages)
{
    Fixture f(BS_AUTOCHECKBOX);
    EXPECT_EQ(BST_UNCHECKED, ::SendMessageA(f.hwnd, BM_GETCHECK, 0, 0));
    ::SendMessageA(f.hwnd, BM_CLICK, 0, 0);
    EXPECT_TRUE(f.button.GetCheck());
    EXPECT_EQ(BST_CHECKED, ::SendMessageA(f.hwnd, BM_GETCHECK, 0, 0));
    ::SendMessageA(f.hwnd, BM_CLICK, 0, 0);
    EXPECT_FALSE(f.button.GetCheck());
    ::SendMessageA(f.hwnd, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_TRUE(f.button.GetCheck());
    EXPECT_EQ(2, f.Clicks()) << "the parent still hears of each click";

    Fixture push(BS_PUSHBUTTON);
    ::SendMessageA(push.hwnd, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_FALSE(push.button.GetCheck()) << "a push button has no check state";
}

TEST(SkinButtonClicks, DoubleClickCountsAsTwoClicks)
{
    Fixture f;
    const LPARAM at = MAKELPARAM(5, 5);
    ::SendMessageA(f.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(f.hwnd, WM_LBUTTONUP, 0, at);
    ::SendMessageA(f.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::SendMessageA(f.hwnd, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(2, f.Clicks());
    for (auto& c : f.parent.commands)
        EXPECT_NE(BN_DOUBLECLICKED, c.second);
}

TEST(SkinButtonFocus, DisablingTheFocusedButtonHandsTheFocusOn)
{
    Fixture f;
    HWND next = ::CreateWindowExA(0, "BUTTON", "next", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 80, 10, 60, 30,
                                  f.parent.Handle(), reinterpret_cast<HMENU>(102), nullptr, nullptr);
    ::SetForegroundWindow(f.parent.Handle());
    ::SetFocus(f.hwnd);
    ASSERT_EQ(f.hwnd, ::GetFocus());
    ::EnableWindow(f.hwnd, FALSE);
    EXPECT_EQ(next, ::GetFocus());
}

TEST(SkinButtonTooltip, TooltipHasOneToolWithTheCaption)
{
    Fixture f(BS_PUSHBUTTON, "Caption");
    f.button.SetTooltipFromCaption();
    ASSERT_NE(nullptr, f.button.Tooltip());
    EXPECT_EQ(1, ::SendMessageA(f.button.Tooltip(), TTM_GETTOOLCOUNT, 0, 0));
    f.button.SetTooltipText("Other");
    EXPECT_EQ(1, ::SendMessageA(f.button.Tooltip(), TTM_GETTOOLCOUNT, 0, 0));
    char text[80] = {};
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = f.hwnd;
    ti.uId = 1;
    ti.lpszText = text;
    ::SendMessageA(f.button.Tooltip(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ("Other", text);
}

TEST(SkinButtonDrawing, TransparentColourShowsTheBackgroundAndOnlyImageIsUsedInEveryState)
{
    Fixture f;
    ASSERT_EQ(0, f.Skin(MakePicture(kRed), nullptr));
    EXPECT_EQ(kGreen, f.PixelAfterDrawing(0, 0, 0)) << "the transparent pixel";
    EXPECT_EQ(kRed, f.PixelAfterDrawing(0, 5, 5)) << "out state without an out image";
    EXPECT_EQ(kRed, f.PixelAfterDrawing(ODS_SELECTED, 5, 5)) << "pressed";
    EXPECT_EQ(kGreen, f.PixelAfterDrawing(0, 15, 15)) << "outside the image";
}

TEST(SkinButtonDrawing, OutImageWhenIdleInImageWhenPressedShiftedByOnePixel)
{
    Fixture f;
    ASSERT_EQ(0, f.Skin(MakePicture(kRed), MakePicture(kBlue)));
    EXPECT_EQ(kBlue, f.PixelAfterDrawing(0, 5, 5));
    EXPECT_EQ(kRed, f.PixelAfterDrawing(ODS_SELECTED, 5, 5));
    // Pressed: the image starts at (1,1) and is one pixel smaller.
    EXPECT_EQ(kGreen, f.PixelAfterDrawing(ODS_SELECTED, 1, 1)) << "the transparent pixel moved";
    EXPECT_EQ(kRed, f.PixelAfterDrawing(ODS_SELECTED, 9, 9));
    EXPECT_NE(kRed, f.PixelAfterDrawing(ODS_SELECTED, 10, 10));
}

TEST(SkinButtonDrawing, CheckedCheckBoxShowsTheInImage)
{
    Fixture f(BS_AUTOCHECKBOX);
    ASSERT_EQ(0, f.Skin(MakePicture(kRed), MakePicture(kBlue)));
    EXPECT_EQ(kBlue, f.PixelAfterDrawing(0, 5, 5));
    f.button.SetCheck(true);
    EXPECT_EQ(kRed, f.PixelAfterDrawing(0, 5, 5));
    // Pressed, a check box keeps its image in place: (1,1) is still the
    // picture, not its transparent corner moved there.
    EXPECT_EQ(kRed, f.PixelAfterDrawing(ODS_SELECTED, 1, 1));
}
