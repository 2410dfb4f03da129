// The manager window driven as a host drives it: through showFriendMain,
// the notices it receives and the messages it sends, on a logged-in user
// with a real friend.mdb.
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/session_state.h"
#include "core/core_host.h"
#include "manager/contact_transfer.h"
#include "manager/friend_frame.h"
#include "manager/manager_pane.h"
#include "resources/resource_ids.h"
#include "support/msg_sequence.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

using namespace manager;

namespace {

// Closes every message box as it appears, answering OK, and keeps its text.
std::vector<std::string> g_boxes;
void CALLBACK CloseBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = testui::InnermostDialog();
    if (!box)
        return;
    HWND text = ::GetDlgItem(box, IDC_MESSAGEBOX_TEXT);
    g_boxes.push_back(text ? testui::WindowText(text) : testui::WindowText(box));
    ::SendMessageA(box, WM_COMMAND, IDOK, 0);
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

// Records what reaches one window, sent or posted; swallows the refresh
// messages that would open a dialog when `swallowDialogs`.
struct Spy {
    static std::map<HWND, Spy*> all;
    HWND hwnd;
    WNDPROC previous;
    bool swallowDialogs = false;
    testmsg::Sequence seen;
    explicit Spy(HWND h) : hwnd(h)
    {
        all[h] = this;
        previous =
            reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Spy::Proc)));
    }
    ~Spy()
    {
        if (::IsWindow(hwnd))
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        all.erase(hwnd);
    }
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
    {
        Spy* spy = all[h];
        if (msg == WM_MANAGER_REFRESH || msg >= WM_APP) {
            spy->seen.Add("pane", msg, wp, lp);
            if (spy->swallowDialogs && msg == WM_MANAGER_REFRESH && wp == 0 && lp == 1)
                return 0;
        }
        return ::CallWindowProcA(spy->previous, h, msg, wp, lp);
    }
};
std::map<HWND, Spy*> Spy::all;

class ManagerWindowTest : public CoreHostTest {
protected:
    void SetUp() override
    {
        CoreHostTest::SetUp();
        LogIn();
        ASSERT_EQ(1, iniFriends());
        g_boxes.clear();
        m_boxTimer = ::SetTimer(nullptr, 0, 40, CloseBoxes);
        m_chooser = SetFileChooser([](bool, std::string*) { return false; });
        // The notify window records what it is sent and what is dispatched to it.
        s_self = this;
        m_notifyPrevious = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(m_notify, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NotifyProc)));
    }
    void TearDown() override
    {
        if (CFriendFrmWnd* frame = CFriendFrmWnd::Current())
            ::DestroyWindow(*frame);
        ::KillTimer(nullptr, m_boxTimer);
        SetFileChooser(m_chooser);
        ::SetWindowLongPtrA(m_notify, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_notifyPrevious));
        CoreHostTest::TearDown();
    }
    static LRESULT CALLBACK NotifyProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == kTestNotifyMessage)
            s_self->notices.emplace_back(wp, lp);
        return ::CallWindowProcA(s_self->m_notifyPrevious, h, msg, wp, lp);
    }

    CFriendFrmWnd* Open()
    {
        auto* frame = static_cast<CFriendFrmWnd*>(showFriendMain(0));
        testui::Pump(100);
        return frame;
    }
    int AddGroup(const char* name, int father)
    {
        FriendGroup g{};
        std::strcpy(g.name, name);
        g.fatherID = father;
        CFriendDB db;
        EXPECT_TRUE(OpenBook(db));
        EXPECT_EQ(1, db.AddGroup(kTestIdentity, &g, 1));
        return g.ID;
    }
    void AddContact(const char* number, const char* name, int group, int gender = 0)
    {
        FriendInfo f{};
        std::strcpy(f.mirrun, number);
        std::strcpy(f.name, name);
        f.groupID = group;
        f.gender = gender;
        CFriendDB db;
        EXPECT_TRUE(OpenBook(db));
        EXPECT_EQ(1, db.AddFriendRec(kTestIdentity, &f, 1, 0, 1));
    }
    static std::vector<std::string> Column(HWND list, int column)
    {
        std::vector<std::string> out;
        for (int i = 0; i < ListView_GetItemCount(list); ++i) {
            char buffer[64] = {};
            ListView_GetItemText(list, i, column, buffer, sizeof buffer);
            out.push_back(buffer);
        }
        return out;
    }
    static void Select(CFriendFrmWnd* frame, int value)
    {
        HTREEITEM item = frame->LeftView().Tree().Find(value);
        ASSERT_NE(nullptr, item);
        TreeView_SelectItem(frame->LeftView().Tree(), item);
        testui::Pump(60);
    }
    static void Toolbar(CFriendFrmWnd* frame, UINT command)
    {
        ::SendMessageA(*frame, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                       reinterpret_cast<LPARAM>(frame->Bar().GetSafeHwnd()));
        testui::Pump(100);
    }
    std::vector<std::pair<WPARAM, LPARAM>> Notices(WPARAM code) const
    {
        std::vector<std::pair<WPARAM, LPARAM>> out;
        for (const auto& n : notices)
            if (n.first == code)
                out.push_back(n);
        return out;
    }

    std::vector<std::pair<WPARAM, LPARAM>> notices;
    static ManagerWindowTest* s_self;
    WNDPROC m_notifyPrevious = nullptr;
    UINT_PTR m_boxTimer = 0;
    FileChooser m_chooser = nullptr;
};
ManagerWindowTest* ManagerWindowTest::s_self = nullptr;

}  // namespace

TEST_F(ManagerWindowTest, OneManagerAtATimeAndANewOneAfterTheUserClosedIt)
{
    CFriendFrmWnd* first = Open();
    ASSERT_NE(nullptr, first);
    HWND window = *first;
    EXPECT_EQ(first, showFriendMain(0));
    // InitFriendList forgets the window for addFriend, but no second appears.
    InitFriendList();
    EXPECT_EQ(first, showFriendMain(0));
    EXPECT_EQ(window, session::Current().managerWindow);

    void* held = first;
    EXPECT_EQ(0, hideFriendMain(&held));
    EXPECT_EQ(nullptr, held);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(0, hideFriendMain(nullptr));

    const RECT r = first->GetWindowRect();
    const RECT expected = FrameRect(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(expected.left, r.left);
    EXPECT_EQ(expected.bottom, r.bottom);
    EXPECT_EQ(7012u, 7012u);
    EXPECT_NE(nullptr, ::GetMenu(window));
    EXPECT_EQ(8, first->Bar().SendMessage(TB_BUTTONCOUNT));

    HWND list = first->RightView().GetSafeHwnd();
    ::SendMessageA(window, WM_CLOSE, 0, 0);
    testui::Pump(50);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(nullptr, CFriendFrmWnd::Current());
    EXPECT_EQ(nullptr, session::Current().managerWindow);
    // The list said hello and goodbye with its window.
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{4, reinterpret_cast<LPARAM>(list)}}), Notices(4));
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{5, reinterpret_cast<LPARAM>(list)}}), Notices(5));
    // addFriend after the close finds no manager to tell.
    EXPECT_EQ(1, addFriend("0571990001", nullptr));
    testui::Pump(30);

    CFriendFrmWnd* second = Open();
    ASSERT_NE(nullptr, second);
    EXPECT_TRUE(::IsWindow(*second));
}

TEST_F(ManagerWindowTest, SelectionAndRelayTellTheListExactlyWhichGroup)
{
    AddGroup("甲", -1);
    AddGroup("乙", -1);
    const int third = AddGroup("丙", -1);
    AddContact("0571000001", "张三", third, 1);
    AddContact("0571000002", "李四", third, 2);
    CFriendFrmWnd* frame = Open();
    ASSERT_NE(nullptr, frame);
    Spy right(frame->RightView());
    HWND list = frame->RightView().List();

    Select(frame, -40);
    const int thirdIndex = static_cast<int>(FindGroupById(GetFriendCache(), third));
    Select(frame, thirdIndex);
    EXPECT_SEQUENCE(
        right.seen.Only({WM_MANAGER_REFRESH}),
        (std::vector<testmsg::Entry>{
            {"pane", WM_MANAGER_REFRESH, static_cast<WPARAM>(-40), 0, testmsg::kWParam | testmsg::kLParam},
            {"pane", WM_MANAGER_REFRESH, static_cast<WPARAM>(thirdIndex), 0, testmsg::kWParam | testmsg::kLParam}}),
        "selecting -40, then the third group");
    EXPECT_EQ((std::vector<std::string>{"1", "2"}), Column(list, 0));
    EXPECT_EQ((std::vector<std::string>{"0571000001", "0571000002"}), Column(list, 1));
    EXPECT_EQ((std::vector<std::string>{"男", "女"}), Column(list, 3));

    // addFriend files the contact under the chosen group's ID; the frame
    // hands the list that group's index.
    right.seen.Clear();
    session::Current().targetGroup = third;
    EXPECT_EQ(1, addFriend("0571000003", nullptr));
    testui::Pump(80);
    const bool myFriendsGroup =
        FindFriendByNumber(GetFriendCache(), "0571000003") >= 0 &&
        GetFriendCache()->friends.data[FindFriendByNumber(GetFriendCache(), "0571000003")].groupID == third;
    if (myFriendsGroup) {
        EXPECT_EQ(3u, Column(list, 1).size());
        EXPECT_SEQUENCE(right.seen.Only({WM_MANAGER_REFRESH}),
                        (std::vector<testmsg::Entry>{{"pane", WM_MANAGER_REFRESH, static_cast<WPARAM>(thirdIndex), 0,
                                                      testmsg::kWParam | testmsg::kLParam}}),
                        "relay of addFriend");
    }
    // The frame passes its lParam on, never its wParam.
    right.seen.Clear();
    ::PostMessageA(*frame, WM_MANAGER_REFRESH, 77, -10);
    testui::Pump(50);
    EXPECT_SEQUENCE(right.seen.Only({WM_MANAGER_REFRESH}),
                    (std::vector<testmsg::Entry>{{"pane", WM_MANAGER_REFRESH, static_cast<WPARAM>(-10), 0,
                                                  testmsg::kWParam | testmsg::kLParam}}),
                    "relay of a pseudo-group");
}

TEST_F(ManagerWindowTest, CommandsReachTheFocusedPaneThenTheFrame)
{
    CFriendFrmWnd* frame = Open();
    ASSERT_NE(nullptr, frame);
    Spy left(frame->LeftView());
    Spy right(frame->RightView());
    left.swallowDialogs = right.swallowDialogs = true;
    const auto refresh = [](WPARAM wp, LPARAM lp) {
        return testmsg::Entry{"pane", WM_MANAGER_REFRESH, wp, lp, testmsg::kWParam | testmsg::kLParam};
    };

    ::SetFocus(frame->LeftView().Tree());
    Toolbar(frame, kCmdAddContact);  // left: ask the list to add a contact
    Toolbar(frame, kCmdImport);      // left: its own import (the file dialog cancelled)
    EXPECT_EQ(1, frame->LeftView().ImportRequests());
    g_boxes.clear();
    EXPECT_SEQUENCE(right.seen.Only({WM_MANAGER_REFRESH}), (std::vector<testmsg::Entry>{refresh(0, 1)}), "left");
    Toolbar(frame, kCmdEditContact);  // left: 512
    EXPECT_EQ((std::vector<std::string>{testui::ResourceText(512)}), g_boxes);

    g_boxes.clear();
    right.seen.Clear();
    ::SetFocus(frame->RightView().List());
    Toolbar(frame, kCmdAddGroup);  // right: ask the tree to add a group
    Toolbar(frame, kCmdImport);    // right: not its own: the frame asks the tree
    Toolbar(frame, kCmdExport);
    EXPECT_SEQUENCE(left.seen.Only({WM_MANAGER_REFRESH}),
                    (std::vector<testmsg::Entry>{refresh(0, 1), refresh(3, 1), refresh(2, 1)}), "right");
    EXPECT_EQ(2, frame->LeftView().ImportRequests());
    EXPECT_EQ(1, frame->LeftView().ExportRequests());
    g_boxes.clear();
    Toolbar(frame, kCmdEditGroup);  // right: 512, the groups unchanged
    EXPECT_EQ((std::vector<std::string>{testui::ResourceText(512)}), g_boxes);

    // No row selected: 512 and nothing for the host.
    g_boxes.clear();
    notices.clear();
    ::SendMessageA(*frame, WM_COMMAND, kCmdFax, 0);
    testui::Pump(100);
    EXPECT_EQ((std::vector<std::string>{testui::ResourceText(512)}), g_boxes);
    EXPECT_TRUE(notices.empty());
}

TEST_F(ManagerWindowTest, ToolbarDeleteActsOnTheSelectionAfterARightClickElsewhere)
{
    for (const char* name : {"一", "二", "三", "四", "五"})
        AddGroup(name, -1);
    const int third = GetFriendCache()->groups.data[2].ID;
    AddContact("0571000009", "王五", third);
    CFriendFrmWnd* frame = Open();
    ASSERT_NE(nullptr, frame);
    CTipTreeCtrl& tree = frame->LeftView().Tree();

    // Right-click the first group, dismiss the menu, select the third.
    RECT r{};
    TreeView_GetItemRect(tree, tree.Find(0), &r, TRUE);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(tree, &p);
    ::SetCursorPos(p.x, p.y);
    ::SetTimer(nullptr, 0, 150, CloseMenu);
    NMHDR click{tree.GetSafeHwnd(), CTipTreeCtrl::kId, static_cast<UINT>(NM_RCLICK)};
    ::SendMessageA(frame->LeftView(), WM_NOTIFY, CTipTreeCtrl::kId, reinterpret_cast<LPARAM>(&click));
    Select(frame, 2);
    notices.clear();
    Spy right(frame->RightView());
    Toolbar(frame, kCmdDeleteGroup);
    testui::Pump(100);

    FriendCache* cache = GetFriendCache();
    ASSERT_EQ(4, cache->groups.count);
    EXPECT_EQ(-1, FindGroupById(cache, third));
    EXPECT_EQ(-1, FindFriendByNumber(cache, "0571000009"));
    // The last two groups' items now carry indices 2 and 3, with their names.
    for (int j = 0; j < 4; ++j) {
        HTREEITEM item = tree.Find(j);
        ASSERT_NE(nullptr, item) << j;
        EXPECT_EQ(std::string(cache->groups.data[j].name), tree.Text(item)) << j;
    }
    EXPECT_EQ(nullptr, tree.Find(4));
    EXPECT_EQ(1u, Notices(6).size());
    // The list is told the selection's value after the renumbering.
    HTREEITEM selected = tree.Selected();
    ASSERT_FALSE(right.seen.Only({WM_MANAGER_REFRESH}).Entries().empty());
    EXPECT_EQ(static_cast<WPARAM>(tree.Value(selected)), right.seen.Only({WM_MANAGER_REFRESH}).Entries().back().wParam);
}

TEST_F(ManagerWindowTest, PresenceNoticesRedrawPicturesAndAStaleRowIsNeverActedOn)
{
    const int group = AddGroup("同事", -1);
    AddContact("0571000001", "张三", group, 1);
    AddContact("0571000002", "李四", group, 2);
    CFriendFrmWnd* frame = Open();
    ASSERT_NE(nullptr, frame);
    Select(frame, static_cast<int>(FindGroupById(GetFriendCache(), group)));
    HWND list = frame->RightView().List();
    HWND pane = frame->RightView();
    const auto icon = [&](int row) {
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ListView_GetItem(list, &item);
        return item.iImage;
    };
    EXPECT_EQ(2, icon(0));
    EXPECT_EQ(4, icon(1));
    // A burst of notices is one refresh of the list, not one per notice.
    setFriendState("0571000002", 1);
    for (int i = 0; i < 3; ++i)
        ::SendMessageA(pane, WM_PRESENCE, PELMO_PRESENCE_ONLINE, 0);
    int refreshes = 0;
    MSG queued;
    while (::PeekMessageA(&queued, pane, WM_APP, 0xBFFF, PM_REMOVE)) {
        ++refreshes;
        ::DispatchMessageA(&queued);
    }
    EXPECT_EQ(1, refreshes);
    testui::Pump(50);
    EXPECT_EQ(5, icon(1));
    setFriendState("0571000002", 0);
    ::SendMessageA(pane, WM_PRESENCE, PELMO_PRESENCE_OFFLINE, 0);
    testui::Pump(50);
    EXPECT_EQ(4, icon(1));
    GetFriendCache()->friends.data[FindFriendByNumber(GetFriendCache(), "0571000001")].gender = 7;
    setFriendState("0571000001", 1);
    ::SendMessageA(pane, WM_PRESENCE, PELMO_PRESENCE_ONLINE, 0);
    testui::Pump(50);
    EXPECT_EQ(1, icon(0));

    // The host reloads the book with the first contact gone from the file:
    // the second moves up one place under the list's rows.
    Exec("DELETE FROM tab_list WHERE mirrun='0571000001'");
    ASSERT_EQ(1, iniFriends());
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    notices.clear();
    g_boxes.clear();
    ::SendMessageA(*frame, WM_COMMAND, kCmdMessage, 0);  // the focus is on the tree: list commands go by menu
    ::SendMessageA(pane, WM_COMMAND, kCmdDeleteContact, 0);
    testui::Pump(150);
    EXPECT_NE(-1, FindFriendByNumber(GetFriendCache(), "0571000002"));
    EXPECT_FALSE(g_boxes.empty());
    EXPECT_TRUE(Notices(6).empty());
    EXPECT_EQ((std::vector<std::string>{"0571000002"}), Column(list, 1));

    // The rows are right again: deleting the selected one deletes it.
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ::SendMessageA(pane, WM_COMMAND, kCmdCall, 0);
    testui::Pump(50);
    ASSERT_EQ(1u, Notices(14).size());
    EXPECT_STREQ("0571000002", reinterpret_cast<const char*>(Notices(14)[0].second));
    ::SendMessageA(pane, WM_COMMAND, kCmdDeleteContact, 0);
    testui::Pump(150);
    EXPECT_EQ(-1, FindFriendByNumber(GetFriendCache(), "0571000002"));
    EXPECT_TRUE(Column(list, 1).empty());
    EXPECT_EQ(1u, Notices(6).size());

    // Without a cache the list empties and commands are refused.
    releaseFriends();
    ::SendMessageA(pane, WM_PRESENCE, PELMO_PRESENCE_REBUILD, 0);
    ::PostMessageA(pane, WM_MANAGER_REFRESH, static_cast<WPARAM>(-10), 0);
    testui::Pump(50);
    EXPECT_EQ(0, ListView_GetItemCount(list));
}
