// Journeys of a host through the library, as the client makes them: the
// library is loaded by name, reached through its exports and window
// messages only, and unloaded. Each journey checks the notices the host
// receives, the cache it reads in place and the book on disk.
#include "history_lib.h"
#include "pelmo.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT kNoticeMessage = WM_APP + 1;
constexpr UINT kPickMessage = WM_APP + 2;
constexpr char kIdentity[] = "8613800001111";

// What reached the host window.
struct Received {
    UINT message;
    WPARAM wp;
    LPARAM lp;
    std::string text;  // the picked value, read when it arrived
};
std::vector<Received> g_received;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kNoticeMessage || msg == PELMO_WM_PANEL_ACTION || msg == kPickMessage) {
        Received r{msg, wp, lp, {}};
        if (msg != kNoticeMessage && wp)
            r.text = reinterpret_cast<const char*>(wp);
        g_received.push_back(r);
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

void Pump(DWORD milliseconds)
{
    const DWORD until = ::GetTickCount() + milliseconds;
    do {
        MSG m;
        while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&m);
            ::DispatchMessageA(&m);
        }
        ::Sleep(5);
    } while (static_cast<int>(until - ::GetTickCount()) > 0);
}

std::vector<WPARAM> NoticeCodes()
{
    std::vector<WPARAM> codes;
    for (const Received& r : g_received)
        if (r.message == kNoticeMessage)
            codes.push_back(r.wp);
    return codes;
}

int CountOf(const std::vector<WPARAM>& codes, WPARAM code)
{
    int n = 0;
    for (WPARAM c : codes)
        n += c == code;
    return n;
}

BOOL CALLBACK CountVisible(HWND hwnd, LPARAM lp)
{
    *reinterpret_cast<int*>(lp) += ::IsWindowVisible(hwnd) ? 1 : 0;
    return TRUE;
}

// The library as a host sees it: a DLL and its exports.
class Library {
public:
    Library() : m_dll(::LoadLibraryA("pelmo.dll")) {}
    ~Library() { Unload(); }
    bool Loaded() const { return m_dll != nullptr; }
    void Unload()
    {
        if (m_dll)
            ::FreeLibrary(std::exchange(m_dll, nullptr));
    }
    template <typename Fn>
    Fn Get(const char* name) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_dll, name)));
    }

private:
    HMODULE m_dll;
};
#define EXPORT(lib, name) (lib).Get<decltype(&name)>(#name)

class Journey : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_received.clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "JourneyHost";
        ::RegisterClassA(&wc);
        m_host = ::CreateWindowExA(0, "JourneyHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 640, 480,
                                   nullptr, nullptr, wc.hInstance, nullptr);
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        for (unsigned serial = ::GetTickCount();; ++serial) {
            m_dataDir = std::string(temp) + "pelmo-journey-" + std::to_string(serial);
            if (::CreateDirectoryA(m_dataDir.c_str(), nullptr))
                break;
        }
        HostConfig config;
        std::memset(&config, 0, sizeof config);
        config.notifyWindow = HandleToULong(m_host);
        config.notifyMessage = static_cast<unsigned short>(kNoticeMessage);
        std::strcpy(config.identity, kIdentity);
        std::strncpy(config.dataDir, m_dataDir.c_str(), sizeof config.dataDir - 1);
        ASSERT_EQ(0, setConfInfo(TEMBRA_CONF_KEY, &config));
    }

    void TearDown() override
    {
        ::DestroyWindow(m_host);
        clearConfInfo(TEMBRA_CONF_KEY);
        for (const char* name : {"friend.mdb", "friend.mdb-journal"})
            ::DeleteFileA((m_dataDir + "\\" + name).c_str());
        ::RemoveDirectoryA(m_dataDir.c_str());
    }

    FriendCache* CacheInRecord() const
    {
        HostConfig config{};
        return getConfInfo(TEMBRA_CONF_KEY, &config) >= 0 ? config.friendCache : nullptr;
    }

    std::string BookScalar(const char* sql) const
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2((m_dataDir + "\\friend.mdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        std::string out;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }

    int VisibleWindowsOfThisThread() const
    {
        int count = 0;
        ::EnumThreadWindows(::GetCurrentThreadId(), CountVisible, reinterpret_cast<LPARAM>(&count));
        return count;
    }

    HWND m_host = nullptr;
    std::string m_dataDir;
};

// A host whose thread dies in unmapped code under the emulator spins
// rather than exits: a watchdog ends the program with a verdict.
DWORD WINAPI Watchdog(LPVOID done)
{
    if (::WaitForSingleObject(done, 30000) == WAIT_TIMEOUT) {
        std::fputs("the host stopped responding after the library was unloaded\n", stderr);
        std::fflush(stderr);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }
    return 0;
}

struct ClassSearch {
    const char* name;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND hwnd, LPARAM lp)
{
    auto& search = *reinterpret_cast<ClassSearch*>(lp);
    char name[64] = "";
    ::GetClassNameA(hwnd, name, sizeof name);
    if (lstrcmpiA(name, search.name) != 0)
        return TRUE;
    search.found = hwnd;
    return FALSE;
}

HWND FindChildOfClass(HWND parent, const char* className)
{
    ClassSearch search{className, nullptr};
    ::EnumChildWindows(parent, MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The tree item showing `text`, expanding the way down as a person would.
HTREEITEM FindItem(HWND tree, HTREEITEM item, const std::string& text)
{
    for (; item; item = reinterpret_cast<HTREEITEM>(
                     ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        char buffer[128] = "";
        TVITEMA tv{};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = buffer;
        tv.cchTextMax = sizeof buffer;
        ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
        if (text == buffer)
            return item;
        ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        const auto child = reinterpret_cast<HTREEITEM>(
            ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        if (HTREEITEM found = FindItem(tree, child, text))
            return found;
    }
    return nullptr;
}

// With the mouse, as a person would (the tree's press loop reads the
// button's real state): `times` clicks at `at` in `window`'s client area.
void Click(HWND window, POINT at, int times)
{
    ::ClientToScreen(window, &at);
    ::SetForegroundWindow(::GetAncestor(window, GA_ROOT));
    ::SetCursorPos(at.x, at.y);
    Pump(30);
    // All at once: a press runs a loop that waits for its release.
    INPUT clicks[4]{};
    for (int i = 0; i < 2 * times && i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    ::SendInput(static_cast<UINT>(2 * times), clicks, sizeof(INPUT));
    Pump(100);
}

void DoubleClick(HWND tree, HTREEITEM item)
{
    ::SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    RECT r{};
    std::memcpy(&r, &item, sizeof item);  // TVM_GETITEMRECT takes the item in the rectangle
    ASSERT_TRUE(::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    Click(tree, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 2);
}

// The command of the menu item `text` in `menu` or its popups; 0 if none.
UINT MenuCommand(HMENU menu, const std::string& text)
{
    for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
        char label[128] = "";
        ::GetMenuStringA(menu, static_cast<UINT>(i), label, sizeof label, MF_BYPOSITION);
        if (HMENU popup = ::GetSubMenu(menu, i)) {
            if (UINT command = MenuCommand(popup, text))
                return command;
        } else if (text == label) {
            return ::GetMenuItemID(menu, i);
        }
    }
    return 0;
}

// Fills the contact dialog when it is up (inside its modal loop) and
// presses its OK button, as a person would. Should a box come up instead of
// the dialog closing, it is noted and answered, and the dialog cancelled, so
// the journey fails rather than waits.
constexpr int kNameField = 1009;  // the name field of the contact dialog's template
std::string g_typedName;
bool g_typed = false;
int g_unexpectedBoxes = 0;

BOOL CALLBACK FindDialogWith(HWND window, LPARAM lp)
{
    auto& found = *reinterpret_cast<std::pair<int, HWND>*>(lp);
    if (!::IsWindowVisible(window) || !::GetDlgItem(window, found.first))
        return TRUE;
    found.second = window;
    return FALSE;
}

HWND ThreadDialogWith(int control)
{
    std::pair<int, HWND> found{control, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialogWith, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

void CALLBACK TypeIntoDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = ThreadDialogWith(kNameField);
    if (!g_typed) {
        if (!dialog)
            return;  // not up yet
        g_typed = true;
        ::SetWindowTextA(::GetDlgItem(dialog, kNameField), g_typedName.c_str());
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        return;
    }
    HWND box = ThreadDialogWith(IDOK);
    if (box && box != dialog) {
        ++g_unexpectedBoxes;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    } else if (dialog) {
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    } else {
        ::KillTimer(nullptr, timer);
    }
}

}  // namespace

TEST_F(Journey, ADayOfTheClientFromLoadToUnload)
{
    Library pelmo;
    ASSERT_TRUE(pelmo.Loaded());
    ASSERT_EQ(1, EXPORT(pelmo, InitFriendList)());
    ASSERT_EQ(1, EXPORT(pelmo, iniFriends)());
    FriendCache* cache = CacheInRecord();
    ASSERT_NE(nullptr, cache) << "the host reads the book through its record";
    const intptr_t before = cache->friends.count;

    // The network reports two users; each add is stored and announced.
    ASSERT_EQ(1, EXPORT(pelmo, addFriend)("13900002222", nullptr));
    ASSERT_EQ(1, EXPORT(pelmo, addFriend)("13700004444", nullptr));
    Pump(50);
    EXPECT_EQ(2, CountOf(NoticeCodes(), PELMO_NOTICE_BOOK_CHANGED));
    cache = CacheInRecord();
    ASSERT_EQ(before + 2, cache->friends.count);
    EXPECT_STREQ("13700004444", cache->friends.data[cache->friends.count - 1].mirrun);
    EXPECT_EQ("1", BookScalar("SELECT COUNT(*) FROM tab_list WHERE mirrun = '13700004444'"));

    // The panel docks, announces itself, follows presence and hands a
    // double-clicked online contact to the host.
    void* panel = EXPORT(pelmo, showFriendList)(m_host, kPickMessage, "", 0);
    ASSERT_NE(nullptr, panel);
    Pump(100);
    HWND panelWindow = nullptr;
    for (const Received& r : g_received)
        if (r.message == kNoticeMessage && r.wp == PELMO_NOTICE_LIST_CREATED)
            panelWindow = reinterpret_cast<HWND>(r.lp);
    ASSERT_TRUE(::IsWindow(panelWindow)) << "notice 4 names the panel";
    EXPECT_EQ(m_host, ::GetParent(panelWindow));
    ASSERT_EQ(1, EXPORT(pelmo, setFriendState)("13700004444", 1));
    ::SendMessageA(panelWindow, PELMO_WM_PRESENCE, PELMO_PRESENCE_ONLINE, reinterpret_cast<LPARAM>("13700004444"));
    HWND tree = FindChildOfClass(panelWindow, WC_TREEVIEWA);
    ASSERT_NE(nullptr, tree);
    const auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    HTREEITEM online = FindItem(tree, root, "13700004444");
    ASSERT_NE(nullptr, online);
    g_received.clear();
    DoubleClick(tree, online);
    Pump(100);
    bool handed = false;
    for (const Received& r : g_received)
        handed |= r.message == PELMO_WM_PANEL_ACTION && r.text == "13700004444";
    EXPECT_TRUE(handed) << "a double click on an online contact reaches the host";

    // The manager opens once.
    void* manager = EXPORT(pelmo, showFriendMain)(0);
    ASSERT_NE(nullptr, manager);
    EXPECT_EQ(manager, EXPORT(pelmo, showFriendMain)(0));
    void* ref = manager;
    EXPORT(pelmo, hideFriendMain)(&ref);
    EXPECT_EQ(nullptr, ref);
    Pump(50);

    // Closing the panel says so and gives the space back.
    RECT wide{};
    ::GetWindowRect(m_host, &wide);
    g_received.clear();
    EXPECT_EQ(0, EXPORT(pelmo, hideFriendList)(&panel));
    EXPECT_EQ(nullptr, panel);
    EXPECT_EQ(1, CountOf(NoticeCodes(), PELMO_NOTICE_LIST_CLOSING));
    EXPECT_FALSE(::IsWindow(panelWindow));

    ASSERT_EQ(1, EXPORT(pelmo, releaseFriends)());
    EXPECT_EQ(nullptr, CacheInRecord()) << "a released book is not left in the record";
    // The manager is still open: unloading closes it.
    pelmo.Unload();
    Pump(100);
    EXPECT_EQ(1, VisibleWindowsOfThisThread()) << "only the host is left";
}

TEST_F(Journey, UnloadingWithEveryWindowOpenLeavesTheHostRunning)
{
    {
        Library pelmo;
        ASSERT_TRUE(pelmo.Loaded());
        ASSERT_EQ(1, EXPORT(pelmo, InitFriendList)());
        ASSERT_EQ(1, EXPORT(pelmo, iniFriends)());
        ASSERT_NE(nullptr, EXPORT(pelmo, showFriendList)(m_host, kPickMessage, "", 1));
        ASSERT_NE(nullptr, EXPORT(pelmo, showFriendMain)(0));
        Pump(100);
        ASSERT_NE(nullptr, ::GetWindow(m_host, GW_CHILD));
        // The host forgets to close anything and unloads.
    }
    // The host goes on: it repaints, resizes and takes messages.
    HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE watchdog = ::CreateThread(nullptr, 0, Watchdog, done, 0, nullptr);
    ::SetWindowPos(m_host, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    ::RedrawWindow(m_host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(300);
    ::SetEvent(done);
    ::WaitForSingleObject(watchdog, INFINITE);
    ::CloseHandle(watchdog);
    ::CloseHandle(done);
    EXPECT_TRUE(::IsWindow(m_host));
    EXPECT_EQ(nullptr, ::GetWindow(m_host, GW_CHILD)) << "the panel went with the library";
    EXPECT_EQ(1, VisibleWindowsOfThisThread());

    // Loaded again, the library opens its windows again.
    Library again;
    ASSERT_TRUE(again.Loaded());
    ASSERT_EQ(1, EXPORT(again, iniFriends)());
    void* panel = EXPORT(again, showFriendList)(m_host, kPickMessage, "", 0);
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(0, EXPORT(again, hideFriendList)(&panel));
    EXPORT(again, releaseFriends)();
}

TEST_F(Journey, TheToolBarAndTheHistoryViewerAnswerTheHost)
{
    Library pelmo;
    ASSERT_TRUE(pelmo.Loaded());
    ASSERT_EQ(1, EXPORT(pelmo, iniFriends)());

    // The bar is the host's only child; its second button is 60 pixels
    // right of the first, both near its top.
    void* bar = EXPORT(pelmo, showFuncTools)(m_host, 0);
    ASSERT_NE(nullptr, bar);
    HWND strip = ::GetWindow(m_host, GW_CHILD);
    ASSERT_NE(nullptr, strip);
    const POINT first{34, 26}, second{94, 26};
    Pump(50);
    g_received.clear();
    Click(strip, first, 1);
    EXPECT_TRUE(NoticeCodes().empty()) << "the current function posts nothing";
    Click(strip, second, 1);
    EXPECT_EQ(std::vector<WPARAM>{PELMO_NOTICE_CALL}, NoticeCodes());

    // Asked again with the other mode: the same bar, the other current one.
    EXPECT_EQ(bar, EXPORT(pelmo, showFuncTools)(m_host, 1));
    g_received.clear();
    Click(strip, second, 1);
    Click(strip, first, 1);
    EXPECT_EQ(std::vector<WPARAM>{PELMO_NOTICE_MESSAGE}, NoticeCodes());

    // Each call opens a further viewer of its own, closed by the user.
    const auto viewer = reinterpret_cast<HWND>(EXPORT(pelmo, viewHistList)());
    const auto another = reinterpret_cast<HWND>(EXPORT(pelmo, viewHistList)());
    ASSERT_TRUE(::IsWindow(viewer));
    ASSERT_TRUE(::IsWindow(another));
    EXPECT_NE(viewer, another);
    EXPECT_TRUE(::IsWindowVisible(viewer));
    ::SendMessageA(viewer, WM_CLOSE, 0, 0);
    Pump(50);
    EXPECT_FALSE(::IsWindow(viewer));
    EXPECT_TRUE(::IsWindow(another));

    // Unloading takes the other viewer and the bar with it.
    EXPECT_EQ(1, EXPORT(pelmo, releaseFriends)());
    pelmo.Unload();
    Pump(100);
    EXPECT_FALSE(::IsWindow(another));
    EXPECT_EQ(nullptr, ::GetWindow(m_host, GW_CHILD));
}

TEST_F(Journey, AContactEditedInTheManagerReachesTheCacheAndTheDisk)
{
    Library pelmo;
    ASSERT_TRUE(pelmo.Loaded());
    ASSERT_EQ(1, EXPORT(pelmo, iniFriends)());
    // The contact dialog takes ten-digit numbers.
    ASSERT_EQ(1, EXPORT(pelmo, addFriend)("0571000002", nullptr));
    ASSERT_NE(nullptr, EXPORT(pelmo, showFriendMain)(0));
    Pump(100);
    HWND pane = nullptr;
    for (const Received& r : g_received)
        if (r.message == kNoticeMessage && r.wp == PELMO_NOTICE_LIST_CREATED)
            pane = reinterpret_cast<HWND>(r.lp);
    ASSERT_TRUE(::IsWindow(pane)) << "notice 4 names the manager's list";
    HWND frame = ::GetAncestor(pane, GA_ROOT);
    HWND tree = FindChildOfClass(frame, WC_TREEVIEWA);
    HWND list = FindChildOfClass(frame, WC_LISTVIEWA);
    ASSERT_TRUE(tree && list);

    // The new contact is in no group: the user opens that group and picks it.
    char ungrouped[64] = "";
    EXPORT(pelmo, getGlobalStr)(846, ungrouped, sizeof ungrouped);
    const auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    HTREEITEM group = FindItem(tree, root, ungrouped);
    ASSERT_NE(nullptr, group);
    RECT r{};
    std::memcpy(&r, &group, sizeof group);
    ASSERT_TRUE(::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    Click(tree, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 1);
    ASSERT_EQ(1, ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    ASSERT_TRUE(::SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&(r = RECT{LVIR_LABEL}))));
    Click(list, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 1);

    // Contact, Modify: the dialog comes up, the user types a name, OK.
    const UINT modify = MenuCommand(::GetMenu(frame), "修改联系人(&M)...");
    ASSERT_NE(0u, modify);
    g_typedName = "王小明";
    g_typed = false;
    g_unexpectedBoxes = 0;
    g_received.clear();
    ::SetTimer(nullptr, 0, 100, TypeIntoDialog);
    ::SendMessageA(frame, WM_COMMAND, modify, 0);
    Pump(300);
    EXPECT_TRUE(g_typed);
    EXPECT_EQ(0, g_unexpectedBoxes);

    EXPECT_EQ(1, CountOf(NoticeCodes(), PELMO_NOTICE_BOOK_CHANGED));
    FriendCache* cache = CacheInRecord();
    ASSERT_NE(nullptr, cache);
    bool renamed = false;
    for (intptr_t i = 0; i < cache->friends.count; ++i)
        renamed |= std::strcmp(cache->friends.data[i].mirrun, "0571000002") == 0 &&
                   std::strcmp(cache->friends.data[i].name, "王小明") == 0;
    EXPECT_TRUE(renamed) << "the host reads the new name in place";
    EXPECT_EQ("王小明", BookScalar("SELECT name FROM tab_list WHERE mirrun = '0571000002'"));
    EXPORT(pelmo, releaseFriends)();
}
