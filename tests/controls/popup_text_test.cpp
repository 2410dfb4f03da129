// The popup text: delayed showing, hiding when the pointer leaves, growing
// to the left when right-aligned, clicks that neither stay nor activate, and
// the item tip on a tree control.
#include "controls/popup_text.h"
#include "controls/tree_items.h"
#include "support/msg_sequence.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

namespace {

// Records when the popup is shown or clicked, as a hook on its window.
class ShowRecorder : public CSubclassWnd {
public:
    testmsg::Sequence seq;
    LRESULT lastMouseActivate = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        const LRESULT result = Default();
        switch (msg) {
        case WM_SHOWWINDOW:
            seq.Add("popup", msg, wp);
            break;
        case WM_WINDOWPOSCHANGED:
            if (reinterpret_cast<const WINDOWPOS*>(lp)->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))
                seq.Add("popup", msg, reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_SHOWWINDOW ? 1 : 0);
            break;
        case WM_MOUSEACTIVATE:
            lastMouseActivate = result;
            seq.Add("popup", msg);
            break;
        case WM_LBUTTONDOWN:
            seq.Add("popup", msg);
            break;
        }
        return result;
    }
};

using testui::Centre;
using testui::PointerTo;

// A spot on the desktop away from every test window.
const POINT kNowhere{1200, 860};

class PopupTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.IsWindow());
        PointerTo(Centre(parent.Handle()));
    }
    // A tip at `at` saying `text`, its shows and clicks recorded.
    void Make(CPopupText& popup, POINT at, const char* text)
    {
        ASSERT_TRUE(popup.Create(at, parent.Handle()));
        popup.SetWindowText(text);
        recorder.HookWindow(popup);
    }
    testui::TestParent parent;
    ShowRecorder recorder;
};

}  // namespace

TEST_F(PopupTextTest, PendingTipNeverShowsOnceThePointerHasLeft)
{
    CPopupText popup;
    Make(popup, POINT{150, 150}, "未显示的提示");

    popup.ShowDelayed(kItemTipDelayMs);
    EXPECT_TRUE(popup.IsPending());
    testui::Pump(50);
    PointerTo(kNowhere);
    testui::Pump(600);

    EXPECT_FALSE(::IsWindowVisible(popup));
    EXPECT_TRUE(popup.CancelledByLeave());
    EXPECT_FALSE(popup.IsPending());
    EXPECT_SEQUENCE(recorder.seq.Only({WM_SHOWWINDOW}), std::vector<testmsg::Entry>{},
                    "the tip must not flash up after the pointer left");
}

TEST_F(PopupTextTest, TipAppearsAfterTheDelayAndGoesWhenThePointerLeaves)
{
    CPopupText popup;
    Make(popup, POINT{150, 150}, "提示");

    popup.ShowDelayed(kItemTipDelayMs);
    testui::Pump(80);
    EXPECT_FALSE(::IsWindowVisible(popup)) << "shown before its delay";
    testui::Pump(300);
    EXPECT_TRUE(::IsWindowVisible(popup));
    EXPECT_FALSE(popup.CancelledByLeave());
    EXPECT_EQ(parent.Handle(), ::GetActiveWindow()) << "showing the tip took the activation";

    PointerTo(kNowhere);
    testui::Pump(450);
    EXPECT_FALSE(::IsWindowVisible(popup));
    EXPECT_TRUE(popup.CancelledByLeave());
    EXPECT_SEQUENCE(recorder.seq.Only({WM_WINDOWPOSCHANGED}),
                    (std::vector<testmsg::Entry>{{"popup", WM_WINDOWPOSCHANGED, 1, 0, testmsg::kWParam},
                                                 {"popup", WM_WINDOWPOSCHANGED, 0, 0, testmsg::kWParam}}),
                    "shown once, hidden once");
}

TEST_F(PopupTextTest, RightAlignedTipGrowsToTheLeftAndLeftAlignedToTheRight)
{
    CPopupText right, left;
    ASSERT_TRUE(right.Create(POINT{700, 300}, parent.Handle(), CPopupText::kRightAligned));
    ASSERT_TRUE(left.Create(POINT{700, 400}, parent.Handle(), 0));
    EXPECT_TRUE(right.IsRightAligned());
    EXPECT_FALSE(left.IsRightAligned());

    right.SetWindowText("短");
    left.SetWindowText("短");
    const RECT r1 = right.GetWindowRect(), l1 = left.GetWindowRect();
    right.SetWindowText("一段长得多的提示文字");
    left.SetWindowText("一段长得多的提示文字");
    const RECT r2 = right.GetWindowRect(), l2 = left.GetWindowRect();

    EXPECT_EQ(r1.right, r2.right) << "right edge moved";
    EXPECT_LT(r2.left, r1.left) << "did not grow to the left";
    EXPECT_EQ(r1.top, r2.top);
    EXPECT_EQ(l1.left, l2.left) << "left edge moved";
    EXPECT_GT(l2.right, l1.right);
    EXPECT_EQ(r2.right - r2.left, l2.right - l2.left) << "same text, same width";

    // Setting the same text again leaves the tip where it is.
    right.SetWindowText("一段长得多的提示文字");
    const RECT r3 = right.GetWindowRect();
    EXPECT_TRUE(::EqualRect(&r2, &r3));
}

TEST_F(PopupTextTest, ClickingTheTipHidesItAndActivatesNothing)
{
    CPopupText popup;
    Make(popup, POINT{200, 200}, "点击这里");
    ::SetForegroundWindow(parent.Handle());
    testui::Pump(20);
    PointerTo(Centre(popup));
    popup.ShowDelayed(0);
    ASSERT_TRUE(::IsWindowVisible(popup));

    testui::Click();
    testui::Pump(100);

    EXPECT_FALSE(::IsWindowVisible(popup));
    EXPECT_EQ(static_cast<LRESULT>(MA_NOACTIVATE), recorder.lastMouseActivate);
    EXPECT_EQ(parent.Handle(), ::GetActiveWindow()) << "the click activated something";
    EXPECT_SEQUENCE(recorder.seq.Only({WM_MOUSEACTIVATE, WM_LBUTTONDOWN}),
                    (std::vector<testmsg::Entry>{{"popup", WM_MOUSEACTIVATE}, {"popup", WM_LBUTTONDOWN}}),
                    "a click on the tip");
}

namespace {

class TreeTipTest : public PopupTextTest {
protected:
    void SetUp() override
    {
        PopupTextTest::SetUp();
        tree = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASLINES, 10, 10, 110,
                                 120, parent.Handle(), reinterpret_cast<HMENU>(77), nullptr, nullptr);
        ASSERT_NE(nullptr, tree);
        longItem = Insert("一个名字非常非常长的联系人分组");
        shortItem = Insert("短");
        ASSERT_TRUE(tip.Install(tree));
    }
    void TearDown() override
    {
        tip.HookWindow(nullptr);
        ModulePopupText().Cancel();
    }
    HTREEITEM Insert(const char* text)
    {
        TVINSERTSTRUCTA insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>(text);
        return reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    RECT TextRect(HTREEITEM item) { return TreeItemLabelRect(tree, item); }
    // Moves the pointer onto an item's label, as the mouse would.
    void HoverOver(HTREEITEM item)
    {
        const RECT text = TextRect(item);
        POINT pt{text.left + 4, (text.top + text.bottom) / 2};
        POINT screen = pt;
        ::ClientToScreen(tree, &screen);
        PointerTo(screen);
        ::SendMessageA(tree, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
    }

    HWND tree = nullptr;
    HTREEITEM longItem = nullptr, shortItem = nullptr;
    CTreeItemTip tip;
};

}  // namespace

TEST_F(TreeTipTest, CutOffLabelShowsInFullOverTheLabelAfterTheDelay)
{
    CPopupText& popup = ModulePopupText();
    ASSERT_TRUE(popup.IsWindow());
    HoverOver(longItem);
    EXPECT_FALSE(::IsWindowVisible(popup)) << "the tip must wait for its delay";
    testui::Pump(350);
    ASSERT_TRUE(::IsWindowVisible(popup));
    EXPECT_EQ("一个名字非常非常长的联系人分组", popup.GetWindowText());

    RECT label = CTreeItemTip::LabelRect(tree, longItem);
    ::MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&label), 2);
    const RECT shown = popup.GetWindowRect();
    EXPECT_EQ(label.left - 3, shown.left);
    EXPECT_EQ(label.top, shown.top);
    EXPECT_EQ(label.right - label.left + 6, shown.right - shown.left);
    EXPECT_EQ(label.bottom - label.top, shown.bottom - shown.top);
}

TEST_F(TreeTipTest, LabelThatFitsGetsNoTipAndMovingOntoItHidesTheLastOne)
{
    CPopupText& popup = ModulePopupText();
    HoverOver(longItem);
    testui::Pump(350);
    ASSERT_TRUE(::IsWindowVisible(popup));

    HoverOver(shortItem);
    EXPECT_FALSE(::IsWindowVisible(popup));
    testui::Pump(350);
    EXPECT_FALSE(::IsWindowVisible(popup));
}

TEST_F(TreeTipTest, PressingTheButtonOnTheTreeCancelsAPendingTip)
{
    CPopupText& popup = ModulePopupText();
    HoverOver(longItem);
    EXPECT_TRUE(popup.IsPending());
    ::SendMessageA(tree, WM_KEYDOWN, VK_ESCAPE, 0);  // unrelated traffic passes through the hook
    const RECT text = TextRect(shortItem);
    ::PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(text.left + 2, text.top + 2));
    ::PostMessageA(tree, WM_LBUTTONUP, 0, MAKELPARAM(text.left + 2, text.top + 2));
    testui::Pump(350);
    EXPECT_FALSE(::IsWindowVisible(popup));
    EXPECT_FALSE(popup.IsPending());
}
