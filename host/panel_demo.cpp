#include "host/panel_demo.h"

#include "host/host_window.h"

#include "host/screenshot.h"
#include "history_lib.h"
#include "pelmo.h"

#include <commctrl.h>
#include <sqlite3.h>

#include <cstring>
#include <vector>

namespace panel_demo {

namespace {

constexpr UINT kPickMessage = WM_APP + 0x40;
constexpr UINT kToolContacts = WM_USER + 0x2C;
constexpr UINT kToolSettings = WM_APP + 1;
constexpr int kPanelId = 3200;
constexpr int kToolBarId = 3100;
constexpr int kTreeId = 7035;
constexpr int kPanelWidth = 157;
constexpr UINT kCmdRequestList = 60000;
constexpr UINT kCmdToggleList = 60003;

void* g_panel = nullptr;
LogSink g_sink = nullptr;
unsigned g_reports = 0;  // online lists reported so far

void Log(const std::string& line)
{
    if (g_sink)
        g_sink(line);
}

HWND Panel(HWND main)
{
    return ::GetDlgItem(main, kPanelId);
}

HWND Tree(HWND main)
{
    return ::GetDlgItem(Panel(main), kTreeId);
}

// The online list as the client's server would send it: 16-byte numbers
// followed by 35-byte names.
std::vector<char> OnlineBlock(const std::vector<std::pair<const char*, const char*>>& entries)
{
    std::vector<char> block(entries.size() * 51, 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        std::strncpy(&block[i * 16], entries[i].first, 15);
        std::strncpy(&block[entries.size() * 16 + i * 35], entries[i].second, 34);
    }
    return block;
}

void Deliver(HWND main, const std::vector<char>& block)
{
    ::SendMessageA(Panel(main), PELMO_WM_ONLINE_LIST, block.size(), reinterpret_cast<LPARAM>(block.data()));
}

// The terminals the simulated server reports online: the first two always,
// two of the rest in turn, so the list changes from one report to the next.
std::vector<std::pair<const char*, const char*>> OnlineEntries(unsigned step)
{
    static const std::pair<const char*, const char*> kTerminals[] = {
        {"02066668888", "会议室终端"}, {"01088886666", "前台"},        {"057188881234", "客服中心"},
        {"02199990000", "访客"},       {"075512345678", "深圳办事处"}, {"02587654321", "南京展厅"},
    };
    constexpr unsigned kRotating = 4;
    return {kTerminals[0], kTerminals[1], kTerminals[2 + step % kRotating], kTerminals[2 + (step + 1) % kRotating]};
}

// Delivers the list of `step` and logs it decoded: how many, then each name
// and number.
void DeliverEntries(HWND main, unsigned step, const char* why)
{
    const auto entries = OnlineEntries(step);
    Deliver(main, OnlineBlock(entries));
    std::string line = std::string(why) + "：在线列表 " + std::to_string(entries.size()) + " 个号码 —";
    for (const auto& entry : entries)
        line += std::string(" ") + entry.second + " " + entry.first;
    Log(line);
}

// Where a person would point at the item's label, in screen coordinates.
bool ItemPoint(HWND tree, HTREEITEM item, POINT* at)
{
    if (!item)
        return false;
    TreeView_EnsureVisible(tree, item);
    ::UpdateWindow(tree);
    RECT row{};
    TreeView_GetItemRect(tree, item, &row, TRUE);
    *at = POINT{row.left + 30, (row.top + row.bottom) / 2};
    ::ClientToScreen(tree, at);
    return true;
}

void Buttons(DWORD down, DWORD up, int times)
{
    INPUT input[4] = {};
    for (INPUT& i : input)
        i.type = INPUT_MOUSE;
    input[0].mi.dwFlags = input[2].mi.dwFlags = down;
    input[1].mi.dwFlags = input[3].mi.dwFlags = up;
    ::SendInput(times * 2, input, sizeof(INPUT));
}

// Selects an item of the panel's tree by its text and clicks it as a person
// would: the pointer goes there and the button goes down and up.
bool ClickItem(HWND main, const char* text, bool twice)
{
    POINT at{};
    if (!ItemPoint(Tree(main), FindTreeItem(Tree(main), text), &at))
        return false;
    ::SetCursorPos(at.x, at.y);
    Pump(150);
    Buttons(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, twice ? 2 : 1);
    Pump(250);
    return true;
}

// The context menu photographed from inside its own loop: the first tick
// selects an item with the keyboard, the next saves the screen and closes.
struct MenuShot {
    std::string path;
    int downs = 0;
    int ticks = 0;
    bool saved = false;
};
MenuShot g_menuShot;

void CALLBACK MenuShotTick(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = ::FindWindowA("#32768", nullptr);
    if (!popup || !::IsWindowVisible(popup)) {
        if (++g_menuShot.ticks > 40)
            ::KillTimer(nullptr, id);  // no menu came
        return;
    }
    if (g_menuShot.downs >= 0) {
        for (int i = 0; i < g_menuShot.downs; ++i) {
            ::PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 1);
            ::PostMessageA(popup, WM_KEYUP, VK_DOWN, static_cast<LPARAM>(0xC0000001));
        }
        g_menuShot.downs = -1;
        return;
    }
    ::KillTimer(nullptr, id);
    g_menuShot.saved = SaveScreenshot(g_menuShot.path);
    ::EndMenu();
}

// A right click on the item showing `text` (null: below the items), the
// menu photographed while open.
void ShootMenu(HWND main, const std::string& folder, const char* text, int downs, const char* name)
{
    HWND tree = Tree(main);
    POINT at{};
    if (text) {
        if (!ItemPoint(tree, FindTreeItem(tree, text), &at))
            return;
    } else {
        RECT client{};
        ::GetClientRect(tree, &client);
        at = POINT{40, client.bottom - 40};
        ::ClientToScreen(tree, &at);
    }
    g_menuShot = MenuShot{folder + "\\" + name + ".bmp", downs};
    ::SetCursorPos(at.x, at.y);
    Pump(150);
    ::SetTimer(nullptr, 0, 300, MenuShotTick);
    Buttons(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 1);
    Pump(400);  // the menu's loop runs in here
    Log(std::string("右键菜单 ") + (text ? text : "空白处") + (g_menuShot.saved ? "：已截图" : "：未打开"));
}

// The drag, one step a tick from inside the tree's own press and drag
// loops: moves toward the target, then the release over it.
constexpr int kDragMoves = 8;
struct DragPlay {
    POINT from{}, to{};
    std::string shot;  // taken over the target, before the release
    int step = 0;
    bool saved = false;
    bool done = false;
};
DragPlay g_drag;

void CALLBACK DragTick(HWND, UINT, UINT_PTR id, DWORD)
{
    DragPlay& d = g_drag;
    ++d.step;
    if (d.step <= kDragMoves) {
        ::SetCursorPos(d.from.x + (d.to.x - d.from.x) * d.step / kDragMoves,
                       d.from.y + (d.to.y - d.from.y) * d.step / kDragMoves);
        return;
    }
    if (d.step == kDragMoves + 2 && !d.shot.empty())
        d.saved = SaveScreenshot(d.shot);
    if (d.step < kDragMoves + 3)
        return;  // let the target light up
    ::KillTimer(nullptr, id);
    Buttons(MOUSEEVENTF_LEFTUP, 0, 1);
    d.done = true;
}

// Drags the item showing `text` onto the one showing `onto` with the left
// button, in small steps as a hand would.
bool DragItem(HWND main, const char* text, const char* onto, const std::string& shot)
{
    HWND tree = Tree(main);
    g_drag = DragPlay{};
    g_drag.shot = shot;
    if (!ItemPoint(tree, FindTreeItem(tree, text), &g_drag.from) ||
        !ItemPoint(tree, FindTreeItem(tree, onto), &g_drag.to))
        return false;
    ::SetCursorPos(g_drag.from.x, g_drag.from.y);
    Pump(150);
    ::SetTimer(nullptr, 0, 60, DragTick);
    Buttons(MOUSEEVENTF_LEFTDOWN, 0, 1);
    for (int i = 0; i < 30 && !g_drag.done; ++i)
        Pump(50);
    Pump(300);
    return g_drag.done;
}

void ExpandAll(HWND main)
{
    HWND tree = Tree(main);
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item)) {
        TreeView_Expand(tree, item, TVE_EXPAND);
        for (HTREEITEM child = TreeView_GetChild(tree, item); child; child = TreeView_GetNextSibling(tree, child))
            TreeView_Expand(tree, child, TVE_EXPAND);
    }
    TreeView_EnsureVisible(tree, TreeView_GetRoot(tree));
}

void Shot(const std::string& folder, const char* name)
{
    Pump(500);
    SaveScreenshot(folder + "\\" + name + ".bmp");
    Log(std::string("截图 ") + name);
}

// A click on the item showing `text` with Ctrl held: one more in the selection.
bool CtrlClickItem(HWND main, const char* text)
{
    POINT at{};
    if (!ItemPoint(Tree(main), FindTreeItem(Tree(main), text), &at))
        return false;
    ::SetCursorPos(at.x, at.y);
    Pump(100);
    INPUT input[4] = {};
    input[0].type = input[3].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[3].ki.wVk = VK_CONTROL;
    input[3].ki.dwFlags = KEYEVENTF_KEYUP;
    input[1].type = input[2].type = INPUT_MOUSE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(4, input, sizeof(INPUT));
    Pump(250);
    return true;
}

// Three contacts picked as a person would (a click, then Ctrl clicks), and
// the pointer resting on a fourth until its tip (the number) shows.
void ShootSelection(HWND main, const std::string& folder)
{
    Pump(600);  // no double click with the menus' last press
    ClickItem(main, "老张", false);
    CtrlClickItem(main, "王经理");
    CtrlClickItem(main, "爸爸");
    POINT at{};
    if (ItemPoint(Tree(main), FindTreeItem(Tree(main), "吴敏"), &at)) {
        ::SetCursorPos(at.x, at.y);
        Pump(50);
        ::SetCursorPos(at.x + 2, at.y);
    }
    Pump(400);
    Shot(folder, "panel_multi_select");
}

}  // namespace

void SeedBook(FILE* log)
{
    struct Person {
        const char* number;
        const char* nickname;
        int group;
        int state;
    } people[] = {
        {"13900002222", "老张", 1, 1},   {"13700004444", "小梅", 2, 1},   {"13600005555", "王经理", 1, 0},
        {"13500006666", "李娜", 1, 2},   {"13300007777", "妈妈", 2, 1},   {"13200008888", "爸爸", 2, 0},
        {"13100009999", "陈老师", 4, 0}, {"13000001234", "赵磊", 4, 1},   {"15900002345", "周小川", 3, 0},
        {"15800003456", "吴敏", 3, 1},   {"15700004567", "郑凯", -10, 0}, {"15600005678", "快递小哥", -10, 0},
    };
    // The numbers come in as the network reports them.
    for (const Person& p : people)
        addFriend(p.number, nullptr);

    // The groups and nicknames the user gave them over time, written into
    // the sample user's friend.mdb as the manager would have stored them;
    // the book is then read anew, so every window and every later reload
    // (an import) sees the same book.
    HostConfig config{};
    if (getConfInfo(TEMBRA_CONF_KEY, &config) < 0)
        return;
    const std::string identity(config.identity, strnlen(config.identity, sizeof config.identity));
    const std::string path =
        std::string(config.dataDir, strnlen(config.dataDir, sizeof config.dataDir)) + "\\friend.mdb";
    std::string sql = "begin;";
    struct Group {
        int id;
        const char* name;
        int father;
    } groups[] = {{1, "同事", -1}, {2, "家人", -1}, {3, "同学", -1}, {4, "大学同学", 3}};
    for (const Group& g : groups)
        sql += "insert into tab_group values (" + std::to_string(g.id) + ", '" + identity + "', '" + g.name + "', " +
               std::to_string(g.father) + ");";
    for (const Person& p : people)
        sql += "update tab_list set groupID = " + std::to_string(p.group) + ", nickname = '" + p.nickname +
               "' where mirrun = '" + p.number + "' and userMirrun = '" + identity + "';";
    sql += "commit;";
    sqlite3* db = nullptr;
    const bool stored = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    std::fprintf(log, "sample groups stored in %s: %s\n", path.c_str(), stored ? "yes" : "no");
    std::fprintf(log, "iniFriends (reload) -> %d\n", iniFriends());
    for (const Person& p : people)
        setFriendState(p.number, p.state);
    FriendCache* cache = GetFriendCache();
    std::fprintf(log, "panel book: %d groups, %d contacts\n", cache ? static_cast<int>(cache->groups.count) : -1,
                 cache ? static_cast<int>(cache->friends.count) : -1);
}

RECT FreeArea(HWND main)
{
    RECT r{};
    ::GetClientRect(main, &r);
    if (Panel(main))
        r.right -= kPanelWidth;
    if (::GetDlgItem(main, kToolBarId))
        r.top += 60;
    return r;
}

void Dock(HWND main, bool barAbove, LogSink sink)
{
    g_sink = sink;
    if (barAbove && !showFuncTools(main, 0))
        Log("showFuncTools -> null");
    g_panel = showFriendList(main, kPickMessage, "", barAbove ? 1 : 0);
    Log(g_panel ? "showFriendList -> 面板已停靠" : "showFriendList -> null");
    if (HWND bar = ::GetDlgItem(main, kToolBarId))
        ::SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Undock(HWND main)
{
    RECT before{};
    ::GetWindowRect(main, &before);
    Log("hideFriendList -> " + std::to_string(hideFriendList(&g_panel)));
    if (HWND bar = ::GetDlgItem(main, kToolBarId))
        ::DestroyWindow(bar);
    ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    // hideFriendList made the window narrower by the panel: back to its size.
    ::SetWindowPos(main, nullptr, 0, 0, before.right - before.left, before.bottom - before.top,
                   SWP_NOMOVE | SWP_NOZORDER);
}

bool OnMessage(HWND main, UINT msg, WPARAM wp, LPARAM lp)
{
    (void)lp;
    const char* value = wp ? reinterpret_cast<const char*>(wp) : "";
    switch (msg) {
    case kPickMessage:
        Log(std::string("选中联系人 ") + value);
        return true;
    case PELMO_WM_PANEL_ACTION: {
        char name[50] = {};
        getFriendNickName(value, name);
        Log(std::string("呼叫 ") + value + (name[0] ? std::string(" (") + name + ")" : std::string()));
        return true;
    }
    case PELMO_WM_LIST_REQUEST:
        // The server's answer, straight back to the panel that asked.
        DeliverEntries(main, g_reports++, "面板请求，已回复");
        return true;
    case PELMO_WM_LIST_HIDDEN:
        Log("在线列表已隐藏");
        return true;
    case PELMO_WM_LIST_SHOWN:
        Log(wp ? "在线列表重新显示" : "没有保存的在线列表");
        return true;
    case kToolContacts:
        // The tool bar's contacts button shows or hides the panel under it.
        Log("工具栏：显示/隐藏联系人列表");
        if (g_panel) {
            RECT before{};
            ::GetWindowRect(main, &before);
            hideFriendList(&g_panel);
            ::SetWindowPos(main, nullptr, 0, 0, before.right - before.left, before.bottom - before.top,
                           SWP_NOMOVE | SWP_NOZORDER);
        } else {
            g_panel = showFriendList(main, kPickMessage, "", ::GetDlgItem(main, kToolBarId) ? 1 : 0);
            if (HWND bar = ::GetDlgItem(main, kToolBarId))
                ::SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
        return true;
    case kToolSettings:
        Log("工具栏：系统设置");
        return true;
    }
    return false;
}

void DeliverOnlineList(HWND main)
{
    if (Panel(main))
        DeliverEntries(main, g_reports++, "模拟");
}

void Shoot(HWND main, const std::string& folder, LogSink sink)
{
    Dock(main, true, sink);
    Pump(400);
    ExpandAll(main);
    ClickItem(main, "王经理", false);
    ClickItem(main, "小梅", true);
    ClickItem(main, "周小川", true);  // offline: no call
    Shot(folder, "panel_bar_above");

    // A presence change arriving: 周小川 comes online and moves up.
    for (const char* number : {"15900002345", "13600005555"}) {
        setFriendState(number, 1);
        ::SendMessageA(Panel(main), WM_USER + 0x400, 7, reinterpret_cast<LPARAM>(number));
        Log(std::string("上线 ") + number);
    }
    setFriendState("13900002222", 0);
    ::SendMessageA(Panel(main), WM_USER + 0x400, 9, reinterpret_cast<LPARAM>("13900002222"));
    Log("下线 13900002222");
    Shot(folder, "panel_presence");

    // The online list: a first delivery shows it, a request refreshes it.
    Deliver(main, OnlineBlock({{"02066668888", "会议室终端"}, {"01088886666", "前台"}, {"057188881234", "客服中心"}}));
    Log("送达在线列表：3 个号码");
    ::SendMessageA(Panel(main), WM_COMMAND, kCmdRequestList, 0);
    Pump(300);
    TreeView_EnsureVisible(Tree(main), TreeView_GetLastVisible(Tree(main)));
    ClickItem(main, "01088886666", true);
    Shot(folder, "panel_online_list");
    ::SendMessageA(Panel(main), WM_COMMAND, kCmdToggleList, 0);

    // The tool bar with the second function current (the message view).
    showFuncTools(main, 1);
    Log("showFuncTools(1)：短消息为当前功能");
    Shot(folder, "panel_toolbar_message");

    // The other layout: no tool bar, the panel's content from the top.
    Undock(main);
    Dock(main, false, sink);
    Pump(400);
    ExpandAll(main);
    ClickItem(main, "妈妈", true);
    Shot(folder, "panel_plain");
    ShootCommands(main, folder);
}

void ShootCommands(HWND main, const std::string& folder)
{
    ExpandAll(main);
    Pump(300);
    ShootMenu(main, folder, "小梅", 1, "panel_menu_contact");
    ShootMenu(main, folder, "家人", 2, "panel_menu_group");
    ShootMenu(main, folder, "我的好友", 1, "panel_menu_extra_root");
    ShootMenu(main, folder, nullptr, 1, "panel_menu_empty");
    ShootSelection(main, folder);
    // A contact without a group dragged onto the colleagues.
    Pump(600);  // longer than a double click after the last press
    DragItem(main, "郑凯", "同事", folder + "\\panel_mid_drag.bmp");
    if (g_drag.saved)
        Log("截图 panel_mid_drag");
    FriendCache* cache = GetFriendCache();
    int group = 0;
    for (intptr_t i = 0; cache && i < cache->friends.count; ++i)
        if (std::strcmp(cache->friends.data[i].mirrun, "15700004567") == 0)
            group = cache->friends.data[i].groupID;
    Log(group == 1 ? "拖放：郑凯 → 同事" : "拖放：郑凯未移动");
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    Shot(folder, "panel_after_move");
}

}  // namespace panel_demo
