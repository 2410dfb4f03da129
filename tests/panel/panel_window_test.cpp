// The contact panel docked in a host window, driven as a host drives it:
// through showFriendList/hideFriendList, presence messages and clicks, with
// the notices and posts the host receives checked.
#include "core/core_host.h"
#include "core/friend_db.h"
#include "manager/manager_pane.h"
#include "panel/friend_sel_wnd.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT kPick = WM_APP + 0x40;

// The host's main window: records the pick and action posts it receives.
struct Posted {
    UINT msg;
    std::string value;
};
std::vector<Posted> g_posted;
LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kPick || msg == PELMO_WM_PANEL_ACTION)
        g_posted.push_back(Posted{msg, wp ? reinterpret_cast<const char*>(wp) : "(null)"});
    return ::DefWindowProcA(h, msg, wp, lp);
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
    // Selects the item showing `value` the way a click does and sends the
    // tree's notification.
    void Click(CFriendSelWnd* panel, const char* tip, UINT code)
    {
        CCherryTree& tree = panel->Tree();
        for (HTREEITEM root = tree.Next(nullptr, TVGN_ROOT); root; root = tree.Next(root, TVGN_NEXT))
            for (HTREEITEM item = tree.Next(root, TVGN_CHILD); item; item = tree.Next(item, TVGN_NEXT))
                if (tree.GetItemFullText(item) == tip || tree.GetItemText(item) == tip) {
                    tree.SetItemStateEx(item, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
                    NMHDR header{tree, kPanelTreeId, code};
                    ::SendMessageA(*panel, WM_NOTIFY, kPanelTreeId, reinterpret_cast<LPARAM>(&header));
                    return;
                }
        ADD_FAILURE() << "no item " << tip;
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
