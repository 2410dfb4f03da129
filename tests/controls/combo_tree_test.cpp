// The combo tree box: paths, check states, dropping down and closing up,
// and the notifications its parent hears on the way.
#include "controls/combo_tree.h"
#include "support/msg_sequence.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int kBoxId = 321;
constexpr int kPlaceholderId = 654;

// The parent's WM_COMMANDs from the box as a message sequence: one entry
// per notification code.
testmsg::Sequence BoxNotices(const testui::TestParent& parent)
{
    testmsg::Sequence seq;
    for (const auto& command : parent.commands)
        if (command.first == kBoxId)
            seq.Add("parent", WM_COMMAND, MAKEWPARAM(kBoxId, command.second));
    return seq;
}

std::vector<testmsg::Entry> Codes(std::initializer_list<UINT> codes)
{
    std::vector<testmsg::Entry> entries;
    for (UINT code : codes)
        entries.push_back(testmsg::Entry{"parent", WM_COMMAND, MAKEWPARAM(kBoxId, code), 0, testmsg::kWParam});
    return entries;
}

using testui::ClickOn;

class ComboTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.IsWindow());
        ASSERT_TRUE(box.SetCheckMode(CheckMode()));
        ASSERT_TRUE(box.Create(RECT{20, 20, 200, 42}, parent.Handle(), kBoxId));
        ASSERT_NE(nullptr, box.Tree().GetSafeHwnd()) << "the check images are missing from the resource library";
    }
    virtual bool CheckMode() const { return false; }
    void TearDown() override { box.CloseUp(false); }

    // a
    // ├ b
    // │ └ c
    // └ d
    // e
    void FillSample()
    {
        a = box.Tree().AddPath("a");
        c = box.Tree().AddPath("a/b/c");
        b = box.Tree().GetParentItem(c);
        d = box.Tree().AddPath("a/d");
        e = box.Tree().AddPath("e");
        ASSERT_TRUE(a && b && c && d && e);
        box.Tree().ExpandAll();
    }
    void KeyToTree(UINT key, bool alt = false)
    {
        ::SendMessageA(box.Tree().GetSafeHwnd(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? 0x20000001 : 1);
    }

    // The box goes with its parent's window, before its object (see Wnd.h).
    CComboTree box;
    testui::TestParent parent;
    HTREEITEM a = nullptr, b = nullptr, c = nullptr, d = nullptr, e = nullptr;
};

}  // namespace

TEST_F(ComboTreeTest, AddPathReusesTheExistingPartsAndInsertsOnlyTheRest)
{
    HTREEITEM second = box.Tree().AddPath("单位/市场部");
    ASSERT_NE(nullptr, second);
    HTREEITEM first = box.Tree().GetParentItem(second);
    ASSERT_NE(nullptr, first);

    HTREEITEM third = box.Tree().AddPath("单位/市场部/华东区");
    ASSERT_NE(nullptr, third);
    EXPECT_EQ(second, box.Tree().GetParentItem(third)) << "the third part went elsewhere";
    EXPECT_EQ(nullptr, box.Tree().GetNextSiblingItem(first)) << "a second top-level item was inserted";
    EXPECT_EQ(third, box.Tree().GetChildItem(second));
    EXPECT_EQ(nullptr, box.Tree().GetNextSiblingItem(third));

    EXPECT_EQ(nullptr, box.Tree().AddPath("单位/市场部")) << "a whole existing path inserts nothing";
    EXPECT_EQ(nullptr, box.Tree().AddPath(""));
    EXPECT_EQ("单位/市场部/华东区", box.Tree().GetItemPath(third));
    EXPECT_EQ("单位", box.Tree().GetItemPath(first));
}

TEST_F(ComboTreeTest, SelectPathSelectsOnlyAWholeMatchAndFollowsTheSeparator)
{
    FillSample();
    EXPECT_EQ(c, box.Tree().SelectPath("a/b/c"));
    EXPECT_EQ(c, box.Tree().GetCaret());
    EXPECT_EQ(nullptr, box.Tree().SelectPath("a/b/x"));
    EXPECT_EQ(c, box.Tree().GetCaret()) << "a partial match moved the caret";
    EXPECT_EQ(nullptr, box.Tree().SelectPath("b")) << "b is not a top-level item";
    EXPECT_EQ(nullptr, box.Tree().SelectPath(""));

    box.Tree().SetSeparator('\\');
    EXPECT_EQ("a\\b\\c", box.Tree().GetItemPath(c));
    EXPECT_EQ(d, box.Tree().SelectPath("a\\d"));
    EXPECT_EQ(nullptr, box.Tree().SelectPath("a/d"));
}

TEST_F(ComboTreeTest, SelectPathLooksUnderEveryItemOfTheSameName)
{
    HTREEITEM firstA = box.Tree().InsertItem("a");
    HTREEITEM secondA = box.Tree().InsertItem("a");
    HTREEITEM bUnderSecond = box.Tree().InsertItem("b", secondA);
    ASSERT_TRUE(firstA && secondA && bUnderSecond);
    EXPECT_EQ(bUnderSecond, box.Tree().SelectPath("a/b"));
    EXPECT_EQ(nullptr, box.Tree().AddPath("a/b")) << "a/b exists under the second a";
    EXPECT_EQ(firstA, box.Tree().SelectPath("a"));
}

TEST_F(ComboTreeTest, NegativeItemValuesRoundTripAndDeletingEmptiesTheTree)
{
    FillSample();
    EXPECT_EQ(0, box.Tree().SetItemData(c, -40));
    EXPECT_EQ(-40, box.Tree().GetItemData(c));
    EXPECT_EQ(-1, box.Tree().SetItemData(nullptr, 1));
    const LPARAM wide = static_cast<LPARAM>(sizeof(LPARAM) > 4 ? 0x7FFFFFFF + static_cast<LONG_PTR>(2) : -2);
    box.Tree().SetItemData(d, wide);
    EXPECT_EQ(wide, box.Tree().GetItemData(d)) << "item data cut short";
    box.Tree().DeleteAllItems();
    EXPECT_EQ(nullptr, box.Tree().GetChildItem(nullptr));
    EXPECT_EQ(nullptr, box.Tree().GetCaret());
}

TEST_F(ComboTreeTest, DropDownThenEscapeCancelsAndReselectsTheItemSelectedBefore)
{
    FillSample();
    box.Tree().SelectItem(b);
    box.SetText("b");
    parent.commands.clear();

    box.DropDown();
    ASSERT_TRUE(box.IsDropped());
    EXPECT_TRUE(::IsWindowVisible(box.Tree().GetSafeHwnd()));
    EXPECT_EQ(1, CSubclassWnd::HookCount(parent.Handle())) << "no hook on the parent while dropped";
    KeyToTree(VK_DOWN);  // the caret moves to c
    EXPECT_EQ(c, box.Tree().GetCaret());
    KeyToTree(VK_ESCAPE);

    EXPECT_FALSE(box.IsDropped());
    EXPECT_FALSE(::IsWindowVisible(box.Tree().GetSafeHwnd()));
    EXPECT_EQ(b, box.Tree().GetCaret()) << "cancelling did not restore the caret";
    EXPECT_EQ("b", box.GetText());
    EXPECT_EQ(0, CSubclassWnd::HookCount(parent.Handle())) << "the parent hook stayed";
    EXPECT_SEQUENCE(BoxNotices(parent), Codes({CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDCANCEL}),
                    "drop down, move, escape");
}

TEST_F(ComboTreeTest, CancellingFindsTheSavedItemEvenWhenItsPathIsAmbiguous)
{
    HTREEITEM first = box.Tree().InsertItem("同事");
    HTREEITEM second = box.Tree().InsertItem("同事");
    box.Tree().SelectItem(second);
    box.DropDown();
    KeyToTree(VK_UP);
    EXPECT_EQ(first, box.Tree().GetCaret());
    KeyToTree(VK_ESCAPE);
    EXPECT_EQ(second, box.Tree().GetCaret()) << "the first item of the same name was chosen instead";
}

TEST_F(ComboTreeTest, EnterAcceptsAndShowsTheItemTextInTheField)
{
    FillSample();
    box.Tree().SelectItem(a);
    parent.commands.clear();
    box.DropDown();
    KeyToTree(VK_END);
    EXPECT_EQ(e, box.Tree().GetCaret());
    KeyToTree(VK_RETURN);
    EXPECT_FALSE(box.IsDropped());
    EXPECT_EQ("e", box.GetText());
    EXPECT_EQ(e, box.Tree().GetCaret());
    EXPECT_SEQUENCE(BoxNotices(parent), Codes({CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK}), "drop down, end, enter");
}

TEST_F(ComboTreeTest, KeysThatDropAndCloseTheTree)
{
    FillSample();
    box.Tree().SelectItem(d);
    ::SetFocus(box.EditWindow());

    ::SendMessageA(box.EditWindow(), WM_KEYDOWN, VK_F4, 1);
    EXPECT_TRUE(box.IsDropped()) << "F4 on the field";
    KeyToTree(VK_F4);
    EXPECT_FALSE(box.IsDropped()) << "F4 on the tree";
    EXPECT_EQ("d", box.GetText());

    ::SendMessageA(box.EditWindow(), WM_SYSKEYDOWN, VK_DOWN, 0x20000001);
    EXPECT_TRUE(box.IsDropped()) << "Alt+Down on the field";
    KeyToTree(VK_UP, true);
    EXPECT_FALSE(box.IsDropped()) << "Alt+Up on the tree";

    box.DropDown();
    KeyToTree(VK_TAB);
    EXPECT_FALSE(box.IsDropped()) << "Tab on the tree";
}

TEST_F(ComboTreeTest, DropButtonTogglesAndAClickInTheFieldAccepts)
{
    FillSample();
    box.Tree().SelectItem(a);
    parent.commands.clear();
    ClickOn(box.ButtonWindow());
    EXPECT_TRUE(box.IsDropped());
    KeyToTree(VK_DOWN);
    ClickOn(box.ButtonWindow());
    EXPECT_FALSE(box.IsDropped());
    EXPECT_EQ("b", box.GetText());
    EXPECT_FALSE(::IsWindowVisible(box.Tree().GetSafeHwnd()));

    box.DropDown();
    KeyToTree(VK_DOWN);
    ClickOn(box.EditWindow());
    EXPECT_FALSE(box.IsDropped());
    EXPECT_EQ("c", box.GetText());
    EXPECT_SEQUENCE(BoxNotices(parent),
                    Codes({CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK}),
                    "button twice, then a click in the field");
}

TEST_F(ComboTreeTest, DoubleClickInTheTreeAcceptsTheItem)
{
    FillSample();
    box.Tree().SelectItem(a);
    parent.commands.clear();
    box.DropDown();
    box.Tree().SelectItem(d);
    NMHDR header{box.Tree().GetSafeHwnd(), static_cast<UINT_PTR>(CComboTree::kTreeId), static_cast<UINT>(NM_DBLCLK)};
    ::SendMessageA(box, WM_NOTIFY, CComboTree::kTreeId, reinterpret_cast<LPARAM>(&header));
    EXPECT_FALSE(box.IsDropped());
    EXPECT_EQ("d", box.GetText());
    EXPECT_SEQUENCE(BoxNotices(parent), Codes({CBN_DROPDOWN, CBN_DBLCLK, CBN_SELENDOK}), "double click");
}

TEST_F(ComboTreeTest, ParentCommandOrMoveClosesTheTreeAsCancelled)
{
    FillSample();
    box.Tree().SelectItem(a);
    parent.commands.clear();

    box.DropDown();
    KeyToTree(VK_DOWN);
    // Another control of the parent reports something.
    ::SendMessageA(parent.Handle(), WM_COMMAND, MAKEWPARAM(999, EN_SETFOCUS),
                   reinterpret_cast<LPARAM>(box.Tree().GetSafeHwnd()));
    EXPECT_FALSE(box.IsDropped());
    EXPECT_EQ(a, box.Tree().GetCaret());

    box.DropDown();
    RECT r = parent.GetWindowRect();
    ::SetWindowPos(parent.Handle(), nullptr, r.left + 5, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_FALSE(box.IsDropped()) << "moving the parent left the tree hanging";
    EXPECT_EQ(0, CSubclassWnd::HookCount(parent.Handle()));

    // The box's own notifications do not close it.
    box.DropDown();
    box.Tree().SetCheck(a, kToggleCheck);  // not in check mode: nothing happens, nothing sent
    ::SendMessageA(parent.Handle(), WM_COMMAND, MAKEWPARAM(kBoxId, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(box.GetSafeHwnd()));
    EXPECT_TRUE(box.IsDropped());
    box.CloseUp(true);

    EXPECT_SEQUENCE(BoxNotices(parent),
                    Codes({CBN_DROPDOWN, CBN_SELCHANGE, CBN_KILLFOCUS, CBN_SELENDCANCEL, CBN_DROPDOWN, CBN_KILLFOCUS,
                           CBN_SELENDCANCEL, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK}),
                    "command, move, own notification");
}

TEST_F(ComboTreeTest, ClickOutsideTheBoxClosesTheTreeAsCancelled)
{
    FillSample();
    box.Tree().SelectItem(a);
    box.SetText("a");
    HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_CHILD | WS_VISIBLE, 250, 200, 100, 30, parent.Handle(),
                                   nullptr, nullptr, nullptr);
    parent.commands.clear();
    box.DropDown();
    KeyToTree(VK_DOWN);
    ClickOn(other);
    EXPECT_FALSE(box.IsDropped());
    EXPECT_FALSE(::IsWindowVisible(box.Tree().GetSafeHwnd()));
    EXPECT_EQ(a, box.Tree().GetCaret());
    EXPECT_EQ("a", box.GetText());
    EXPECT_SEQUENCE(BoxNotices(parent), Codes({CBN_DROPDOWN, CBN_SELCHANGE, CBN_KILLFOCUS, CBN_SELENDCANCEL}),
                    "a click on another control of the parent");
}

TEST_F(ComboTreeTest, ParentMessagesThatCloseTheTree)
{
    HWND self = box.GetSafeHwnd();
    WINDOWPOS zOrderOnly{nullptr, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE};
    WINDOWPOS moved{nullptr, nullptr, 5, 5, 0, 0, SWP_NOSIZE};
    struct {
        UINT msg;
        LPARAM lp;
        bool closes;
    } cases[] = {
        {WM_MOVE, 0, true},
        {WM_SIZE, 0, true},
        {WM_WINDOWPOSCHANGED, reinterpret_cast<LPARAM>(&moved), true},
        {WM_WINDOWPOSCHANGED, reinterpret_cast<LPARAM>(&zOrderOnly), false},
        {WM_NCLBUTTONDOWN, 0, true},
        {WM_RBUTTONDOWN, 0, true},
        {WM_SYSKEYDOWN, 0, true},
        {WM_SYSCOMMAND, 0, true},
        {WM_COMMAND, 0, true},
        {WM_COMMAND, reinterpret_cast<LPARAM>(self), false},
        {WM_PAINT, 0, false},
        {WM_MOUSEMOVE, 0, false},
        {WM_ACTIVATE, 0, false},
    };
    for (const auto& test : cases)
        EXPECT_EQ(test.closes, CComboTreeParentHook::ClosesDropDown(test.msg, 0, test.lp, self))
            << testmsg::MessageName(test.msg);
}

TEST_F(ComboTreeTest, TreeOpensBelowTheBoxOrAboveItNearTheScreenBottom)
{
    const RECT screen{0, 0, 1280, 900};
    const POINT below = CComboTree::PlaceDropDown(RECT{100, 300, 255, 318}, SIZE{155, 200}, screen);
    EXPECT_EQ(100, below.x);
    EXPECT_EQ(318, below.y);
    const POINT atRight = CComboTree::PlaceDropDown(RECT{1200, 300, 1270, 318}, SIZE{155, 200}, screen);
    EXPECT_EQ(1270 - 155, atRight.x);

    // Near the bottom of the screen, on a real box.
    const int screenBottom = ::GetSystemMetrics(SM_CYSCREEN);
    const RECT r = parent.GetWindowRect();
    POINT origin{0, 0};
    ::ClientToScreen(parent.Handle(), &origin);
    // Box bottom (client y 42) 100 pixels above the screen's bottom.
    const int top = screenBottom - 100 - 42 - (origin.y - r.top);
    ::SetWindowPos(parent.Handle(), nullptr, r.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    box.SetDroppedSize(180, 200);
    box.Tree().AddPath("x");
    box.DropDown();
    const RECT boxRect = box.GetWindowRect();
    RECT treeRect{};
    ::GetWindowRect(box.Tree().GetSafeHwnd(), &treeRect);
    ASSERT_GT(boxRect.bottom + 200, screenBottom) << "the box is not near enough to the bottom for this case";
    EXPECT_EQ(boxRect.top - 200, treeRect.top);
    EXPECT_EQ(boxRect.left, treeRect.left);
    EXPECT_EQ(200, treeRect.bottom - treeRect.top);
}

TEST_F(ComboTreeTest, TheFieldTakesNoTypingNorPaste)
{
    box.SetText("我的好友");
    ::SendMessageA(box.EditWindow(), WM_CHAR, 'x', 1);
    ::SendMessageA(box.EditWindow(), WM_PASTE, 0, 0);
    ::SendMessageA(box.EditWindow(), WM_CLEAR, 0, 0);
    ::SendMessageA(box.EditWindow(), WM_CUT, 0, 0);
    EXPECT_EQ("我的好友", box.GetText());
}

namespace {

class CheckModeTest : public ComboTreeTest {
protected:
    bool CheckMode() const override { return true; }
    void SetUp() override
    {
        ComboTreeTest::SetUp();
        // p ├ c1
        //   └ c2 └ c2a
        //         └ c2b
        p = box.Tree().AddPath("p");
        c1 = box.Tree().AddPath("p/c1");
        c2a = box.Tree().AddPath("p/c2/c2a");
        c2 = box.Tree().GetParentItem(c2a);
        c2b = box.Tree().AddPath("p/c2/c2b");
        parent.commands.clear();
    }
    std::vector<int> States() const
    {
        return {box.Tree().GetCheck(p), box.Tree().GetCheck(c1), box.Tree().GetCheck(c2), box.Tree().GetCheck(c2a),
                box.Tree().GetCheck(c2b)};
    }

    HTREEITEM p = nullptr, c1 = nullptr, c2 = nullptr, c2a = nullptr, c2b = nullptr;
};

}  // namespace

TEST_F(CheckModeTest, NewItemsStartUncheckedAndTheModeIsFixedOnceTheTreeExists)
{
    EXPECT_EQ((std::vector<int>{kUnchecked, kUnchecked, kUnchecked, kUnchecked, kUnchecked}), States());
    EXPECT_FALSE(box.SetCheckMode(false));
    EXPECT_TRUE(box.SetCheckMode(true)) << "a call that changes nothing is accepted";
    EXPECT_TRUE(box.CheckMode());
}

TEST_F(CheckModeTest, CheckingAParentChecksAllItsDescendants)
{
    box.Tree().SetCheck(p, kSetChecked);
    EXPECT_EQ((std::vector<int>{kChecked, kChecked, kChecked, kChecked, kChecked}), States());
    box.Tree().SetCheck(p, kToggleCheck);
    EXPECT_EQ((std::vector<int>{kUnchecked, kUnchecked, kUnchecked, kUnchecked, kUnchecked}), States());
}

TEST_F(CheckModeTest, UncheckingOneChildTurnsItsAncestorsPartlyChecked)
{
    box.Tree().SetCheck(p, kSetChecked);
    box.Tree().SetCheck(c2b, kSetUnchecked);
    EXPECT_EQ((std::vector<int>{kPartlyChecked, kChecked, kPartlyChecked, kChecked, kUnchecked}), States());
    box.Tree().SetCheck(c2b, kToggleCheck);
    EXPECT_EQ((std::vector<int>{kChecked, kChecked, kChecked, kChecked, kChecked}), States())
        << "checking the last child checks the ancestors again";
    box.Tree().SetCheck(c2, kToggleCheck);  // checked -> unchecked with its children
    box.Tree().SetCheck(c1, kSetUnchecked);
    EXPECT_EQ((std::vector<int>{kUnchecked, kUnchecked, kUnchecked, kUnchecked, kUnchecked}), States());
}

TEST_F(CheckModeTest, PartlyCheckedTogglesToUncheckedAndEachSetIsAnnounced)
{
    box.Tree().SetCheck(c2a, kSetChecked);
    EXPECT_EQ(kPartlyChecked, box.Tree().GetCheck(p));
    box.Tree().SetCheck(p, kToggleCheck);
    EXPECT_EQ((std::vector<int>{kUnchecked, kUnchecked, kUnchecked, kUnchecked, kUnchecked}), States());
    box.Tree().SetCheck(p, kPropagateOnly);
    EXPECT_SEQUENCE(BoxNotices(parent), Codes({kCtnCheckChanged, kCtnCheckChanged}),
                    "modes 0 and 2 announce, mode 3 does not");
}

TEST_F(CheckModeTest, SpaceOnTheDroppedTreeTogglesTheCaretItem)
{
    box.Tree().ExpandAll();
    box.Tree().SelectItem(c2);
    box.DropDown();
    ::SendMessageA(box.Tree().GetSafeHwnd(), WM_KEYDOWN, VK_SPACE, 1);
    ::SendMessageA(box.Tree().GetSafeHwnd(), WM_CHAR, ' ', 1);
    EXPECT_TRUE(box.IsDropped()) << "space closed the tree";
    EXPECT_EQ((std::vector<int>{kPartlyChecked, kUnchecked, kChecked, kChecked, kChecked}), States());
    box.CloseUp(true);
}

TEST(ComboTreeChecks, MissingCheckBitmapIsReportedAndTheTreeIsNotMade)
{
    CComboTree box;
    testui::TestParent parent;
    box.SetCheckMode(true);
    box.SetImageModule(::GetModuleHandleA(nullptr));  // the test program has no such bitmap
    ASSERT_TRUE(box.Create(RECT{20, 20, 200, 42}, parent.Handle(), kBoxId)) << "the box itself still shows";
    EXPECT_EQ(nullptr, testui::FindThreadDialog()) << "creating a control opened a message box";
    EXPECT_TRUE(box.Tree().MissingImages());
    EXPECT_NE(nullptr, std::strstr(kComboTreeNoCheckImagesText, "COMBOTREECHECKS"));
    EXPECT_EQ(nullptr, box.Tree().GetSafeHwnd());
    EXPECT_EQ(nullptr, box.Tree().AddPath("a"));
    EXPECT_EQ(nullptr, box.Tree().SelectPath("a"));
}

TEST(ComboTreePlaceholder, BoxTakesThePlaceholdersPlaceIdAndDroppedHeight)
{
    CComboTree box;
    testui::TestParent parent;
    HWND placeholder = ::CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 30, 40, 150, 130,
                                         parent.Handle(), reinterpret_cast<HMENU>(kPlaceholderId), nullptr, nullptr);
    ASSERT_NE(nullptr, placeholder);
    const RECT place = testui::ClientRectOf(placeholder);
    RECT dropped{};
    ::SendMessageA(placeholder, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));

    EXPECT_FALSE(box.CreateFromPlaceholder(parent.Handle(), 9999)) << "no such control";
    ASSERT_TRUE(box.CreateFromPlaceholder(parent.Handle(), kPlaceholderId));
    EXPECT_FALSE(::IsWindow(placeholder)) << "the placeholder is still there";
    EXPECT_EQ(box.GetSafeHwnd(), ::GetDlgItem(parent.Handle(), kPlaceholderId));
    const RECT now = testui::ClientRectOf(box);
    EXPECT_TRUE(::EqualRect(&place, &now));
    EXPECT_EQ(dropped.bottom - dropped.top, box.DroppedSize().cy);
    EXPECT_EQ(dropped.right - dropped.left, box.DroppedSize().cx);
    EXPECT_TRUE(::IsWindowVisible(box));
}
