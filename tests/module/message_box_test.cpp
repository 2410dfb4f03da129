// The skinned message box: its end codes, its layout arithmetic and its look.
#include "module/message_box.h"
#include "pelmo.h"
#include "resources/resource_ids.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <string>

using testui::ModalDriver;

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// What one look at an open box saw.
struct Seen {
    RECT window{}, client{}, text{}, ok{}, cancel{};
    bool cancelVisible = false;
    bool cancelOwnerDrawn = false;
    bool topmost = false;
    std::string caption, message, okText, cancelText;
    TEXTMETRICA metrics{};
    int longLineExtent = 0;  // of kLongLine in the box's font
};

const std::string kLongLine(70, 'W');

Seen Look(HWND dialog)
{
    Seen s;
    ::GetWindowRect(dialog, &s.window);
    ::GetClientRect(dialog, &s.client);
    s.text = testui::ClientRectOf(::GetDlgItem(dialog, IDC_MESSAGEBOX_TEXT));
    s.ok = testui::ClientRectOf(::GetDlgItem(dialog, IDOK));
    HWND cancel = ::GetDlgItem(dialog, IDCANCEL);
    s.cancel = testui::ClientRectOf(cancel);
    s.cancelVisible = ::IsWindowVisible(cancel) != FALSE;
    s.cancelOwnerDrawn = (::GetWindowLongPtrA(cancel, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
    s.topmost = (::GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    s.caption = testui::WindowText(dialog);
    s.message = testui::WindowText(::GetDlgItem(dialog, IDC_MESSAGEBOX_TEXT));
    s.okText = testui::WindowText(::GetDlgItem(dialog, IDOK));
    s.cancelText = testui::WindowText(cancel);
    // The dialog's font dies with the dialog: measure while it is open.
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    HDC dc = ::GetDC(dialog);
    HGDIOBJ old = ::SelectObject(dc, font);
    ::GetTextMetricsA(dc, &s.metrics);
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, kLongLine.c_str(), static_cast<int>(kLongLine.size()), &extent);
    s.longLineExtent = extent.cx;
    ::SelectObject(dc, old);
    ::ReleaseDC(dialog, dc);
    return s;
}

void Ok(HWND dialog) { testui::ClickButton(dialog, IDOK); }
void Cancel(HWND dialog) { testui::ClickButton(dialog, IDCANCEL); }

// Opens a box with `open`, looks at it, answers it with `answer` and returns
// what `open` returned.
template <class Open>
int Answer(Seen& seen, Open open, void (*answer)(HWND) = Ok)
{
    ModalDriver driver([&](HWND dialog) {
        seen = Look(dialog);
        answer(dialog);
    });
    const int result = open();
    EXPECT_TRUE(driver.Ran());
    return result;
}

int Show(const std::string& text, unsigned style, Seen& seen, void (*answer)(HWND) = Ok, HWND owner = nullptr)
{
    return Answer(seen, [&] { return MessageBoxSkin(text.c_str(), "caption", style, owner); }, answer);
}

// The template's own sizes, before the box grows to its text.
struct TemplateSizes {
    int windowW, windowH, textW, textH;
};

INT_PTR CALLBACK PlainProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TemplateSizes MeasureTemplate()
{
    HWND dialog = ::CreateDialogIndirectParamA(nullptr, static_cast<LPCDLGTEMPLATEA>(getGlobalRes(IDD_MESSAGEBOX_SKIN, 5)),
                                               nullptr, PlainProc, 0);
    RECT window{};
    ::GetWindowRect(dialog, &window);
    RECT text = testui::ClientRectOf(::GetDlgItem(dialog, IDC_MESSAGEBOX_TEXT));
    ::DestroyWindow(dialog);
    return {Width(window), Height(window), Width(text), Height(text)};
}

void ExpectButtonsFor(const Seen& s, unsigned style)
{
    const int w = s.client.right, h = s.client.bottom;
    EXPECT_EQ(h - 32, s.ok.top);
    EXPECT_EQ(h - 6, s.ok.bottom);
    if (style & 1) {
        EXPECT_EQ((w - 96) / 2, s.ok.left);
        EXPECT_EQ((w + 96) / 2, s.ok.right);
    } else {
        EXPECT_EQ(w / 4 - 48, s.ok.left);
        EXPECT_EQ(w / 4 + 48, s.ok.right);
        EXPECT_EQ((3 * w) / 4 - 48, s.cancel.left);
        EXPECT_EQ((3 * w) / 4 + 48, s.cancel.right);
        EXPECT_EQ(h - 32, s.cancel.top);
    }
}

}  // namespace

TEST(MessageBoxEndCodes, OkGivesOneAndEveryWayOfCancellingGivesTwo)
{
    Seen seen;
    EXPECT_EQ(1, Show("ok", 2, seen, Ok));
    EXPECT_EQ(2, Show("cancel", 2, seen, Cancel));
    EXPECT_EQ(2, Show("escape", 2, seen, testui::PressEscape));
    EXPECT_EQ(2, Show("escape, one button", 1, seen, testui::PressEscape));
    EXPECT_EQ(2, Show("close box", 1, seen, testui::CloseBox));
}

TEST(MessageBoxLayout, EmptyTextKeepsTheTemplateSize)
{
    const TemplateSizes base = MeasureTemplate();
    Seen s;
    Show("", 1, s);
    EXPECT_EQ(base.windowW, Width(s.window));
    EXPECT_EQ(base.windowH, Height(s.window));
    EXPECT_EQ(base.textW, Width(s.text));
    EXPECT_EQ(base.textH, Height(s.text));
    ExpectButtonsFor(s, 1);
}

TEST(MessageBoxLayout, ManyLinesGrowTheBoxDownByWholeLineHeights)
{
    const TemplateSizes base = MeasureTemplate();
    Seen s;
    Show("1\n2\n3\n4\n5\n6\n7", 1, s);
    const int lineHeight = s.metrics.tmHeight + s.metrics.tmInternalLeading;
    const int needed = 7 * lineHeight;
    ASSERT_GT(needed, base.textH) << "the test needs text taller than the template";
    const int dy = needed - base.textH;
    EXPECT_EQ(needed, Height(s.text));
    EXPECT_EQ(base.windowH + 2 * (dy / 2), Height(s.window));
    EXPECT_EQ(base.windowW, Width(s.window));
    ExpectButtonsFor(s, 1);
}

TEST(MessageBoxLayout, ThreeLinesNeedThreeLineHeights)
{
    HDC dc = ::GetDC(nullptr);
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc, &tm);
    const SIZE size = msgbox::MeasureText(dc, "a\nbb\nc");
    const SIZE trailing = msgbox::MeasureText(dc, "a\n");
    const SIZE empty = msgbox::MeasureText(dc, "");
    SIZE wide{};
    ::GetTextExtentPoint32A(dc, "bb", 2, &wide);
    ::ReleaseDC(nullptr, dc);
    EXPECT_EQ(3 * (tm.tmHeight + tm.tmInternalLeading), size.cy);
    EXPECT_EQ(wide.cx + tm.tmExternalLeading, size.cx);
    EXPECT_EQ(2 * (tm.tmHeight + tm.tmInternalLeading), trailing.cy) << "a final line feed starts an empty line";
    EXPECT_EQ(tm.tmHeight + tm.tmInternalLeading, empty.cy);
    EXPECT_EQ(0, empty.cx);
}

TEST(MessageBoxLayout, LongLineWidensTheBoxSymmetricallyAndMovesTheButtons)
{
    const TemplateSizes base = MeasureTemplate();
    // An owner in the middle of the screen, so the box fits when centred on it.
    testui::TestParent owner;
    ::SetWindowPos(owner.Handle(), nullptr, 400, 250, 480, 360, SWP_NOZORDER);
    Seen s;
    Show(kLongLine, 2, s, Ok, owner.Handle());
    const int dx = s.longLineExtent + s.metrics.tmExternalLeading + 50 - base.textW;
    ASSERT_GT(dx, 0);
    EXPECT_EQ(base.textW + dx, Width(s.text));
    EXPECT_EQ(base.windowW + 2 * (dx / 2), Width(s.window)) << "an odd growth loses its last pixel";
    ExpectButtonsFor(s, 2);

    // Centred over the owner and above everything else.
    RECT ownerRect = owner.GetWindowRect();
    EXPECT_NEAR((ownerRect.left + ownerRect.right) / 2, (s.window.left + s.window.right) / 2, 1);
    EXPECT_NEAR((ownerRect.top + ownerRect.bottom) / 2, (s.window.top + s.window.bottom) / 2, 1);
    EXPECT_TRUE(s.topmost);
}

TEST(MessageBoxStyles, OneButtonHidesCancelAndOnlySkinnedStyleSkinsIt)
{
    Seen s;
    Show("style 1", 1, s);
    EXPECT_FALSE(s.cancelVisible);
    ExpectButtonsFor(s, 1);

    Show("style 0", 0, s);
    EXPECT_TRUE(s.cancelVisible);
    EXPECT_FALSE(s.cancelOwnerDrawn) << "without style 2 Cancel stays a plain push button";
    ExpectButtonsFor(s, 0);

    Show("style 2", 2, s);
    EXPECT_TRUE(s.cancelVisible);
    EXPECT_TRUE(s.cancelOwnerDrawn);
    ExpectButtonsFor(s, 2);
}

TEST(MessageBoxTexts, ErrorBoxAppendsTheCodeAndOwnCaptionsReplaceTheTemplates)
{
    Seen s;
    EXPECT_EQ(1, Answer(s, [] { return outPutInfoErr(IDS_ERR_DELETE, -1, IDS_MANAGER_CAPTION, nullptr); }));
    EXPECT_EQ(testui::ResourceText(IDS_ERR_DELETE) + ":-1", s.message);
    EXPECT_EQ(testui::ResourceText(IDS_MANAGER_CAPTION), s.caption);

    EXPECT_EQ(2, Answer(s, [] { return MessageBoxSkin2("text", "title", 2, nullptr, "Yes", "No"); }, Cancel));
    EXPECT_EQ("Yes", s.okText);
    EXPECT_EQ("No", s.cancelText);
    EXPECT_EQ("title", s.caption);

    EXPECT_EQ(1, Answer(s, [] { return MessageBoxSkin2("text", "title", 0, nullptr, "", "No"); }));
    EXPECT_NE("No", s.cancelText) << "a plain Cancel keeps its template caption";
    EXPECT_FALSE(s.okText.empty());

    EXPECT_EQ(1, Answer(s, [] { return MessageBoxSkin(nullptr, nullptr, 1, nullptr); }));
    EXPECT_EQ("", s.message) << "null texts show an empty box";
    EXPECT_EQ("", s.caption);
}

TEST(MessageBoxPicture, PictureIsCentredAboveTheBand)
{
    CMessageBoxSkinDlg dialog("text", "caption", 1);
    ASSERT_TRUE(dialog.InitModalIndirect(getGlobalRes(IDD_MESSAGEBOX_SKIN, 5), nullptr));
    int pictureTop = -1;
    RECT client{};
    ModalDriver driver([&](HWND hwnd) {
        pictureTop = dialog.PictureTop();
        ::GetClientRect(hwnd, &client);
        testui::ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ((client.bottom - 105) / 2, pictureTop);
}
