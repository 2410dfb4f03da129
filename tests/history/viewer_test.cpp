// The history viewer driven as a person would: choose in the tree, select
// rows, press the buttons; then look at what the host received, what the
// list shows and what the store holds.
#include "controls/combo_tree.h"
#include "core/resource_text.h"
#include "core/session_state.h"
#include "hist_fixture.h"
#include "history/hist_view_dlg.h"
#include "resources/resource_ids.h"
#include "string_ids.h"
#include "support/ui_driver.h"

#include <commctrl.h>

#include <cstring>
#include <functional>

namespace {

constexpr UINT kNotifyMessage = WM_APP + 0x44;

struct Received {
    WPARAM code;
    LPARAM block;
    std::string bytes;  // the block as the host read it while handling
};
std::vector<Received> g_received;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kNotifyMessage) {
        const size_t size = wp == PELMO_NOTICE_ADD_NUMBER ? 16 : sizeof(HistEntryNotice) + 1;
        g_received.push_back({wp, lp, std::string(reinterpret_cast<const char*>(lp), size)});
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

// Answers every box that opens over `viewer` with `answer`, keeping the
// texts it showed.
class BoxCatcher {
public:
    using Action = std::function<void(HWND box)>;
    BoxCatcher(HWND viewer, int answer, Action action = nullptr)
        : m_viewer(viewer), m_answer(answer), m_action(std::move(action))
    {
        s_current = this;
        m_timer = ::SetTimer(nullptr, 0, 30, OnTimer);
    }
    ~BoxCatcher()
    {
        ::KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    std::vector<std::string> texts;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        BoxCatcher* self = s_current;
        HWND box = testui::InnermostDialog();
        if (!self || !box || box == self->m_viewer)
            return;
        std::string all;
        for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
            all += testui::WindowText(c) + "|";
        self->texts.push_back(all);
        if (self->m_action)
            self->m_action(box);
        testui::ClickButton(box, self->m_answer);
    }
    static BoxCatcher* s_current;
    HWND m_viewer;
    int m_answer;
    Action m_action;
    UINT_PTR m_timer = 0;
};
BoxCatcher* BoxCatcher::s_current = nullptr;

class Viewer : public HistoryStoreTest {
protected:
    void SetUp() override
    {
        HistoryStoreTest::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "HistTestHost";
        ::RegisterClassA(&wc);
        m_host = ::CreateWindowA("HistTestHost", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        PointAt(m_dir, m_host, kNotifyMessage);
        g_received.clear();
    }
    void TearDown() override
    {
        if (::IsWindow(m_viewer))
            ::DestroyWindow(m_viewer);
        ::DestroyWindow(m_host);
        HistoryStoreTest::TearDown();
    }
    void Seed()
    {
        HistRecord e[] = {Entry("text", "g1", "已读", "100", kHistIdentity, "<BODY>first</BODY>", "d1"),
                          Entry("text", "g1", "已发", kHistIdentity, "101", "<BODY>second</BODY>", "d2"),
                          Entry("text", "g1", "未读", "102", kHistIdentity, "<BODY>third</BODY>", "d3"),
                          Entry("text", "g2", "未读", "103", kHistIdentity, "<BODY>other</BODY>", "d4"),
                          Entry("tel", "t1", "", kHistIdentity, kHistIdentity, nullptr, "00:01")};
        ASSERT_EQ(5, addHistEntries(e, 5));
    }
    void OpenViewer()
    {
        m_viewer = reinterpret_cast<HWND>(viewHistList());
        ASSERT_NE(nullptr, m_viewer);
        m_tree = ::GetDlgItem(m_viewer, IDC_HIST_TREE);
        m_list = ::GetDlgItem(m_viewer, IDC_HIST_LIST);
    }
    void Click(int id)
    {
        ::SendMessageA(m_viewer, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(m_viewer, id)));
    }
    void SelectRows(std::initializer_list<int> rows)
    {
        ListView_SetItemState(m_list, -1, 0, LVIS_SELECTED);
        for (int r : rows)
            ListView_SetItemState(m_list, r, LVIS_SELECTED, LVIS_SELECTED);
    }
    std::string Cell(int row, int column)
    {
        char text[600] = {};
        ListView_GetItemText(m_list, row, column, text, sizeof text);
        return text;
    }
    int Rows() { return ListView_GetItemCount(m_list); }
    LPARAM Data(HTREEITEM item)
    {
        TVITEMA tv{};
        tv.mask = TVIF_PARAM;
        tv.hItem = item;
        TreeView_GetItem(m_tree, &tv);
        return tv.lParam;
    }
    std::vector<HTREEITEM> Children(HTREEITEM parent)
    {
        std::vector<HTREEITEM> out;
        for (HTREEITEM c = TreeView_GetChild(m_tree, parent); c; c = TreeView_GetNextSibling(m_tree, c))
            out.push_back(c);
        return out;
    }
    static const HistEntryNotice& Notice(const Received& r)
    {
        return *reinterpret_cast<const HistEntryNotice*>(r.bytes.data());
    }

    HWND m_host = nullptr, m_viewer = nullptr, m_tree = nullptr, m_list = nullptr;
};

TEST_F(Viewer, TreeCarriesTheCategoriesAndTheListShowsTheLastRecordFirst)
{
    Seed();
    OpenViewer();
    HTREEITEM root = TreeView_GetRoot(m_tree);
    EXPECT_EQ(0, Data(root));
    const auto categories = Children(root);
    ASSERT_EQ(2u, categories.size());
    EXPECT_EQ(256, Data(categories[0]));
    EXPECT_EQ(1280, Data(categories[1]));
    const auto texts = Children(categories[0]);
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(257, Data(texts[0]));
    EXPECT_EQ(258, Data(texts[1]));
    EXPECT_EQ(1281, Data(Children(categories[1]).at(0)));
    EXPECT_EQ(texts[0], TreeView_GetSelection(m_tree)) << "the first text group is chosen at start";

    ASSERT_EQ(3, Rows());
    EXPECT_EQ("1", Cell(0, 0));
    EXPECT_EQ("102", Cell(0, 3)) << "record 3 in row 1";
    EXPECT_EQ("third", Cell(0, 5));
    EXPECT_EQ(resources::String(IDS_HIST_STATUS_UNREAD), Cell(0, 2));
    EXPECT_EQ(resources::String(IDS_HIST_STATUS_SENT), Cell(1, 2));
    EXPECT_EQ("d1", Cell(2, 6));

    TreeView_SelectItem(m_tree, Children(categories[1]).at(0));
    ASSERT_EQ(1, Rows());
    EXPECT_EQ("00:01", Cell(0, 3)) << "the call layout has four columns";
}

TEST_F(Viewer, WithTheRootChosenOpenAndDeleteActOnNothing)
{
    Seed();
    OpenViewer();
    TreeView_SelectItem(m_tree, TreeView_GetRoot(m_tree));
    ASSERT_EQ(1, Rows());
    EXPECT_EQ(resources::String(IDS_MSG_SELECT_ITEM), Cell(0, 0));
    SelectRows({0});
    {
        BoxCatcher boxes(m_viewer, IDOK);
        Click(IDC_HIST_OPEN);
        Click(IDC_HIST_DELETE);
        Click(IDC_HIST_ADD);
        ASSERT_EQ(2u, boxes.texts.size()) << "open and delete say so; add stays silent";
        for (const std::string& t : boxes.texts)
            EXPECT_NE(std::string::npos, t.find(resources::String(IDS_MSG_SELECT_ITEM))) << t;
    }
    testui::Pump(50);
    EXPECT_TRUE(g_received.empty());
    EXPECT_EQ(3u, Query("text", "g1").size());
}

TEST_F(Viewer, OpeningAnUnreadEntryMarksItReadEverywhere)
{
    Seed();
    OpenViewer();
    SelectRows({0});
    Click(IDC_HIST_OPEN);
    ASSERT_EQ(1u, g_received.size()) << "sent: the host has it when the click returns";
    const HistEntryNotice& n = Notice(g_received[0]);
    EXPECT_EQ(WPARAM(PELMO_NOTICE_HIST_TEXT), g_received[0].code);
    EXPECT_STREQ("102", n.partyA);
    EXPECT_STREQ(kHistIdentity, n.partyB);
    EXPECT_STREQ("<BODY>third</BODY>", n.content);
    EXPECT_STREQ("已读", n.status);
    EXPECT_STREQ("g1", n.group);
    EXPECT_STREQ("d3", n.detail);
    EXPECT_EQ('\0', g_received[0].bytes.back());
    EXPECT_STREQ("已读", Query("text", "g1").at(2).fixed.status);
    EXPECT_EQ(resources::String(IDS_HIST_STATUS_READ), Cell(0, 2));
    EXPECT_EQ(0, ListView_GetNextItem(m_list, -1, LVNI_SELECTED)) << "the opened row stays chosen";
}

TEST_F(Viewer, TwoOpensThenCloseBeforeTheHostPumps)
{
    Seed();
    OpenViewer();
    SelectRows({1});
    Click(IDC_HIST_OPEN);
    SelectRows({2});
    ::SendMessageA(m_list, WM_SETFOCUS, 0, 0);
    Click(IDC_HIST_OPEN);
    Click(IDC_HIST_CLOSE);
    EXPECT_FALSE(::IsWindow(m_viewer));
    testui::Pump(50);
    ASSERT_EQ(2u, g_received.size());
    EXPECT_NE(g_received[0].block, g_received[1].block) << "each open has its own block";
    EXPECT_STREQ("<BODY>second</BODY>", Notice(g_received[0]).content);
    EXPECT_STREQ("已发", Notice(g_received[0]).status);
    EXPECT_STREQ("<BODY>first</BODY>", Notice(g_received[1]).content);
}

TEST_F(Viewer, DeletingSeveralRowsRemovesTheirRecords)
{
    Seed();
    OpenViewer();
    SelectRows({0, 2});
    {
        BoxCatcher boxes(m_viewer, IDCANCEL);
        Click(IDC_HIST_DELETE);
        ASSERT_EQ(1u, boxes.texts.size());
    }
    EXPECT_EQ(3u, Query("text", "g1").size()) << "Cancel deletes nothing";
    {
        BoxCatcher boxes(m_viewer, IDOK);
        Click(IDC_HIST_DELETE);
        ASSERT_EQ(1u, boxes.texts.size());
    }
    const auto left = Query("text", "g1");
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(kHistIdentity, left[0].a) << "rows 1 and 3 were records 3 and 1";
    ASSERT_EQ(1, Rows());
    EXPECT_EQ("101", Cell(0, 4));
}

TEST_F(Viewer, AnEntryBetweenTheUserAndThemselvesOffersNothingToAdd)
{
    Seed();
    OpenViewer();
    HTREEITEM calls = Children(TreeView_GetRoot(m_tree)).at(1);
    TreeView_SelectItem(m_tree, Children(calls).at(0));
    SelectRows({0});
    BoxCatcher boxes(m_viewer, IDOK);
    Click(IDC_HIST_ADD);
    testui::Pump(80);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(g_received.empty());
}

// The contact dialog's group chooser, as a person picks a group.
void ChooseGroup(HWND dialog, int value)
{
    auto* chooser = dynamic_cast<CComboTree*>(CWnd::FromHandle(::GetDlgItem(dialog, IDC_CONTACT_GROUP)));
    ASSERT_NE(nullptr, chooser);
    std::function<HTREEITEM(HTREEITEM)> find = [&](HTREEITEM item) -> HTREEITEM {
        for (; item; item = chooser->Tree().GetNextSiblingItem(item)) {
            if (chooser->Tree().GetItemData(item) == value)
                return item;
            if (HTREEITEM inner = find(chooser->Tree().GetChildItem(item)))
                return inner;
        }
        return nullptr;
    };
    HTREEITEM item = find(chooser->Tree().GetChildItem(nullptr));
    ASSERT_NE(nullptr, item);
    chooser->DropDown();
    chooser->Tree().SelectItem(item);
    ::SendMessageA(chooser->Tree(), WM_KEYDOWN, VK_RETURN, 1);
}

TEST_F(Viewer, AddingGoesThroughTheContactDialogAndHandsTheHostTheNumberAndGroup)
{
    std::vector<FriendGroup> groups(1);
    groups[0].ID = 5;
    std::strcpy(groups[0].name, "同事");
    groups[0].fatherID = -1;
    std::vector<FriendInfo> friends(1);
    friends[0].groupID = 5;
    std::strcpy(friends[0].mirrun, "1390000111");
    std::strcpy(friends[0].name, "老王");
    FriendCache cache{};
    cache.groups.data = groups.data();
    cache.groups.count = cache.groups.capacity = 1;
    cache.friends.data = friends.data();
    cache.friends.count = cache.friends.capacity = 1;
    HostConfig config{};
    ASSERT_GE(getConfInfo(TEMBRA_CONF_KEY, &config), 0);
    config.friendCache = &cache;
    setConfInfo(TEMBRA_CONF_KEY, &config);
    HistRecord e[] = {Entry("text", "g", "", "1390000111", kHistIdentity, ""),
                      Entry("text", "g", "", kHistIdentity, "1390000222", "")};
    ASSERT_EQ(2, addHistEntries(e, 2));
    OpenViewer();
    EXPECT_EQ("老王", Cell(1, 3)) << "a contact's number shows as the contact";

    SelectRows({0});
    {
        BoxCatcher dialog(m_viewer, IDOK, [](HWND box) { ChooseGroup(box, 5); });
        Click(IDC_HIST_ADD);
        ASSERT_EQ(1u, dialog.texts.size());
    }
    ASSERT_EQ(1u, g_received.size());
    EXPECT_EQ(WPARAM(PELMO_NOTICE_ADD_NUMBER), g_received[0].code);
    EXPECT_STREQ("1390000222", g_received[0].bytes.c_str());
    EXPECT_EQ(5, session::Current().targetGroup) << "addFriend files it where the dialog said";
    session::Current().targetGroup = session::kNoTargetGroup;

    SelectRows({1});
    {
        BoxCatcher boxes(m_viewer, IDOK);
        Click(IDC_HIST_ADD);
        ASSERT_EQ(1u, boxes.texts.size());
        EXPECT_NE(std::string::npos, boxes.texts[0].find(resources::String(IDS_ERR_ALREADY_CONTACT)));
    }
    EXPECT_EQ(1u, g_received.size());
    ::DestroyWindow(m_viewer);
    clearConfInfo(TEMBRA_CONF_KEY);  // the cache lives on this stack
}

TEST_F(Viewer, ThreeHundredGroupsAllAppearAndTheLastOneLoads)
{
    std::vector<std::string> names;
    std::vector<HistRecord> entries;
    for (int i = 0; i < 300; ++i)
        names.push_back("group " + std::to_string(i));
    for (const std::string& name : names)
        entries.push_back(Entry("text", name.c_str(), "", name.c_str(), "2", ""));
    ASSERT_EQ(300, addHistEntries(entries.data(), 300));
    OpenViewer();
    const auto groups = Children(Children(TreeView_GetRoot(m_tree)).at(0));
    ASSERT_EQ(300u, groups.size());
    TreeView_SelectItem(m_tree, groups[299]);
    ASSERT_EQ(1, Rows());
    EXPECT_EQ("group 299", Cell(0, 3));
    TreeView_SelectItem(m_tree, groups[255]);
    EXPECT_EQ("group 255", Cell(0, 3));
}

TEST_F(Viewer, SizingStopsAtTheMinimumWithTheDraggedEdgeGivingWay)
{
    OpenViewer();
    RECT r{500, 400, 600, 450};
    ::SendMessageA(m_viewer, WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(600 - 372, r.left);
    EXPECT_EQ(450 - 238, r.top);
    r = RECT{500, 400, 600, 450};
    ::SendMessageA(m_viewer, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ((RECT{500, 400, 872, 638}.right), r.right);
    EXPECT_EQ(638, r.bottom);

    // Growing keeps the list's and the buttons' distances from the edges.
    RECT before{}, after{};
    ::GetWindowRect(::GetDlgItem(m_viewer, IDC_HIST_CLOSE), &before);
    RECT w{};
    ::GetWindowRect(m_viewer, &w);
    ::SetWindowPos(m_viewer, nullptr, 0, 0, w.right - w.left + 100, w.bottom - w.top + 50, SWP_NOMOVE | SWP_NOZORDER);
    ::GetWindowRect(::GetDlgItem(m_viewer, IDC_HIST_CLOSE), &after);
    EXPECT_EQ(before.left + 100, after.left);
    EXPECT_EQ(before.top + 50, after.top);
}

TEST_F(Viewer, NoRecordNoViewer)
{
    clearConfInfo(TEMBRA_CONF_KEY);
    BoxCatcher boxes(nullptr, IDOK);
    EXPECT_EQ(0, viewHistList());
    ASSERT_EQ(1u, boxes.texts.size());
}

}  // namespace
