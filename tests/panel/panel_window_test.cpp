// The contact panel docked in a host window, driven as a host drives it:
// through showFriendList/hideFriendList, presence messages and clicks, with
// the notices and posts the host receives checked.
#include "core/core_host.h"
#include "core/friend_db.h"
#include "core/session_state.h"
#include "manager/manager_pane.h"
#include "panel/friend_sel_wnd.h"
#include "panel/func_tool_bar.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT kPick = WM_APP + 0x40;

// The host's main window: records the pick and action posts it receives
// and the panel's online-list requests, which it may answer at once.
struct Posted {
    UINT msg;
    std::string value;
};
std::vector<Posted> g_posted;
std::vector<std::pair<UINT, WPARAM>> g_requests;
std::vector<char> g_answer;  // the block the host delivers on a request
LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case kPick:
    case PELMO_WM_PANEL_ACTION:
        g_posted.push_back(Posted{msg, wp ? reinterpret_cast<const char*>(wp) : "(null)"});
        break;
    case PELMO_WM_LIST_REQUEST:
        g_requests.emplace_back(msg, wp);
        ::SendMessageA(::GetDlgItem(h, kPanelId), PELMO_WM_ONLINE_LIST, g_answer.size(),
                       reinterpret_cast<LPARAM>(g_answer.data()));
        break;
    case PELMO_WM_LIST_HIDDEN:
    case PELMO_WM_LIST_SHOWN:
    case kWmToolContacts:
    case kWmToolSettings:
        g_requests.emplace_back(msg, wp);
        break;
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

// A delivery block of 16-byte number fields.
std::vector<char> NumberBlock(int count, int first)
{
    std::vector<char> block(static_cast<size_t>(count) * 16, 0);
    for (int i = 0; i < count; ++i)
        std::snprintf(&block[static_cast<size_t>(i) * 16], 16, "0771%06d", first + i);
    return block;
}

// Notices reach the notify window sent, not posted: record them there.
std::vector<std::pair<WPARAM, LPARAM>> g_notices;
WNDPROC g_notifyPrevious = nullptr;
LRESULT CALLBACK NotifyProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kTestNotifyMessage)
        g_notices.emplace_back(wp, lp);
    return ::CallWindowProcA(g_notifyPrevious, h, msg, wp, lp);
}

class PanelWindowTest : public CoreHostTest {
protected:
    void SetUp() override
    {
        CoreHostTest::SetUp();
        LogIn();
        ASSERT_EQ(1, iniFriends());
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "PanelTestHost";
        ::RegisterClassA(&wc);
        m_host = ::CreateWindowExA(0, "PanelTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 816, 639,
                                   nullptr, nullptr, wc.hInstance, nullptr);
        RECT client{0, 0, 800, 600};
        ::AdjustWindowRect(&client, WS_OVERLAPPEDWINDOW, FALSE);
        ::SetWindowPos(m_host, nullptr, 0, 0, client.right - client.left, client.bottom - client.top, SWP_NOZORDER);
        g_posted.clear();
        g_notices.clear();
        g_requests.clear();
        g_notifyPrevious = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(m_notify, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NotifyProc)));
    }
    void TearDown() override
    {
        ::SetWindowLongPtrA(m_notify, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_notifyPrevious));
        ::DestroyWindow(m_host);
        CoreHostTest::TearDown();
    }
    void AddContact(const char* number, int group, int state)
    {
        FriendInfo f{};
        std::strcpy(f.mirrun, number);
        f.groupID = group;
        CFriendDB db;
        ASSERT_TRUE(manager::OpenBook(db));
        ASSERT_EQ(1, db.AddFriendRec(kTestIdentity, &f, 1, 0, 1));
        setFriendState(number, state);
    }
    // Every item of the tree, depth first.
    static std::vector<HTREEITEM> Items(CFriendSelWnd* panel)
    {
        CCherryTree& tree = panel->Tree();
        std::vector<HTREEITEM> out, stack;
        for (HTREEITEM root = tree.Next(nullptr, TVGN_ROOT); root; root = tree.Next(root, TVGN_NEXT))
            stack.insert(stack.begin(), root);
        while (!stack.empty()) {
            HTREEITEM item = stack.back();
            stack.pop_back();
            out.push_back(item);
            std::vector<HTREEITEM> children;
            for (HTREEITEM c = tree.Next(item, TVGN_CHILD); c; c = tree.Next(c, TVGN_NEXT))
                children.insert(children.begin(), c);
            stack.insert(stack.end(), children.begin(), children.end());
        }
        return out;
    }
    static HTREEITEM Find(CFriendSelWnd* panel, const std::string& text)
    {
        for (HTREEITEM item : Items(panel))
            if (panel->Tree().GetItemFullText(item) == text || panel->Tree().GetItemText(item) == text)
                return item;
        return nullptr;
    }
    static size_t CountOf(CFriendSelWnd* panel, panel::ItemKind kind)
    {
        size_t n = 0;
        for (HTREEITEM item : Items(panel))
            n += panel::KindOf(static_cast<int>(panel->Tree().GetItemData(item))) == kind;
        return n;
    }
    // Selects the item showing `tip` the way a click does and sends the
    // tree's notification.
    void Click(CFriendSelWnd* panel, const char* tip, UINT code)
    {
        CCherryTree& tree = panel->Tree();
        HTREEITEM item = Find(panel, tip);
        ASSERT_NE(nullptr, item) << "no item " << tip;
        tree.SetItemStateEx(item, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
        NMHDR header{tree, kPanelTreeId, code};
        ::SendMessageA(*panel, WM_NOTIFY, kPanelTreeId, reinterpret_cast<LPARAM>(&header));
    }
    static void Deliver(CFriendSelWnd* panel, const std::vector<char>& block)
    {
        ::SendMessageA(*panel, PELMO_WM_ONLINE_LIST, block.size(), reinterpret_cast<LPARAM>(block.data()));
    }
    static void Command(HWND window, UINT id) { ::SendMessageA(window, WM_COMMAND, id, 0); }
    static void Tick(CFriendSelWnd* panel) { ::SendMessageA(*panel, WM_TIMER, kRefreshTimerId, 0); }
    // Replaces the book with these rows (SQL values) and loads it again.
    void MakeBook(const std::string& rows)
    {
        Exec("BEGIN;DELETE FROM tab_list;DELETE FROM tab_group;" + rows + "COMMIT;");
        releaseFriends();
        ASSERT_EQ(1, iniFriends());
    }
    static std::string Group(int id, int father, const std::string& name)
    {
        return "INSERT INTO tab_group(ID,userMirrun,name,fatherID) VALUES(" + std::to_string(id) + ",'" +
               kTestIdentity + "','" + name + "'," + std::to_string(father) + ");";
    }
    static std::string Contact(int id, int group, const std::string& number)
    {
        return "INSERT INTO tab_list(ID,groupID,userMirrun,mirrun,nickname) VALUES(" + std::to_string(id) + "," +
               std::to_string(group) + ",'" + kTestIdentity + "','" + number + "','" + number + "');";
    }
    HWND m_host = nullptr;
};

}  // namespace

TEST_F(PanelWindowTest, DocksAtTheRightEdgeAnnouncesItselfAndClosesThroughHide)
{
    EXPECT_EQ(nullptr, showFriendList(nullptr, kPick, "", 0));
    void* panel = showFriendList(m_host, kPick, "", 0);
    ASSERT_NE(nullptr, panel);
    HWND window = *static_cast<CFriendSelWnd*>(panel);
    RECT r{};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, m_host, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(643, r.left);
    EXPECT_EQ(800, r.right);
    EXPECT_EQ(600, r.bottom);
    auto notices = std::exchange(g_notices, {});
    ASSERT_EQ(1u, notices.size());
    EXPECT_EQ(PELMO_NOTICE_LIST_CREATED, notices[0].first);
    EXPECT_EQ(reinterpret_cast<LPARAM>(window), notices[0].second);

    RECT before{};
    ::GetWindowRect(m_host, &before);
    void* ref = panel;
    EXPECT_EQ(0, hideFriendList(&ref));
    EXPECT_EQ(nullptr, ref);
    EXPECT_FALSE(::IsWindow(window));
    notices = std::exchange(g_notices, {});
    ASSERT_EQ(1u, notices.size());
    EXPECT_EQ(PELMO_NOTICE_LIST_CLOSING, notices[0].first);
    RECT after{};
    ::GetWindowRect(m_host, &after);
    EXPECT_EQ((before.right - before.left) - kPanelWidth, after.right - after.left);
    EXPECT_EQ(-1, hideFriendList(&ref));
    EXPECT_EQ(-1, hideFriendList(nullptr));
    // A pointer whose panel went with its parent is only cleared.
    ref = showFriendList(m_host, kPick, "", 0);
    ::DestroyWindow(m_host);
    m_host = nullptr;
    EXPECT_EQ(0, hideFriendList(&ref));
    EXPECT_EQ(nullptr, ref);
}

TEST_F(PanelWindowTest, PicksPostTheValueAndDoubleClicksOnlyForOnlineContacts)
{
    AddContact("0571000001", PELMO_GROUP_NONE, 1);
    AddContact("0571000002", PELMO_GROUP_NONE, 0);
    auto* panel = static_cast<CFriendSelWnd*>(showFriendList(m_host, kPick, "", 0));
    ASSERT_NE(nullptr, panel);
    Click(panel, "0571000002", NM_CLICK);
    Click(panel, "0571000002", NM_DBLCLK);
    Click(panel, "0571000001", NM_DBLCLK);
    testui::Pump(50);
    ASSERT_EQ(2u, g_posted.size());
    EXPECT_EQ(kPick, g_posted[0].msg);
    EXPECT_EQ(PELMO_WM_PANEL_ACTION, g_posted[1].msg);
    EXPECT_EQ("0571000001", g_posted[1].value);

    // Presence moves the contact that came online to the front of its group.
    setFriendState("0571000002", 2);
    ::SendMessageA(*panel, PELMO_WM_PRESENCE, PELMO_PRESENCE_ONLINE, reinterpret_cast<LPARAM>("0571000002"));
    ::SendMessageA(*panel, PELMO_WM_PRESENCE, PELMO_PRESENCE_ONLINE, reinterpret_cast<LPARAM>("999"));
    CCherryTree& tree = panel->Tree();
    HTREEITEM extra = tree.Next(tree.Next(nullptr, TVGN_ROOT), TVGN_NEXT);
    EXPECT_EQ("0571000002", tree.GetItemFullText(tree.Next(extra, TVGN_CHILD)));
    ::DestroyWindow(*panel);
}

TEST_F(PanelWindowTest, EveryGroupAndContactShowsAndHighGroupIdsStayGroups)
{
    // 101 groups with IDs 890..990 (old values ID - 1000 would hit the
    // roots at 950 and 990) and 1,025 contacts, more than any fixed table.
    std::string rows = Contact(0, PELMO_GROUP_SERVICE, "4006517300");
    for (int g = 0; g < 101; ++g)
        rows += Group(890 + g, -1, "g" + std::to_string(890 + g));
    for (int c = 1; c <= 1025; ++c)
        rows += Contact(c, 890 + c % 101, "0571" + std::to_string(100000 + c));
    MakeBook(rows);
    auto* panel = static_cast<CFriendSelWnd*>(showFriendList(m_host, kPick, "", 0));
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(101u, CountOf(panel, panel::ItemKind::kGroup));
    EXPECT_EQ(1026u, CountOf(panel, panel::ItemKind::kContact));
    EXPECT_EQ(1u, CountOf(panel, panel::ItemKind::kServiceRoot));
    EXPECT_EQ(1u, CountOf(panel, panel::ItemKind::kExtraRoot));

    // The last contact (cache index above 1024) comes online: first of its group.
    const std::string last = "0571" + std::to_string(100000 + 1025);
    setFriendState(last.c_str(), PELMO_STATE_ONLINE);
    ::SendMessageA(*panel, PELMO_WM_PRESENCE, PELMO_PRESENCE_ONLINE, reinterpret_cast<LPARAM>(last.c_str()));
    CCherryTree& tree = panel->Tree();
    HTREEITEM group950 = Find(panel, "g950");
    HTREEITEM item = Find(panel, last);
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(tree.Next(tree.Next(item, TVGN_PARENT), TVGN_CHILD), item);
    // Group 950 is a group like any other: a click picks nothing; its
    // contact picks its own number.
    Click(panel, "g950", NM_CLICK);
    const std::string inGroup = tree.GetItemFullText(tree.Next(group950, TVGN_CHILD));
    Click(panel, inGroup.c_str(), NM_CLICK);
    testui::Pump(30);
    ASSERT_EQ(1u, g_posted.size());
    EXPECT_EQ(inGroup, g_posted[0].value);
    ::DestroyWindow(*panel);
}

TEST_F(PanelWindowTest, DeliveriesShowTheWholeListToggleItAndRejectOddLengths)
{
    AddContact("0571000001", PELMO_GROUP_NONE, 0);
    auto* panel = static_cast<CFriendSelWnd*>(showFriendList(m_host, kPick, "", 0));
    ASSERT_NE(nullptr, panel);
    Deliver(panel, NumberBlock(11, 1));
    EXPECT_EQ(11u, CountOf(panel, panel::ItemKind::kListEntry)) << "no cut to ten";

    // A double click on an entry acts; one on an offline contact after it does not.
    Click(panel, "0771000011", NM_DBLCLK);
    Click(panel, "0571000001", NM_DBLCLK);
    testui::Pump(30);
    ASSERT_EQ(1u, g_posted.size());
    EXPECT_EQ(PELMO_WM_PANEL_ACTION, g_posted[0].msg);
    EXPECT_EQ("0771000011", g_posted[0].value);

    Command(*panel, kCmdToggleList);
    EXPECT_EQ(0u, CountOf(panel, panel::ItemKind::kListEntry));
    Command(*panel, kCmdToggleList);  // the stored list again, by an empty delivery
    EXPECT_EQ(11u, CountOf(panel, panel::ItemKind::kListEntry));
    Command(*panel, kCmdToggleList);
    Deliver(panel, std::vector<char>(817, '7'));  // neither 16s nor 51s: shown, and empty
    EXPECT_EQ(0u, CountOf(panel, panel::ItemKind::kListEntry));
    Command(*panel, kCmdToggleList);
    Command(*panel, kCmdToggleList);  // nothing stored to show
    const std::vector<std::pair<UINT, WPARAM>> expected{{PELMO_WM_LIST_HIDDEN, 0},
                                                        {PELMO_WM_LIST_SHOWN, 1},
                                                        {PELMO_WM_LIST_HIDDEN, 0},
                                                        {PELMO_WM_LIST_HIDDEN, 0},
                                                        {PELMO_WM_LIST_SHOWN, 0}};
    EXPECT_EQ(expected, g_requests);
    ::DestroyWindow(*panel);
}

TEST_F(PanelWindowTest, TwoPanelsShareTheListAndTheAnswerToOneRequest)
{
    auto* first = static_cast<CFriendSelWnd*>(showFriendList(m_host, kPick, "", 0));
    HWND otherHost = ::CreateWindowExA(0, "PanelTestHost", "other", WS_OVERLAPPEDWINDOW, 0, 0, 400, 500, nullptr,
                                       nullptr, ::GetModuleHandleA(nullptr), nullptr);
    auto* second = static_cast<CFriendSelWnd*>(showFriendList(otherHost, kPick, "", 0));
    ASSERT_TRUE(first && second);
    Tick(first);
    Tick(second);
    Deliver(first, NumberBlock(3, 1));
    Tick(second);
    EXPECT_EQ(3u, CountOf(second, panel::ItemKind::kListEntry)) << "the other panel shows the list";

    // A request answered inside the send reaches the asking panel; the
    // other shows the answer on its next tick.
    g_answer = NumberBlock(2, 50);
    Command(*first, kCmdRequestList);
    Command(*first, kCmdRequestList);  // no second request while the first waits
    ASSERT_EQ(1u, g_requests.size());
    EXPECT_EQ(2u, CountOf(first, panel::ItemKind::kListEntry));
    EXPECT_NE(nullptr, Find(first, "0771000050"));
    Tick(second);
    EXPECT_NE(nullptr, Find(second, "0771000050"));
    ::DestroyWindow(otherHost);
    EXPECT_EQ(1, session::Panels().panelCount);
    ::DestroyWindow(*first);
    EXPECT_FALSE(session::Panels().listShown) << "closing the last panel hides the list";
    g_answer.clear();
}

TEST_F(PanelWindowTest, ChangedCachesNeverMakeAClickActOnAnotherContact)
{
    MakeBook(Group(1, -1, "top") + Group(2, 1, "inner") + Contact(1, 2, "0571000001") + Contact(2, 2, "0571000002") +
             Contact(3, 2, "0571000003"));
    auto* panel = static_cast<CFriendSelWnd*>(showFriendList(m_host, kPick, "", 0));
    ASSERT_NE(nullptr, panel);
    // Presence reaches a contact in a nested group.
    setFriendState("0571000003", PELMO_STATE_ONLINE);
    ::SendMessageA(*panel, PELMO_WM_PRESENCE, PELMO_PRESENCE_ONLINE, reinterpret_cast<LPARAM>("0571000003"));
    CCherryTree& tree = panel->Tree();
    EXPECT_EQ("0571000003", tree.GetItemFullText(tree.Next(Find(panel, "inner"), TVGN_CHILD)));

    // Reloaded arrays under the open panel, then a tick and a click.
    releaseFriends();
    ASSERT_EQ(1, iniFriends());
    Tick(panel);
    Click(panel, "0571000002", NM_CLICK);
    // The first contact goes behind the panel's back; a click on the next one.
    {
        CFriendDB db;
        ASSERT_TRUE(manager::OpenBook(db));
        FriendInfo gone = GetFriendCache()->friends.data[0];
        ASSERT_EQ(1, db.DeleteFriend(kTestIdentity, &gone));
    }
    Click(panel, "0571000002", NM_CLICK);
    Click(panel, "0571000002", NM_CLICK);
    testui::Pump(30);
    for (const Posted& p : g_posted)
        EXPECT_EQ("0571000002", p.value);
    EXPECT_GE(g_posted.size(), 2u);

    // Rebuilds without a cache store nothing.
    const std::string rows = Scalar("SELECT COUNT(*) FROM tab_list");
    releaseFriends();
    ::SendMessageA(*panel, PELMO_WM_PRESENCE, PELMO_PRESENCE_REBUILD, 0);
    ::SendMessageA(*panel, PELMO_WM_PRESENCE, PELMO_PRESENCE_REBUILD, 0);
    EXPECT_EQ(rows, Scalar("SELECT COUNT(*) FROM tab_list"));
    ::DestroyWindow(*panel);
}

TEST_F(PanelWindowTest, ToolBarPostsByModeAndIsMadeOncePerParent)
{
    EXPECT_EQ(nullptr, showFuncTools(nullptr, 0));
    auto* bar = static_cast<CFuncToolBar*>(showFuncTools(m_host, 0));
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(bar, showFuncTools(m_host, 1)) << "one bar per parent";
    EXPECT_EQ(kToolBarStripHeight, testui::ClientRectOf(*bar).bottom);
    for (UINT mode : {0u, 1u}) {
        bar->SetMode(mode);
        g_notices.clear();
        for (UINT id : {kToolCallId, kToolMessageId})
            Command(*bar, id);
        testui::Pump(30);
        ASSERT_EQ(1u, g_notices.size()) << "mode " << mode;
        EXPECT_EQ(mode == 0 ? 10u : 14u, g_notices[0].first);
    }
    Command(*bar, kToolSettingsId);
    Command(*bar, kToolContactsId);
    testui::Pump(30);
    const std::vector<std::pair<UINT, WPARAM>> expected{{kWmToolSettings, kToolSettingsCode}, {kWmToolContacts, 0}};
    EXPECT_EQ(expected, g_requests);
}

TEST_F(PanelWindowTest, ManagerCommandOpensTheManagerWindow)
{
    auto* panel = static_cast<CFriendSelWnd*>(showFriendList(m_host, kPick, "", 0));
    ASSERT_NE(nullptr, panel);
    Command(*panel, kCmdOpenManager);
    HWND manager = ::FindWindowA(nullptr, testui::ResourceText(507).c_str());
    ASSERT_NE(nullptr, manager);
    EXPECT_TRUE(::IsWindowVisible(manager));
    ::SendMessageA(manager, WM_CLOSE, 0, 0);
    testui::Pump(30);
    ::DestroyWindow(*panel);
}
