// Journeys of a host through the library, as the client makes them: the
// library is loaded by name, reached through its exports and window
// messages only, and unloaded. Each journey checks the notices the host
// receives, the cache it reads in place and the book on disk.
#include "history_lib.h"
#include "pelmo.h"
#include "support/file_dialog.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
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
// Set, the host adds a number it is asked to add at once, as the client
// does with the profile the network gives it.
decltype(&addFriend) g_hostAddFriend = nullptr;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kNoticeMessage || msg == PELMO_WM_PANEL_ACTION || msg == kPickMessage) {
        Received r{msg, wp, lp, {}};
        if (msg != kNoticeMessage && wp)
            r.text = reinterpret_cast<const char*>(wp);
        if (msg == kNoticeMessage && wp == PELMO_NOTICE_ADD_NUMBER && lp)
            r.text = reinterpret_cast<const char*>(lp);
        g_received.push_back(r);
        if (msg == kNoticeMessage && wp == PELMO_NOTICE_ADD_NUMBER && g_hostAddFriend) {
            UserProfile profile{};
            std::strcpy(profile.name, "network name");
            g_hostAddFriend(r.text.c_str(), &profile);
        }
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
    std::string Text(unsigned id) const
    {
        char text[256] = "";
        Get<decltype(&getGlobalStr)>("getGlobalStr")(id, text, sizeof text);
        return text;
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
        g_hostAddFriend = nullptr;
        ::DestroyWindow(m_host);
        closeHistStore();
        clearConfInfo(TEMBRA_CONF_KEY);
        WIN32_FIND_DATAA found;
        HANDLE h = ::FindFirstFileA((m_dataDir + "\\*").c_str(), &found);
        for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(h, &found))
            ::DeleteFileA((m_dataDir + "\\" + found.cFileName).c_str());
        if (h != INVALID_HANDLE_VALUE)
            ::FindClose(h);
        ::RemoveDirectoryA(m_dataDir.c_str());
    }

    FriendCache* CacheInRecord() const
    {
        HostConfig config{};
        return getConfInfo(TEMBRA_CONF_KEY, &config) >= 0 ? config.friendCache : nullptr;
    }

    std::string BookScalar(const std::string& sql) const { return FileScalar(m_dataDir + "\\friend.mdb", sql); }

    static std::string FileScalar(const std::string& path, const std::string& sql)
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        std::string out;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW &&
            sqlite3_column_text(st, 0))
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }

    // The contact with `number` in the cache the host reads; null if none.
    const FriendInfo* Cached(const char* number) const
    {
        const FriendCache* cache = CacheInRecord();
        for (intptr_t i = 0; cache && i < cache->friends.count; ++i)
            if (std::strcmp(cache->friends.data[i].mirrun, number) == 0)
                return &cache->friends.data[i];
        return nullptr;
    }

    // The id of the group called `name` in the cache (a first group's is 0).
    static constexpr int kNoGroup = INT_MIN;
    int CachedGroup(const char* name) const
    {
        const FriendCache* cache = CacheInRecord();
        for (intptr_t i = 0; cache && i < cache->groups.count; ++i)
            if (std::strcmp(cache->groups.data[i].name, name) == 0)
                return cache->groups.data[i].ID;
        return kNoGroup;
    }

    // The window the last notice 4 named.
    static HWND Announced()
    {
        HWND window = nullptr;
        for (const Received& r : g_received)
            if (r.message == kNoticeMessage && r.wp == PELMO_NOTICE_LIST_CREATED)
                window = reinterpret_cast<HWND>(r.lp);
        return window;
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

// The middle of the item's label, in the tree's client coordinates.
POINT CentreOf(HWND tree, HTREEITEM item)
{
    ::SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    RECT r{};
    std::memcpy(&r, &item, sizeof item);  // TVM_GETITEMRECT takes the item in the rectangle
    EXPECT_TRUE(::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void DoubleClick(HWND tree, HTREEITEM item)
{
    Click(tree, CentreOf(tree, item), 2);
}

// A right click at `at` in `window`, with the pointer there.
void RightClick(HWND window, POINT at)
{
    POINT screen = at;
    ::ClientToScreen(window, &screen);
    ::SetCursorPos(screen.x, screen.y);
    ::PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    ::PostMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
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

// What a person does in the windows that a command brings up inside its
// modal loops, one step a window, run from a timer. A dialog that no step
// expects, or one still up when the script has run out of time, is noted
// and ended, so that a journey fails rather than waits.
struct Step {
    bool menu;                      // the open pop-up menu, else a dialog
    bool (*fits)(HWND dialog);      // the dialog this step is for
    std::function<void(HWND)> act;  // done once, on that window
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM lp)
{
    char name[16] = "";
    ::GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0 && ::IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadDialogs()
{
    std::vector<HWND> dialogs;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

std::string TextOf(HWND window)
{
    char text[512] = "";
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

void Key(HWND window, WORD key)
{
    ::PostMessageA(window, WM_KEYDOWN, key, 1);
    ::PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

void Press(HWND dialog, int button)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
}

constexpr int kBoxText = 8035;  // the text of the library's message box

class Script {
public:
    explicit Script(std::vector<Step> steps) : m_steps(std::move(steps)), m_before(ThreadDialogs())
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
    // Pumps until every step is done, the strangers gone, or time is up.
    void Finish()
    {
        for (int i = 0; i < 500 && !(Done() && m_lingering.empty()); ++i)
            Pump(20);
        Pump(50);
    }
    std::vector<std::string> strangers;  // the unexpected windows' texts

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        if (s_running)
            s_running->Tick();
    }
    void Tick()
    {
        const bool late = ++m_ticks > 250;  // ten seconds
        HWND menu = ::FindWindowA("#32768", nullptr);
        if (!Done() && !late && m_steps[m_next].menu) {
            if (menu && ::IsWindowVisible(menu) && menu != m_last)
                Act(menu);
        } else if (menu && ::IsWindowVisible(menu) && late) {
            ::EndMenu();
        }
        std::vector<HWND> lingering;
        for (HWND dialog : ThreadDialogs()) {
            if (!::IsWindowEnabled(dialog) || std::find(m_before.begin(), m_before.end(), dialog) != m_before.end())
                continue;
            if (dialog != m_last && !Done() && !late && !m_steps[m_next].menu && m_steps[m_next].fits(dialog)) {
                Act(dialog);
                return;
            }
            lingering.push_back(dialog);
        }
        // A window nobody expects, or one that stays after its step, gets
        // a moment to go by itself.
        for (HWND dialog : lingering) {
            const auto seen = std::count(m_lingering.begin(), m_lingering.end(), dialog);
            if (seen % 20 == 19) {
                HWND text = ::GetDlgItem(dialog, kBoxText);
                strangers.push_back(TextOf(text ? text : dialog));
                Press(dialog, IDCANCEL);
            } else if (seen % 20 == 9 && seen > 20) {
                Press(dialog, IDOK);  // a box with one button
            }
        }
        m_lingering.insert(m_lingering.end(), lingering.begin(), lingering.end());
        if (lingering.empty())
            m_lingering.clear();
    }
    void Act(HWND window)
    {
        m_last = window;
        m_steps[m_next++].act(window);
    }

    static inline Script* s_running = nullptr;
    std::vector<Step> m_steps;
    std::vector<HWND> m_before;
    std::vector<HWND> m_lingering;
    size_t m_next = 0;
    int m_ticks = 0;
    HWND m_last = nullptr;
    UINT_PTR m_timer = 0;
};

// The last item of the pop-up menu, reached with the arrow keys.
Step ChooseLast()
{
    return {true, nullptr, [](HWND popup) {
                auto menu = reinterpret_cast<HMENU>(::SendMessageA(popup, MN_GETHMENU, 0, 0));
                for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
                    if (!(::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR))
                        Key(popup, VK_DOWN);
                Key(popup, VK_RETURN);
            }};
}

Step ChooseFirst()
{
    return {true, nullptr, [](HWND popup) {
                Key(popup, VK_DOWN);
                Key(popup, VK_RETURN);
            }};
}

// The fields a person types in, from the dialog templates.
constexpr int kContactNumber = 7003;
constexpr int kContactName = 1009;
constexpr int kGroupName = 7000;
constexpr int kContactGroup = 7018;

bool IsContactDialog(HWND d)
{
    return ::GetDlgItem(d, kContactNumber) != nullptr;
}

BOOL CALLBACK FindDroppedTree(HWND window, LPARAM found)
{
    char name[32] = "";
    ::GetClassNameA(window, name, sizeof name);
    if (!::IsWindowVisible(window) || lstrcmpiA(name, WC_TREEVIEWA) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The group chooser of the contact dialog: its button drops the tree down,
// the group is picked there and taken with Enter.
void ChooseGroup(HWND dialog, const std::string& group)
{
    HWND chooser = ::GetDlgItem(dialog, kContactGroup);
    ::SendMessageA(FindChildOfClass(chooser, "Button"), BM_CLICK, 0, 0);
    HWND tree = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDroppedTree, reinterpret_cast<LPARAM>(&tree));
    if (!tree)
        return;
    const auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    if (HTREEITEM item = FindItem(tree, root, group))
        ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    Key(tree, VK_RETURN);
}

// The contact dialog: what is given typed in or chosen, then OK. (Adding
// asks for the group and the number only.)
Step FillContact(const char* number, const char* name, std::string group = {})
{
    return {false, IsContactDialog, [number, name, group](HWND dialog) {
                if (!group.empty())
                    ChooseGroup(dialog, group);
                if (number)
                    ::SetDlgItemTextA(dialog, kContactNumber, number);
                if (name)
                    ::SetDlgItemTextA(dialog, kContactName, name);
                Press(dialog, IDOK);
            }};
}

Step FillGroup(const char* name)
{
    return {false, [](HWND d) { return ::GetDlgItem(d, kGroupName) && !IsContactDialog(d); },
            [name](HWND dialog) {
                ::SetDlgItemTextA(dialog, kGroupName, name);
                Press(dialog, IDOK);
            }};
}

// The library's message box: its text noted in `texts`, `button` pressed.
Step Answer(std::vector<std::string>* texts, int button = IDOK)
{
    return {false, [](HWND d) { return ::GetDlgItem(d, kBoxText) != nullptr; },
            [texts, button](HWND box) {
                texts->push_back(TextOf(::GetDlgItem(box, kBoxText)));
                Press(box, button);
            }};
}

Step TypeFileName(const std::string* path)
{
    return {false, [](HWND d) { return testui::FileNameEdit(d) != nullptr; },
            [path](HWND dialog) {
                ::SetWindowTextA(testui::FileNameEdit(dialog), path->c_str());
                ::PostMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            }};
}

// Runs `start`, which may enter modal loops, with `steps` answering the
// windows that come up.
void Drive(std::vector<Step> steps, const std::function<void()>& start)
{
    Script script(std::move(steps));
    start();
    script.Finish();
    EXPECT_TRUE(script.Done()) << "a step never found its window";
    EXPECT_EQ(std::vector<std::string>{}, script.strangers) << "windows nobody expected";
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
    g_received.clear();
    Drive({FillContact(nullptr, "王小明")}, [&] { ::SendMessageA(frame, WM_COMMAND, modify, 0); });

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

TEST_F(Journey, AContactAddedFromThePanelGoesThroughTheHostIntoTheChosenGroup)
{
    Library pelmo;
    ASSERT_TRUE(pelmo.Loaded());
    ASSERT_EQ(1, EXPORT(pelmo, iniFriends)());
    g_hostAddFriend = EXPORT(pelmo, addFriend);
    void* panel = EXPORT(pelmo, showFriendList)(m_host, kPickMessage, "", 0);
    ASSERT_NE(nullptr, panel);
    Pump(100);
    HWND tree = FindChildOfClass(Announced(), WC_TREEVIEWA);
    ASSERT_NE(nullptr, tree);

    // A group first: a right click below the items, "add group".
    RECT client{};
    ::GetClientRect(tree, &client);
    Drive({ChooseFirst(), FillGroup("同事")}, [&] { RightClick(tree, POINT{20, client.bottom - 5}); });
    const int group = CachedGroup("同事");
    ASSERT_NE(kNoGroup, group);

    // A right click on the group, "add contact", a number typed in, OK.
    const auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    HTREEITEM item = FindItem(tree, root, "同事");
    ASSERT_NE(nullptr, item);
    g_received.clear();
    Drive({ChooseLast(), FillContact("0571000005", nullptr)}, [&] { RightClick(tree, CentreOf(tree, item)); });
    Pump(50);

    // The host was asked, added it while asked, and was told the book changed.
    ASSERT_EQ((std::vector<WPARAM>{PELMO_NOTICE_ADD_NUMBER, PELMO_NOTICE_BOOK_CHANGED}), NoticeCodes());
    EXPECT_EQ("0571000005", g_received[0].text);
    const FriendInfo* added = Cached("0571000005");
    ASSERT_NE(nullptr, added);
    EXPECT_EQ(group, added->groupID) << "filed where the user chose";
    EXPECT_STREQ("network name", added->name) << "from the host's profile";
    EXPECT_EQ(std::to_string(group), BookScalar("SELECT groupID FROM tab_list WHERE mirrun = '0571000005'"));
    const auto first = reinterpret_cast<HTREEITEM>(
        ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(FindItem(tree, root, "同事"))));
    EXPECT_NE(nullptr, FindItem(tree, first, "network name")) << "the panel shows it in that group";

    // The choice was for that one contact only.
    ASSERT_EQ(1, EXPORT(pelmo, addFriend)("0571000006", nullptr));
    ASSERT_NE(nullptr, Cached("0571000006"));
    EXPECT_EQ(PELMO_GROUP_NONE, Cached("0571000006")->groupID);
    EXPECT_EQ("-10", BookScalar("SELECT groupID FROM tab_list WHERE mirrun = '0571000006'"));
    EXPECT_EQ(0, EXPORT(pelmo, hideFriendList)(&panel));
    EXPORT(pelmo, releaseFriends)();
}

TEST_F(Journey, TheOtherPartyOfAHistoryEntryIsAddedThroughTheHost)
{
    HistRecord entry{};
    std::strcpy(entry.owner, kIdentity);
    std::strcpy(entry.type, "text");
    std::strcpy(entry.info, "text");
    std::strcpy(entry.group, "0571000003");
    entry.partyA = const_cast<char*>("0571000003");
    entry.partyB = const_cast<char*>(kIdentity);
    entry.content = const_cast<char*>("<BODY>hello</BODY>");
    ASSERT_GE(addOneHist(&entry), 0);

    Library pelmo;
    ASSERT_TRUE(pelmo.Loaded());
    ASSERT_EQ(1, EXPORT(pelmo, iniFriends)());
    g_hostAddFriend = EXPORT(pelmo, addFriend);
    const auto viewer = reinterpret_cast<HWND>(EXPORT(pelmo, viewHistList)());
    ASSERT_TRUE(::IsWindow(viewer));
    Pump(100);
    HWND tree = FindChildOfClass(viewer, WC_TREEVIEWA);
    HWND list = FindChildOfClass(viewer, WC_LISTVIEWA);
    ASSERT_TRUE(tree && list);
    const auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    HTREEITEM group = FindItem(tree, root, "0571000003");
    ASSERT_NE(nullptr, group);
    Click(tree, CentreOf(tree, group), 1);
    ASSERT_EQ(1, ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    RECT r{LVIR_LABEL};
    ASSERT_TRUE(::SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)));
    Click(list, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 1);

    // "Add to address book": the dialog offers the other party's number;
    // the user puts it in no group (the chooser's second item).
    constexpr int kAddButton = 1049;
    g_received.clear();
    Drive({FillContact(nullptr, nullptr, pelmo.Text(527))},
          [&] { ::PostMessageA(::GetDlgItem(viewer, kAddButton), BM_CLICK, 0, 0); });
    Pump(50);
    ASSERT_EQ((std::vector<WPARAM>{PELMO_NOTICE_ADD_NUMBER, PELMO_NOTICE_BOOK_CHANGED}), NoticeCodes());
    EXPECT_EQ("0571000003", g_received[0].text);
    const FriendInfo* added = Cached("0571000003");
    ASSERT_NE(nullptr, added);
    EXPECT_EQ(PELMO_GROUP_NONE, added->groupID);
    EXPECT_EQ("-10", BookScalar("SELECT groupID FROM tab_list WHERE mirrun = '0571000003'"));

    // Asked again, the viewer says the number is in the book already.
    std::vector<std::string> boxes;
    g_received.clear();
    Drive({Answer(&boxes)}, [&] { ::PostMessageA(::GetDlgItem(viewer, kAddButton), BM_CLICK, 0, 0); });
    EXPECT_EQ(std::vector<std::string>{pelmo.Text(851)}, boxes);
    EXPECT_TRUE(NoticeCodes().empty());
    EXPECT_EQ("1", BookScalar("SELECT COUNT(*) FROM tab_list WHERE mirrun = '0571000003'"));
    ::SendMessageA(viewer, WM_CLOSE, 0, 0);
    EXPORT(pelmo, releaseFriends)();
}

TEST_F(Journey, TheBookIsExportedAndAListImportedThroughTheManagersMenu)
{
    Library pelmo;
    ASSERT_TRUE(pelmo.Loaded());
    ASSERT_EQ(1, EXPORT(pelmo, iniFriends)());
    ASSERT_EQ(1, EXPORT(pelmo, addFriend)("0571000011", nullptr));
    ASSERT_NE(nullptr, EXPORT(pelmo, showFriendMain)(0));
    Pump(100);
    HWND frame = ::GetAncestor(Announced(), GA_ROOT);
    ASSERT_NE(nullptr, frame);
    const UINT exportList = MenuCommand(::GetMenu(frame), "导出联系人列表(&O)...");
    const UINT importList = MenuCommand(::GetMenu(frame), "导入联系人列表(&I)...");
    ASSERT_TRUE(exportList && importList);

    // Tools, Export: yes, a file name, OK; the whole book is in the file.
    const std::string file = m_dataDir + "\\book.fdb";
    std::vector<std::string> boxes;
    g_received.clear();
    Drive({Answer(&boxes), TypeFileName(&file), Answer(&boxes)},
          [&] { ::SendMessageA(frame, WM_COMMAND, exportList, 0); });
    EXPECT_EQ((std::vector<std::string>{pelmo.Text(518) + pelmo.Text(833) + " ?", pelmo.Text(520)}), boxes);
    EXPECT_TRUE(NoticeCodes().empty()) << "an export changes nothing";
    EXPECT_EQ("1", FileScalar(file, "SELECT COUNT(*) FROM tab_list WHERE mirrun = '0571000011'"));

    ASSERT_EQ(1, EXPORT(pelmo, addFriend)("0571000012", nullptr));
    Pump(50);

    // Someone's list, made from it: a top-level group with a contact the
    // book has and one it has not.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(file.c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      "INSERT INTO tab_group VALUES (900, 'x', '老同学', -1);"
                                      "INSERT INTO tab_list (ID, groupID, userMirrun, mirrun, name, gender) VALUES "
                                      "(901, 900, 'x', '0571000011', 'a', 0), (902, 900, 'x', '0571000013', 'b', 0);",
                                      nullptr, nullptr, nullptr));
    sqlite3_close(db);

    // Tools, Import: yes, the file, OK.
    boxes.clear();
    g_received.clear();
    Drive({Answer(&boxes), TypeFileName(&file), Answer(&boxes)},
          [&] { ::SendMessageA(frame, WM_COMMAND, importList, 0); });
    Pump(50);
    EXPECT_EQ((std::vector<std::string>{pelmo.Text(522) + pelmo.Text(833) + " ?", pelmo.Text(525)}), boxes);
    std::vector<WPARAM> bookNotices;
    for (WPARAM code : NoticeCodes())
        if (code == PELMO_NOTICE_BOOK_RELOADED || code == PELMO_NOTICE_BOOK_CHANGED)
            bookNotices.push_back(code);
    EXPECT_EQ((std::vector<WPARAM>{PELMO_NOTICE_BOOK_RELOADED, PELMO_NOTICE_BOOK_CHANGED}), bookNotices);

    // The reloaded cache: the new group with the new number, the contact
    // added since the export kept, the known number not doubled.
    const int group = CachedGroup("老同学");
    ASSERT_NE(kNoGroup, group);
    ASSERT_NE(nullptr, Cached("0571000013"));
    EXPECT_EQ(group, Cached("0571000013")->groupID);
    EXPECT_NE(nullptr, Cached("0571000012"));
    EXPECT_EQ(std::to_string(group), BookScalar("SELECT groupID FROM tab_list WHERE mirrun = '0571000013'"));
    EXPECT_EQ("-1", BookScalar("SELECT fatherID FROM tab_group WHERE name = '老同学'"));
    EXPECT_EQ("1", BookScalar("SELECT COUNT(*) FROM tab_list WHERE mirrun = '0571000011'"));
    EXPECT_EQ("1", BookScalar("SELECT COUNT(*) FROM tab_list WHERE mirrun = '0571000012'"));
    HWND tree = FindChildOfClass(frame, WC_TREEVIEWA);
    const auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    EXPECT_NE(nullptr, FindItem(tree, root, "老同学")) << "the manager shows the new group";
    EXPORT(pelmo, releaseFriends)();
}
