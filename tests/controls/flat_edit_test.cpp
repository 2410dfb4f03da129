// The flat edit box's frame: its colours for each state, and the pixels it
// leaves on the screen as focus, pointer and read-only state change.
#include "controls/flat_edit.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

namespace {

struct FramePixels {
    COLORREF outer;
    COLORREF inner;
};

// A pixel of the window as drawn, frame included.
COLORREF PixelAt(HWND window, int x, int y)
{
    HDC dc = ::GetWindowDC(window);
    const COLORREF pixel = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return pixel;
}

// The frame as drawn: the outer line at the top-left corner, the inner line
// one pixel in, both read half-way along the top edge.
FramePixels ReadFrame(HWND edit)
{
    RECT r{};
    ::GetWindowRect(edit, &r);
    const int midX = (r.right - r.left) / 2;
    return {PixelAt(edit, midX, 0), PixelAt(edit, midX, 1)};
}

class FlatEditTest : public ::testing::Test {
protected:
    HWND MakeEdit(DWORD style, DWORD exStyle = WS_EX_CLIENTEDGE, int y = 20)
    {
        HWND hwnd = ::CreateWindowExA(exStyle, "EDIT", "文字", WS_CHILD | WS_VISIBLE | style, 20, y, 160, 24,
                                      parent.Handle(), nullptr, nullptr, nullptr);
        return hwnd;
    }
    void SetUp() override
    {
        ASSERT_TRUE(parent.IsWindow());
        ::SetForegroundWindow(parent.Handle());
        HWND hwnd = MakeEdit(ES_AUTOHSCROLL);
        ASSERT_TRUE(edit.SubclassWindow(hwnd));
        other = MakeEdit(ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 80);
        ::SetFocus(other);
        ::RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        testui::Pump(20);
    }

    testui::TestParent parent;
    CFlatEdit edit;
    HWND other = nullptr;
};

}  // namespace

TEST_F(FlatEditTest, FrameFollowsFocusAndThePointer)
{
    FramePixels seen = ReadFrame(edit);
    EXPECT_EQ(CFlatEdit::kOuter, seen.outer);
    EXPECT_EQ(CFlatEdit::kInner, seen.inner);

    ::SetFocus(edit);
    seen = ReadFrame(edit);
    EXPECT_EQ(CFlatEdit::kOuterFocused, seen.outer) << "focus";

    RECT r = edit.GetWindowRect();
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::SendMessageA(edit, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(edit.IsHover());
    seen = ReadFrame(edit);
    EXPECT_EQ(CFlatEdit::kInnerHover, seen.inner) << "pointer over the box";

    // A paint of the frame by the system does not lose the colours.
    ::RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    seen = ReadFrame(edit);
    EXPECT_EQ(CFlatEdit::kOuterFocused, seen.outer) << "after a non-client paint";
    EXPECT_EQ(CFlatEdit::kInnerHover, seen.inner) << "after a non-client paint";

    ::SetCursorPos(5, 880);
    testui::Pump(700);  // the leave notice arrives (Wine polls the pointer)
    EXPECT_FALSE(edit.IsHover());
    EXPECT_EQ(CFlatEdit::kInner, ReadFrame(edit).inner) << "pointer gone";

    ::SetFocus(other);
    EXPECT_EQ(CFlatEdit::kOuter, ReadFrame(edit).outer) << "focus gone";
}

TEST_F(FlatEditTest, ReadOnlyBoxDrawsItsInnerLineInItsOwnFaceColour)
{
    edit.SendMessage(EM_SETREADONLY, TRUE);
    ::SetFocus(edit);
    ::RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    const COLORREF face = PixelAt(edit, 2, 2);
    const FramePixels seen = ReadFrame(edit);
    EXPECT_EQ(CFlatEdit::kOuter, seen.outer) << "a read-only box keeps the plain outer colour";
    EXPECT_EQ(face, seen.inner);
    EXPECT_NE(CFlatEdit::kInner, face) << "a read-only edit's face is expected to differ from white here";
}

TEST_F(FlatEditTest, InnerLineBesideAScrollBarTakesTheFaceColour)
{
    CFlatEdit memo;
    ASSERT_TRUE(memo.SubclassWindow(MakeEdit(ES_MULTILINE | WS_VSCROLL, WS_EX_CLIENTEDGE, 140)));
    ::RedrawWindow(memo, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    RECT r = memo.GetWindowRect();
    EXPECT_EQ(::GetSysColor(COLOR_3DFACE), PixelAt(memo, r.right - r.left - 2, (r.bottom - r.top) / 2));
    EXPECT_EQ(CFlatEdit::kInner, PixelAt(memo, 1, (r.bottom - r.top) / 2));
}

TEST_F(FlatEditTest, BoxWithoutBorderGetsNoFrame)
{
    CFlatEdit bare;
    ASSERT_TRUE(bare.SubclassWindow(MakeEdit(0, 0, 200)));
    EXPECT_FALSE(bare.HasFrame());
    EXPECT_TRUE(edit.HasFrame());
    ::RedrawWindow(bare, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    EXPECT_NE(CFlatEdit::kOuter, ReadFrame(bare).outer);
}
