// The skinned message box as its user sees it: the answer it returns, the
// window that owns it, a text that fits, buttons in the band, the picture.
#include "module/message_box.h"
#include "pelmo.h"
#include "resources/resource_ids.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <string>

using testui::ModalDriver;

namespace {

int Width(const RECT& r)
{
    return r.right - r.left;
}
int Height(const RECT& r)
{
    return r.bottom - r.top;
}
int Middle(const RECT& r)
{
    return (r.left + r.right) / 2;
}

// What one look at an open box saw.
struct Seen {
    RECT window{}, client{}, text{}, ok{}, cancel{};
    HWND owner = nullptr;
    bool shown = false, ownerEnabled = true, cancelVisible = false, cancelOwnerDrawn = false, topmost = false;
    std::string caption, message, okText, cancelText;
    std::vector<std::string> faults;
};

Seen Look(HWND dialog)
{
    Seen s;
    ::GetWindowRect(dialog, &s.window);
    ::GetClientRect(dialog, &s.client);
    s.text = testui::ClientRectOf(::GetDlgItem(dialog, IDC_MESSAGEBOX_TEXT));
    s.ok = testui::ClientRectOf(::GetDlgItem(dialog, IDOK));
    HWND cancel = ::GetDlgItem(dialog, IDCANCEL);
    s.cancel = testui::ClientRectOf(cancel);
    s.owner = ::GetWindow(dialog, GW_OWNER);
    s.shown = ::IsWindowVisible(dialog) != FALSE;
    s.ownerEnabled = s.owner && ::IsWindowEnabled(s.owner);
    s.cancelVisible = ::IsWindowVisible(cancel) != FALSE;
    s.cancelOwnerDrawn = (::GetWindowLongPtrA(cancel, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
    s.topmost = (::GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    s.caption = testui::WindowText(dialog);
    s.message = testui::WindowText(::GetDlgItem(dialog, IDC_MESSAGEBOX_TEXT));
    s.okText = testui::WindowText(::GetDlgItem(dialog, IDOK));
    s.cancelText = testui::WindowText(cancel);
    s.faults = testui::LayoutFaults(dialog);
    return s;
}

void Ok(HWND dialog)
{
    testui::ClickButton(dialog, IDOK);
}
void Cancel(HWND dialog)
{
    testui::ClickButton(dialog, IDCANCEL);
}

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
    EXPECT_TRUE(driver.Ran()) << "no box came up";
    return result;
}

int Show(const std::string& text, unsigned style, Seen& seen, void (*answer)(HWND) = Ok, HWND owner = nullptr)
{
    return Answer(
        seen, [&] { return MessageBoxSkin(text.c_str(), "caption", style, owner); }, answer);
}

INT_PTR CALLBACK PlainProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The template's own window size, before the box grows to its text.
SIZE TemplateSize()
{
    HWND dialog = ::CreateDialogIndirectParamA(
        nullptr, static_cast<LPCDLGTEMPLATEA>(getGlobalRes(IDD_MESSAGEBOX_SKIN, 5)), nullptr, PlainProc, 0);
    RECT window{};
    ::GetWindowRect(dialog, &window);
    ::DestroyWindow(dialog);
    return SIZE{Width(window), Height(window)};
}

// A person sees the whole message in the face, clear of the band, and the
// buttons in the band.
void ExpectFits(const Seen& s)
{
    EXPECT_EQ(std::vector<std::string>{}, s.faults);
    EXPECT_LE(s.text.bottom, s.client.bottom - 40) << "the message runs into the band";
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

TEST(MessageBoxOwner, LiveParentOwnsTheBoxAndADeadOneLeavesItUnownedButShown)
{
    testui::TestParent owner;
    Seen s;
    EXPECT_EQ(1, Show("owned", 1, s, Ok, owner.Handle()));
    EXPECT_EQ(owner.Handle(), s.owner);
    EXPECT_FALSE(s.ownerEnabled) << "the owner must wait for the answer";

    HWND gone = nullptr;
    {
        testui::TestParent closed;
        gone = closed.Handle();
        closed.DestroyWindow();
    }
    ASSERT_FALSE(::IsWindow(gone));
    s = Seen{};
    EXPECT_EQ(2, Show("dead parent", 2, s, Cancel, gone));
    EXPECT_TRUE(s.shown);
    EXPECT_EQ(nullptr, s.owner);
    EXPECT_EQ("dead parent", s.message);

    s = Seen{};
    HWND garbage = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ffe1234));
    EXPECT_EQ(1, Answer(s, [&] { return outPutInfo(IDS_ERR_DELETE, IDS_MANAGER_CAPTION, garbage); }));
    EXPECT_TRUE(s.shown);
    EXPECT_EQ(testui::ResourceText(IDS_ERR_DELETE), s.message);
}

TEST(MessageBoxLayout, EmptyTextKeepsTheTemplateSize)
{
    const SIZE base = TemplateSize();
    Seen s;
    Show("", 1, s);
    EXPECT_EQ(base.cx, Width(s.window));
    EXPECT_EQ(base.cy, Height(s.window));
    ExpectFits(s);
}

TEST(MessageBoxLayout, BoxGrowsToFitTallWideAndChineseTexts)
{
    const SIZE base = TemplateSize();
    Seen s;
    // Every count from what the template holds to what makes the box grow.
    std::string lines = "1";
    for (int n = 2; n <= 9; ++n) {
        lines += "\n" + std::to_string(n);
        SCOPED_TRACE(n);
        Show(lines, 1, s);
        ExpectFits(s);
    }
    EXPECT_GT(Height(s.window), base.cy);
    EXPECT_EQ(base.cx, Width(s.window)) << "short lines widened the box";

    Show("short\n" + std::string(70, 'W') + "\nshort", 2, s);
    ExpectFits(s);
    EXPECT_GT(Width(s.window), base.cx);

    std::string chinese;
    for (int i = 0; i < 30; ++i)
        chinese += "联系人";
    Show(chinese, 1, s);
    ExpectFits(s);
    EXPECT_LE(0, s.window.left) << "a wide box is kept on the screen";
}

TEST(MessageBoxLayout, WideBoxIsCentredOverItsOwnerAndOnTop)
{
    testui::TestParent owner;
    ::SetWindowPos(owner.Handle(), nullptr, 400, 250, 480, 360, SWP_NOZORDER);
    Seen s;
    Show(std::string(70, 'W'), 2, s, Ok, owner.Handle());
    const RECT o = owner.GetWindowRect();
    EXPECT_NEAR(Middle(o), Middle(s.window), 1);
    EXPECT_NEAR((o.top + o.bottom) / 2, (s.window.top + s.window.bottom) / 2, 1);
    EXPECT_TRUE(s.topmost);
}

TEST(MessageBoxStyles, OneButtonIsCentredAndTwoStandAtTheQuarters)
{
    for (const std::string& text : {std::string("short"), std::string(90, 'W')}) {
        SCOPED_TRACE(text);
        Seen s;
        Show(text, 1, s);
        EXPECT_FALSE(s.cancelVisible);
        EXPECT_NEAR(s.client.right - s.ok.right, s.ok.left, 1) << "OK is not centred";
        ExpectFits(s);

        Show(text, 0, s);
        EXPECT_TRUE(s.cancelVisible);
        EXPECT_FALSE(s.cancelOwnerDrawn) << "without style 2 Cancel stays a plain push button";
        EXPECT_NEAR(s.client.right / 4, Middle(s.ok), 1);
        EXPECT_NEAR(s.client.right * 3 / 4, Middle(s.cancel), 1);
        EXPECT_EQ(s.ok.top, s.cancel.top);
        ExpectFits(s);

        Show(text, 2, s);
        EXPECT_TRUE(s.cancelOwnerDrawn);
        EXPECT_LT(s.ok.right, s.cancel.left) << "OK stands left of Cancel";
        ExpectFits(s);
    }
}

TEST(MessageBoxTexts, ErrorBoxAppendsTheCodeAndOwnCaptionsReplaceTheTemplates)
{
    Seen s;
    EXPECT_EQ(1, Answer(s, [] { return outPutInfoErr(IDS_ERR_DELETE, -1, IDS_MANAGER_CAPTION, nullptr); }));
    EXPECT_EQ(testui::ResourceText(IDS_ERR_DELETE) + ":-1", s.message);
    EXPECT_EQ(testui::ResourceText(IDS_MANAGER_CAPTION), s.caption);

    EXPECT_EQ(2, Answer(
                     s, [] { return MessageBoxSkin2("text", "title", 2, nullptr, "Yes", "No"); }, Cancel));
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

TEST(MessageBoxPicture, PictureShowsOnTheFaceLeftOfTheText)
{
    for (const char* text : {"one line", "1\n2\n3\n4\n5\n6\n7\n8\n9"}) {
        SCOPED_TRACE(text);
        CMessageBoxSkinDlg dialog(text, "caption", 1);
        ASSERT_TRUE(dialog.InitModalIndirect(getGlobalRes(IDD_MESSAGEBOX_SKIN, 5), nullptr));
        HBITMAP picture = getGlobalBitmap(IDB_MESSAGEBOX_PICTURE);
        BITMAP info{};
        ::GetObjectA(picture, sizeof info, &info);
        double shown = 0;
        RECT client{}, textRect{};
        int top = -1;
        ModalDriver driver([&](HWND hwnd) {
            top = dialog.PictureTop();
            shown = testui::PictureShown(hwnd, picture, POINT{msgbox::kPictureLeft, top});
            ::GetClientRect(hwnd, &client);
            textRect = testui::ClientRectOf(::GetDlgItem(hwnd, IDC_MESSAGEBOX_TEXT));
            testui::ClickButton(hwnd, IDOK);
        });
        EXPECT_EQ(IDOK, dialog.DoModal());
        ::DeleteObject(picture);
        EXPECT_GT(shown, 0.95);
        EXPECT_GE(top, 0);
        EXPECT_LE(top + info.bmHeight, client.bottom - 40) << "the picture reaches into the band";
        EXPECT_LE(msgbox::kPictureLeft + info.bmWidth, textRect.left) << "the picture covers the text";
        // Centred in the face: as much room above as below.
        EXPECT_NEAR(top, client.bottom - 40 - (top + info.bmHeight), 2);
    }
}
