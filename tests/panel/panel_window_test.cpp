// The contact panel docked in a host window, driven as a host drives it:
// through showFriendList/hideFriendList, presence messages and clicks, with
// the notices and posts the host receives checked.
#include "core/core_host.h"
#include "core/friend_db.h"
#include "core/session_state.h"
#include "manager/manager_pane.h"
#include "panel/friend_sel_wnd.h"
#include "panel/func_tool_bar.h"
#include "resource_ids.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <functional>
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
    LPARAM lp = 0;
};
std::vector<Posted> g_posted;
std::vector<std::pair<UINT, WPARAM>> g_requests;
std::vector<char> g_answer;  // the block the host delivers on a request
LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case kPick:
    case PELMO_WM_PANEL_ACTION:
        g_posted.push_back(Posted{msg, wp ? reinterpret_cast<const char*>(wp) : "(null)", lp});
        break;
    case panel::kWmViewHistory:
        g_posted.push_back(
            Posted{msg, std::string(reinterpret_cast<const char*>(wp)) + "/" + reinterpret_cast<const char*>(lp)});
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
std::vector<std::string> g_numbersToAdd;  // notice 2, which the host answers with addFriend
bool g_hostAdds = true;                   // unless it declines
WNDPROC g_notifyPrevious = nullptr;
LRESULT CALLBACK NotifyProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kTestNotifyMessage)
        g_notices.emplace_back(wp, lp);
    if (msg == kTestNotifyMessage && wp == PELMO_NOTICE_ADD_NUMBER) {
        g_numbersToAdd.emplace_back(reinterpret_cast<const char*>(lp));
        if (g_hostAdds)
            addFriend(reinterpret_cast<const char*>(lp), nullptr);
    }
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
        g_numbersToAdd.clear();
        g_hostAdds = true;
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

// The panel's commands, driven as a person drives them: a right click on
// the tree, an item chosen in the menu with the keyboard, the questions and
// dialogs that follow answered, all from a timer inside their modal loops.
namespace {

std::vector<std::string> g_boxTexts;  // the message boxes answered, in order

// Steps inside modal loops: each waits for its window (the open menu, or
// the innermost dialog) and acts on it once.
class Script {
public:
    enum Where { kMenu, kDialog };
    struct Step {
        Where where;
        std::function<void(HWND)> act;
    };
    explicit Script(std::vector<Step> steps) : m_steps(std::move(steps))
    {
        s_running = this;
        m_timer = ::SetTimer(nullptr, 0, 40, OnTimer);
    }
    ~Script()
    {
        ::KillTimer(nullptr, m_timer);
        s_running = nullptr;
    }
    bool Done() const { return m_next == m_steps.size(); }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        if (s_running)
            s_running->Tick();
    }
    void Tick()
    {
        if (Done())
            return;
        const Step& step = m_steps[m_next];
        HWND window = step.where == kMenu ? ::FindWindowA("#32768", nullptr) : testui::InnermostDialog();
        if (!window || !::IsWindowVisible(window) || window == m_last)
            return;
        m_last = window;
        ++m_next;
        step.act(window);
    }
    static inline Script* s_running = nullptr;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    HWND m_last = nullptr;
    UINT_PTR m_timer = 0;
};

void Key(HWND window, WORD key)
{
    ::PostMessageA(window, WM_KEYDOWN, key, 1);
    ::PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

// The menu item `downs` presses of the down arrow away, chosen with Enter.
Script::Step Choose(int downs)
{
    return {Script::kMenu, [downs](HWND popup) {
                for (int i = 0; i < downs; ++i)
                    Key(popup, VK_DOWN);
                Key(popup, VK_RETURN);
            }};
}

// A message box answered with `button`, its text noted.
Script::Step Answer(int button)
{
    return {Script::kDialog, [button](HWND box) {
                g_boxTexts.push_back(testui::WindowText(::GetDlgItem(box, 8035)));
                ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
            }};
}

// A dialog with field `id` filled in, confirmed with OK.
Script::Step Fill(int id, const char* text)
{
    return {Script::kDialog, [id, text](HWND dialog) {
                ::SetDlgItemTextA(dialog, id, text);
                ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
            }};
}

// A drop of `files` at `at` (panel client coordinates), as the shell makes it.
HGLOBAL MakeDrop(POINT at, const std::vector<std::string>& files)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& f : files)
        size += f.size() + 1;
    HGLOBAL drop = ::GlobalAlloc(GHND, size);
    auto* header = static_cast<DROPFILES*>(::GlobalLock(drop));
    header->pFiles = sizeof(DROPFILES);
    header->pt = at;
    char* out = reinterpret_cast<char*>(header + 1);
    for (const std::string& f : files) {
        std::memcpy(out, f.c_str(), f.size() + 1);
        out += f.size() + 1;
    }
    ::GlobalUnlock(drop);
    return drop;
}

class PanelCommandsTest : public PanelWindowTest {
protected:
    void SetUp() override
    {
        PanelWindowTest::SetUp();
        g_boxTexts.clear();
    }
    CFriendSelWnd* Open()
    {
        auto* panel = static_cast<CFriendSelWnd*>(showFriendList(m_host, kPick, "", 0));
        if (panel) {
            // Everything open, so that every item can be clicked.
            for (HTREEITEM item : Items(panel))
                TreeView_Expand(panel->Tree(), item, TVE_EXPAND);
            ::UpdateWindow(panel->Tree());
        }
        return panel;
    }
    // The middle of the item's label, or a point below every item, in the
    // tree's client coordinates.
    static POINT PointOf(CFriendSelWnd* panel, const char* text)
    {
        CCherryTree& tree = panel->Tree();
        if (!text) {
            const RECT client = tree.GetClientRect();
            return POINT{20, client.bottom - 5};
        }
        HTREEITEM item = Find(panel, text);
        EXPECT_NE(nullptr, item) << "no item " << text;
        TreeView_EnsureVisible(tree, item);
        ::UpdateWindow(tree);
        const CherryItemLayout* layout = item ? tree.FindLayout(item) : nullptr;
        if (!layout)
            return POINT{};
        return POINT{(layout->label.left + layout->label.right) / 2, (layout->label.top + layout->label.bottom) / 2};
    }
    // A right click on the item showing `text` (null: below the items),
    // with the pointer there, and `script` run to its end.
    void RightClick(CFriendSelWnd* panel, const char* text, std::vector<Script::Step> steps)
    {
        HWND tree = panel->Tree();
        const POINT at = PointOf(panel, text);
        POINT screen = at;
        ::ClientToScreen(tree, &screen);
        ::SetCursorPos(screen.x, screen.y);
        Script script(std::move(steps));
        ::PostMessageA(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
        ::PostMessageA(tree, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        for (int i = 0; i < 100 && !script.Done(); ++i)
            testui::Pump(20);
        EXPECT_TRUE(script.Done()) << "a step never found its window";
        testui::Pump(60);
    }
    size_t BookChanges()
    {
        testui::Pump(20);
        size_t n = 0;
        for (const auto& notice : std::exchange(g_notices, {}))
            n += notice.first == PELMO_NOTICE_BOOK_CHANGED;
        return n;
    }
    std::string GroupOf(const char* number) const
    {
        return Scalar(std::string("SELECT groupID FROM tab_list WHERE mirrun='") + number + "'");
    }
    static std::string ParentText(CFriendSelWnd* panel, const char* text)
    {
        CCherryTree& tree = panel->Tree();
        HTREEITEM item = Find(panel, text);
        return item ? tree.GetItemFullText(tree.Next(item, TVGN_PARENT)) : "(none)";
    }
};

}  // namespace

TEST_F(PanelCommandsTest, ContactMenuPicksFirstThenCallsWritesAndShowsHistory)
{
    MakeBook(Group(7, -1, "work") + Contact(1, 7, "0571000001"));
    setFriendState("0571000001", PELMO_STATE_ONLINE);
    auto* panel = Open();
    ASSERT_NE(nullptr, panel);
    UINT infoState = 0, callState = 0;
    RightClick(panel, "0571000001", {{Script::kMenu, [&](HWND popup) {
                                          auto menu = reinterpret_cast<HMENU>(::SendMessageA(popup, MN_GETHMENU, 0, 0));
                                          infoState = ::GetMenuState(menu, panel::kCmdContactInfo, MF_BYCOMMAND);
                                          callState = ::GetMenuState(menu, panel::kCmdCall, MF_BYCOMMAND);
                                          Key(popup, VK_DOWN);
                                          Key(popup, VK_RETURN);
                                      }}});
    EXPECT_TRUE(infoState & MF_GRAYED);
    EXPECT_FALSE(callState & MF_GRAYED);
    Command(*panel, panel::kCmdCallAlt);
    Command(*panel, panel::kCmdMessage);
    Command(*panel, panel::kCmdContactInfo);  // disabled: nothing
    testui::Pump(30);
    ASSERT_EQ(4u, g_posted.size());
    EXPECT_EQ(kPick, g_posted[0].msg) << "the pick comes before the menu";
    for (LPARAM i = 1; i <= 3; ++i) {
        EXPECT_EQ(PELMO_WM_PANEL_ACTION, g_posted[i].msg);
        EXPECT_EQ("0571000001", g_posted[i].value);
        EXPECT_EQ(i, g_posted[i].lp);
    }
    g_posted.clear();
    RightClick(panel, "0571000001", {Choose(3)});
    ASSERT_EQ(2u, g_posted.size());
    EXPECT_EQ(panel::kWmViewHistory, g_posted[1].msg);
    EXPECT_EQ(std::string(kTestIdentity) + "/0571000001", g_posted[1].value);
    EXPECT_EQ(0u, BookChanges());
    // A right click on an open group leaves it open.
    RightClick(panel, "work", {{Script::kMenu, [](HWND popup) { Key(popup, VK_ESCAPE); }}});
    EXPECT_TRUE(TreeView_GetItemState(panel->Tree(), Find(panel, "work"), TVIS_EXPANDED) & TVIS_EXPANDED);
    ::DestroyWindow(*panel);
}

TEST_F(PanelCommandsTest, AddingFromAContactsMenuFilesTheNumberInThatContactsGroup)
{
    MakeBook(Group(7, -1, "work") + Contact(1, 7, "0571000001"));
    auto* panel = Open();
    ASSERT_NE(nullptr, panel);
    RightClick(panel, "0571000001", {Choose(2), Fill(IDC_CONTACT_NUMBER, "0571000009")});
    EXPECT_EQ(std::vector<std::string>{"0571000009"}, g_numbersToAdd);
    EXPECT_EQ("7", GroupOf("0571000009"));
    EXPECT_EQ(session::kNoTargetGroup, session::Current().targetGroup) << "reset after its add";
    EXPECT_EQ("work", ParentText(panel, "0571000009"));
    // A press on the extra root's picture adds to no group.
    {
        Script script({Fill(IDC_CONTACT_NUMBER, "0571000007")});
        ::SendMessageA(*panel, WM_LBUTTONDOWN, kCherryImagePress, 0);
    }
    EXPECT_EQ("-10", GroupOf("0571000007"));
    // A host that does not add at once: its later adds go to no group.
    g_hostAdds = false;
    RightClick(panel, "0571000001", {Choose(2), Fill(IDC_CONTACT_NUMBER, "0571000008")});
    EXPECT_EQ(3u, g_numbersToAdd.size());
    EXPECT_EQ(session::kNoTargetGroup, session::Current().targetGroup);
    ::DestroyWindow(*panel);
}

TEST_F(PanelCommandsTest, GroupsAreAddedChangedAndDeletedFromTheMenu)
{
    MakeBook(Contact(1, PELMO_GROUP_NONE, "0571000001"));
    auto* panel = Open();
    ASSERT_NE(nullptr, panel);
    RightClick(panel, nullptr, {Choose(1), Fill(IDC_GROUP_NAME, "friends")});
    EXPECT_EQ("1", Scalar("SELECT COUNT(*) FROM tab_group WHERE name='friends'"));
    EXPECT_NE(nullptr, Find(panel, "friends"));
    EXPECT_EQ(1u, BookChanges());
    RightClick(panel, "friends", {Choose(2), Fill(IDC_GROUP_NAME, "pals")});
    EXPECT_EQ("pals", Scalar("SELECT name FROM tab_group"));
    EXPECT_NE(nullptr, Find(panel, "pals"));
    EXPECT_EQ(1u, BookChanges());
    RightClick(panel, "pals", {Choose(3), Answer(IDOK)});
    EXPECT_EQ("0", Scalar("SELECT COUNT(*) FROM tab_group"));
    EXPECT_EQ(nullptr, Find(panel, "pals"));
    EXPECT_EQ(1u, BookChanges());
    EXPECT_EQ(1u, g_boxTexts.size()) << "an empty group needs no second question";
    ::DestroyWindow(*panel);
}

TEST_F(PanelCommandsTest, DeletingAGroupAnsweringNoKeepsEveryContactReachable)
{
    MakeBook(Group(7, -1, "work") + Group(8, 7, "team") + Contact(1, 7, "0571000001") + Contact(2, 8, "0571000002") +
             Group(9, -1, "old") + Contact(3, 9, "0571000003") + Group(10, -1, "nest") + Group(11, 10, "inner"));
    auto* panel = Open();
    ASSERT_NE(nullptr, panel);
    RightClick(panel, "work", {Choose(3), Answer(IDOK), Answer(IDCANCEL)});
    EXPECT_EQ("0", Scalar("SELECT COUNT(*) FROM tab_group WHERE ID IN (7,8)"));
    EXPECT_EQ("-10", GroupOf("0571000001"));
    EXPECT_EQ("-10", GroupOf("0571000002")) << "the subgroup's contact too";
    const std::string extraRoot = testui::ResourceText(527);
    EXPECT_EQ(extraRoot, ParentText(panel, "0571000002"));
    EXPECT_EQ(1u, BookChanges());

    RightClick(panel, "old", {Choose(3), Answer(IDOK), Answer(IDOK)});
    EXPECT_EQ("0", Scalar("SELECT COUNT(*) FROM tab_list WHERE mirrun='0571000003'"));
    EXPECT_EQ(nullptr, Find(panel, "0571000003"));
    EXPECT_EQ(1u, BookChanges());

    // Subgroups but no contacts: kept, and the user is told why.
    g_boxTexts.clear();
    RightClick(panel, "nest", {Choose(3), Answer(IDOK), Answer(IDOK)});
    ASSERT_EQ(2u, g_boxTexts.size());
    EXPECT_EQ(panel::kSubgroupsText, g_boxTexts[1]);
    EXPECT_EQ("2", Scalar("SELECT COUNT(*) FROM tab_group"));
    EXPECT_EQ(0u, BookChanges());
    ::DestroyWindow(*panel);
}

TEST_F(PanelCommandsTest, DeletingAContactThenRenamingTheNextOneRenamesThatOne)
{
    MakeBook(Contact(1, PELMO_GROUP_NONE, "0571000001") + Contact(2, PELMO_GROUP_NONE, "0571000002") +
             Contact(3, PELMO_GROUP_NONE, "0571000003"));
    auto* panel = Open();
    ASSERT_NE(nullptr, panel);
    RightClick(panel, "0571000001", {Choose(5), Answer(IDOK)});
    EXPECT_EQ("0", Scalar("SELECT COUNT(*) FROM tab_list WHERE mirrun='0571000001'"));
    EXPECT_EQ(nullptr, Find(panel, "0571000001"));
    EXPECT_EQ(1u, BookChanges());
    RightClick(panel, "0571000002", {Choose(4)});
    HWND edit = TreeView_GetEditControl(panel->Tree());
    ASSERT_NE(nullptr, edit);
    ::SetWindowTextA(edit, "Bob");
    TreeView_EndEditLabelNow(panel->Tree(), FALSE);
    testui::Pump(50);
    EXPECT_EQ("Bob", Scalar("SELECT nickname FROM tab_list WHERE mirrun='0571000002'"));
    EXPECT_EQ("0571000003", Scalar("SELECT nickname FROM tab_list WHERE mirrun='0571000003'"));
    EXPECT_NE(nullptr, Find(panel, "Bob"));
    EXPECT_EQ(1u, BookChanges());
    ::DestroyWindow(*panel);
}

TEST_F(PanelCommandsTest, LabelEditOfAShortenedNameStartsFromTheWholeName)
{
    const std::string name = "ABCDEFGHIJKLMNOPQRST";  // shown cut to 12 and "..."
    MakeBook("INSERT INTO tab_list(ID,groupID,userMirrun,mirrun,nickname) VALUES(1,-10,'" + std::string(kTestIdentity) +
             "','0571000001','" + name + "');");
    auto* panel = Open();
    ASSERT_NE(nullptr, panel);
    Click(panel, name.c_str(), NM_CLICK);
    Command(*panel, panel::kCmdRenameContact);
    HWND edit = TreeView_GetEditControl(panel->Tree());
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(name, testui::WindowText(edit));
    TreeView_EndEditLabelNow(panel->Tree(), FALSE);  // unchanged: nothing stored
    testui::Pump(30);
    EXPECT_EQ("", Scalar("SELECT IFNULL(name,'') FROM tab_list"));
    EXPECT_EQ(0u, BookChanges());

    Command(*panel, panel::kCmdRenameContact);
    ::SetWindowTextA(TreeView_GetEditControl(panel->Tree()), "Zed");
    TreeView_EndEditLabelNow(panel->Tree(), FALSE);
    testui::Pump(30);
    EXPECT_EQ("Zed|Zed", Scalar("SELECT name || '|' || nickname FROM tab_list"));
    EXPECT_NE(nullptr, Find(panel, "Zed"));
    EXPECT_EQ(1u, BookChanges());
    ::DestroyWindow(*panel);
}

TEST_F(PanelCommandsTest, FilesDroppedOnAContactReachTheHostAndEveryDropIsReleased)
{
    MakeBook(Group(7, -1, "work") + Contact(1, 7, "0571000001"));
    auto* panel = Open();
    ASSERT_NE(nullptr, panel);
    auto dropAt = [&](const char* text, const std::vector<std::string>& files) {
        POINT at = PointOf(panel, text);
        ::MapWindowPoints(panel->Tree(), *panel, &at, 1);
        HGLOBAL drop = MakeDrop(at, files);
        ::SendMessageA(*panel, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        EXPECT_EQ(0u, ::GlobalSize(drop)) << "not released: " << (text ? text : "nothing");
    };
    dropAt("0571000001", {"C:\\a.txt", "C:\\b.txt"});
    ASSERT_EQ(1u, g_posted.size());
    EXPECT_EQ(PELMO_WM_PANEL_ACTION, g_posted[0].msg);
    EXPECT_EQ("0571000001|C:\\a.txt", g_posted[0].value);
    EXPECT_EQ(panel::kActionMessage, g_posted[0].lp);
    dropAt("work", {"C:\\a.txt"});
    dropAt(nullptr, {"C:\\a.txt"});
    {
        Script script({Answer(IDOK)});
        dropAt("0571000001", {"C:\\" + std::string(300, 'x')});
    }
    EXPECT_EQ(std::vector<std::string>{panel::kPathTooLongText}, g_boxTexts);
    EXPECT_EQ(1u, g_posted.size());
    ::DestroyWindow(*panel);
}

TEST_F(PanelCommandsTest, DroppedContactsMoveTogetherAndAFailedMoveKeepsThem)
{
    MakeBook(Group(7, -1, "work") + Contact(1, PELMO_GROUP_NONE, "0571000001") +
             Contact(2, PELMO_GROUP_NONE, "0571000002") + Contact(3, PELMO_GROUP_NONE, "0571000003"));
    auto* panel = Open();
    ASSERT_NE(nullptr, panel);
    CCherryTree& tree = panel->Tree();
    HTREEITEM first = Find(panel, "0571000001");
    tree.SetItemStateEx(first, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
    tree.SetItemStateEx(Find(panel, "0571000002"), TVIS_SELECTED, TVIS_SELECTED);
    ::SendMessageA(*panel, WM_CHERRYTREE_DROP, reinterpret_cast<WPARAM>(first),
                   reinterpret_cast<LPARAM>(Find(panel, "work")));
    EXPECT_EQ("7", GroupOf("0571000001"));
    EXPECT_EQ("7", GroupOf("0571000002"));
    EXPECT_EQ("-10", GroupOf("0571000003"));
    EXPECT_EQ("work", ParentText(panel, "0571000002"));
    EXPECT_EQ(1u, BookChanges());

    // The row goes behind the panel's back: the move fails.
    Exec("DELETE FROM tab_list WHERE mirrun='0571000003'");
    HTREEITEM third = Find(panel, "0571000003");
    tree.SetItemStateEx(third, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
    ::SendMessageA(*panel, WM_CHERRYTREE_DROP, reinterpret_cast<WPARAM>(third),
                   reinterpret_cast<LPARAM>(Find(panel, "work")));
    EXPECT_EQ(-10, GetFriendCache()->friends.data[2].groupID);
    EXPECT_EQ(testui::ResourceText(527), ParentText(panel, "0571000003"));
    EXPECT_EQ(0u, BookChanges());
    ::DestroyWindow(*panel);
}
