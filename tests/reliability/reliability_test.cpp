// A host whose surroundings go wrong: a data directory it cannot write, a
// disk that fills, a book another process holds locked, a program folder
// missing one of the library's files, and a host that hands the exports
// nulls, overlong texts, malformed blocks and pointers to windows already
// gone. The library is loaded by name and reached through pelmo.h only;
// nothing may crash, nothing confirmed may be lost, every failure is the
// documented result or a box that says what went wrong.
//
// The same program is also the other process of some tests:
//   --hold-lock <book> exclusive|write <event name>   holds the book locked
//   --host <data directory>                           a host's day, printed
// fault_dirs.sh makes what Wine cannot: PELMO_RELY_WRITABLE and its read-only
// view PELMO_RELY_READONLY, an empty read-only PELMO_RELY_READONLY_EMPTY and a
// small file system PELMO_RELY_FULL; tests without theirs skip.
#include "history_lib.h"
#include "pelmo.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT kNoticeMessage = WM_APP + 1;
constexpr char kIdentity[] = "8613800001111";

// ---- Boxes: read and closed as a person would ---------------------------

std::vector<std::string> g_boxes;

BOOL CALLBACK CollectText(HWND child, LPARAM out)
{
    char text[512] = "";
    ::GetWindowTextA(child, text, sizeof text);
    char cls[16] = "";
    ::GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") != 0 && text[0])
        *reinterpret_cast<std::string*>(out) += std::string(text) + " ";
    return TRUE;
}

LRESULT CALLBACK CloseBoxes(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wp);
        char cls[16] = "";
        ::GetClassNameA(box, cls, sizeof cls);
        static HWND last = nullptr;
        if (std::strcmp(cls, "#32770") == 0 && box != last) {
            last = box;
            std::string text;
            ::EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
            g_boxes.push_back(text);
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

std::vector<std::string> TakeBoxes()
{
    return std::exchange(g_boxes, {});
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

// ---- The library as a host sees it -------------------------------------

class Library {
public:
    Library() { Load(); }
    ~Library() { Unload(); }
    // Unloaded and loaded again: the module starts afresh, the record is gone.
    void Reload()
    {
        Unload();
        Load();
    }
    bool Loaded() const { return m_dll && m_tembra; }
    template <typename Fn>
    Fn Get(const char* name) const
    {
        HMODULE from = std::strstr(name, "Conf") ? m_tembra : m_dll;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(from, name)));
    }

private:
    void Load()
    {
        m_tembra = ::LoadLibraryA("tembra.dll");
        m_dll = ::LoadLibraryA("pelmo.dll");
    }
    void Unload()
    {
        if (m_dll)
            ::FreeLibrary(m_dll);
        if (m_tembra)
            ::FreeLibrary(m_tembra);
        m_dll = m_tembra = nullptr;
    }
    HMODULE m_tembra = nullptr;
    HMODULE m_dll = nullptr;
};
#define EXPORT(name) (m_lib.Get<decltype(&name)>(#name))

// The windows that announced themselves with notice 4.
std::vector<HWND> g_announced;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kNoticeMessage && wp == PELMO_NOTICE_LIST_CREATED)
        g_announced.push_back(reinterpret_cast<HWND>(lp));
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakeHostWindow()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "RelyHost";
    ::RegisterClassA(&wc);
    return ::CreateWindowExA(0, "RelyHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 640, 480, nullptr,
                             nullptr, wc.hInstance, nullptr);
}

std::string TempFolder(const char* tag)
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    for (unsigned serial = ::GetTickCount();; ++serial) {
        std::string dir = std::string(temp) + "pelmo-" + tag + "-" + std::to_string(serial);
        if (::CreateDirectoryA(dir.c_str(), nullptr))
            return dir;
    }
}

void RemoveFolder(const std::string& dir)
{
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(dir + "\\" + name);
            else
                ::DeleteFileA((dir + "\\" + name).c_str());
        } while (::FindNextFileA(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
}

std::string BookScalar(const std::string& book, const char* sql)
{
    sqlite3* db = nullptr;
    std::string out = "no book";
    if (sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        else
            out = sqlite3_errmsg(db);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(path, n);
    return program.substr(0, program.find_last_of('\\'));
}

// Runs this program again with `args`, its output into a file; returns the
// exit code (STILL_ACTIVE after a minute: it hangs) and the output.
std::pair<DWORD, std::string> RunSelf(const std::string& exe, const std::string& args, const std::string& outFile)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = ::CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    std::string line = "\"" + exe + "\" " + args;
    // In its own folder: the current one is on the search path for DLLs.
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    if (!::CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &pi)) {
        ::CloseHandle(out);
        return {~0u, "not started"};
    }
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(pi.hProcess, 60000) == WAIT_TIMEOUT)
        ::TerminateProcess(pi.hProcess, STILL_ACTIVE);
    else
        ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(out);
    std::string text;
    if (FILE* f = std::fopen(outFile.c_str(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, n);
        std::fclose(f);
    }
    return {code, text};
}

// ---- A logged-in host ---------------------------------------------------

class Host : public ::testing::Test {
protected:
    void SetUp() override
    {
        TakeBoxes();
        m_host = MakeHostWindow();
        ASSERT_TRUE(m_lib.Loaded());
    }
    void TearDown() override
    {
        if (GetFriendCacheNow())
            EXPORT(releaseFriends)();
        ::DestroyWindow(m_host);
        for (const std::string& dir : m_scratch)
            RemoveFolder(dir);
    }
    std::string Scratch(const char* tag)
    {
        m_scratch.push_back(TempFolder(tag));
        return m_scratch.back();
    }
    void LogIn(const std::string& dataDir)
    {
        HostConfig config;
        std::memset(&config, 0, sizeof config);
        config.notifyWindow = HandleToULong(m_host);
        config.notifyMessage = static_cast<unsigned short>(kNoticeMessage);
        std::strcpy(config.identity, kIdentity);
        std::strncpy(config.dataDir, dataDir.c_str(), sizeof config.dataDir - 1);
        ASSERT_EQ(0, EXPORT(setConfInfo)(TEMBRA_CONF_KEY, &config));
        ASSERT_EQ(1, EXPORT(InitFriendList)());
    }
    FriendCache* GetFriendCacheNow() { return m_lib.Loaded() ? EXPORT(GetFriendCache)() : nullptr; }
    int Contacts() { return EXPORT(pelmo_getFriends)(nullptr); }
    std::vector<std::string> Numbers()
    {
        std::string slots(static_cast<size_t>(Contacts()) * PELMO_NUMBER_SLOT + 1, '\0');
        const int n = EXPORT(pelmo_getFriends)(&slots[0]);
        std::vector<std::string> numbers;
        for (int i = 0; i < n; ++i)
            numbers.emplace_back(slots.data() + i * PELMO_NUMBER_SLOT,
                                 ::strnlen(slots.data() + i * PELMO_NUMBER_SLOT, PELMO_NUMBER_SLOT));
        return numbers;
    }
    bool Has(const std::string& number)
    {
        for (const std::string& n : Numbers())
            if (n == number)
                return true;
        return false;
    }

    Library m_lib;
    HWND m_host = nullptr;
    std::vector<std::string> m_scratch;
};

// ---- A data directory that cannot be written ------------------------------

const char* Env(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

TEST_F(Host, AReadOnlyDataDirectoryKeepsItsBookReadableAndRefusesChangesClearly)
{
    const char* source = Env("PELMO_RELY_WRITABLE");
    const char* readOnly = Env("PELMO_RELY_READONLY");
    if (!source || !readOnly)
        GTEST_SKIP() << "no read-only folder (fault_dirs.sh makes one where mounting is allowed)";
    // Where the folder can be written, the book is made and adds go through.
    LogIn(source);
    ASSERT_EQ(1, EXPORT(iniFriends)());
    for (const char* number : {"13500000001", "13500000002"})
        ASSERT_EQ(1, EXPORT(addFriend)(number, nullptr));
    const int stored = Contacts();
    EXPORT(releaseFriends)();

    // The same folder seen read-only: the book reads, a change fails whole.
    LogIn(readOnly);
    ASSERT_EQ(1, EXPORT(iniFriends)()) << "a readable book loads";
    EXPECT_EQ(stored, Contacts());
    char name[50] = "";
    EXPECT_EQ(11, EXPORT(getFriendNickName)("13500000002", name));
    EXPECT_STREQ("13500000002", name);
    EXPECT_EQ(0, EXPORT(addFriend)("13500000003", nullptr)) << "an add that cannot be stored fails";
    EXPECT_EQ(stored, Contacts()) << "and is not in the cache either";
    EXPECT_FALSE(Has("13500000003"));
    EXPECT_EQ(std::to_string(stored),
              BookScalar(std::string(source) + "\\friend.mdb", "select count(*) from tab_list"));
    TakeBoxes();
}

TEST_F(Host, AReadOnlyDataDirectoryWithoutABookIsReportedWithItsName)
{
    const char* readOnly = Env("PELMO_RELY_READONLY_EMPTY");
    if (!readOnly)
        GTEST_SKIP() << "no read-only folder (fault_dirs.sh makes one where mounting is allowed)";
    LogIn(readOnly);
    EXPECT_EQ(0, EXPORT(iniFriends)());
    const auto boxes = TakeBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].find(readOnly)) << boxes[0];
    EXPECT_EQ(nullptr, EXPORT(GetFriendCache)());
    EXPECT_EQ(0, EXPORT(addFriend)("13500002222", nullptr));
    EXPECT_EQ(0, Contacts());
}

// ---- A disk that fills ----------------------------------------------------

// A profile whose every text is as long as its field allows.
UserProfile FullProfile()
{
    UserProfile p;
    std::memset(&p, 'x', sizeof p);
    p.gender = 1;
    return p;
}

// A file that fills the folder's disk until `room` bytes are left.
void FillDisk(const std::string& dir, ULONGLONG room)
{
    ULARGE_INTEGER freeBytes{};
    ASSERT_TRUE(::GetDiskFreeSpaceExA(dir.c_str(), &freeBytes, nullptr, nullptr));
    ASSERT_GT(freeBytes.QuadPart, room);
    std::vector<char> block(static_cast<size_t>(freeBytes.QuadPart - room), 'f');
    FILE* f = std::fopen((dir + "\\filler").c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(block.data(), 1, block.size(), f);
    std::fclose(f);
}

TEST_F(Host, AFullDiskMakesNoBookAndLeavesNoPartOfOne)
{
    const char* full = Env("PELMO_RELY_FULL");
    if (!full)
        GTEST_SKIP() << "no small file system (fault_dirs.sh mounts one where mounting is allowed)";
    const std::string dir = std::string(full) + "\\new";
    ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
    m_scratch.push_back(dir);
    FillDisk(dir, 8 * 1024);  // less than the template
    LogIn(dir);
    EXPECT_EQ(0, EXPORT(iniFriends)());
    const auto boxes = TakeBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].find(dir)) << boxes[0];
    for (const char* name : {"friend.mdb", "friend.new"})
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((dir + "\\" + name).c_str())) << name;

    ::DeleteFileA((dir + "\\filler").c_str());
    EXPECT_EQ(1, EXPORT(iniFriends)()) << "with room the book is made";
}

TEST_F(Host, AFullDiskFailsTheAddThatDoesNotFitAndKeepsEveryOneBefore)
{
    const char* fullDisk = Env("PELMO_RELY_FULL");
    if (!fullDisk)
        GTEST_SKIP() << "no small file system (fault_dirs.sh mounts one where mounting is allowed)";
    const std::string full = std::string(fullDisk) + "\\adds";
    ASSERT_TRUE(::CreateDirectoryA(full.c_str(), nullptr));
    m_scratch.push_back(full);
    LogIn(full);
    ASSERT_EQ(1, EXPORT(iniFriends)());
    // Most of the room goes to a filler, the rest to contacts until one fails.
    FillDisk(full, 96 * 1024);
    const std::string filler = full + "\\filler";
    std::vector<std::string> confirmed;
    int result = 1;
    for (int i = 0; i < 2000 && result == 1; ++i) {
        const std::string number = std::to_string(13600000000LL + i);
        UserProfile profile = FullProfile();
        result = EXPORT(addFriend)(number.c_str(), &profile);
        if (result == 1)
            confirmed.push_back(number);
    }
    ASSERT_EQ(0, result) << "the disk never filled";
    ASSERT_FALSE(confirmed.empty());
    const int cached = Contacts();
    TakeBoxes();

    const std::string book = full + "\\friend.mdb";
    EXPECT_EQ("ok", BookScalar(book, "pragma integrity_check"));
    EXPECT_EQ(std::to_string(cached), BookScalar(book, "select count(*) from tab_list"))
        << "the cache holds what the file holds";
    EXPORT(releaseFriends)();
    ASSERT_EQ(1, EXPORT(iniFriends)());
    for (const std::string& number : confirmed)
        EXPECT_TRUE(Has(number)) << number;

    // Room again: the next add is stored.
    ::DeleteFileA(filler.c_str());
    UserProfile profile = FullProfile();
    EXPECT_EQ(1, EXPORT(addFriend)("13699999999", &profile));
    EXPECT_EQ(std::to_string(cached + 1), BookScalar(book, "select count(*) from tab_list"));
}

// ---- A book another process holds -------------------------------------------

// The other process: holds the book as `mode` says until told to let go.
int HoldLock(const char* book, const char* mode, const char* eventName)
{
    HANDLE held = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(eventName) + "-held").c_str());
    HANDLE release = ::OpenEventA(SYNCHRONIZE, FALSE, (std::string(eventName) + "-release").c_str());
    sqlite3* db = nullptr;
    if (!held || !release || sqlite3_open_v2(book, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 2;
    const char* sql = std::strcmp(mode, "exclusive") == 0
                          ? "begin exclusive"
                          : "begin immediate; insert into tab_list (ID, groupID, mirrun) values (999, -10, 'held')";
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return 3;
    ::SetEvent(held);
    ::WaitForSingleObject(release, 60000);
    sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

TEST_F(Host, ABookLockedByAnotherProcessRefusesAddsAndTakesThemWhenFreed)
{
    const std::string dir = Scratch("locked");
    LogIn(dir);
    ASSERT_EQ(1, EXPORT(iniFriends)());
    ASSERT_EQ(1, EXPORT(addFriend)("13400000000", nullptr));
    int serial = 0;
    for (const char* mode : {"exclusive", "write"}) {
        SCOPED_TRACE(mode);
        const std::string name = "pelmo-rely-lock-" + std::to_string(::GetCurrentProcessId()) + "-" + mode;
        HANDLE held = ::CreateEventA(nullptr, TRUE, FALSE, (name + "-held").c_str());
        HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, (name + "-release").c_str());
        char self[MAX_PATH];
        ::GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string line = std::string("\"") + self + "\" --hold-lock \"" + dir + "\\friend.mdb\" " + mode + " " + name;
        STARTUPINFOA si{sizeof si};
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(::CreateProcessA(self, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(held, 20000)) << "the other process holds the book";

        const int before = Contacts();
        const std::string number = "1340000000" + std::to_string(++serial);
        EXPECT_EQ(0, EXPORT(addFriend)(number.c_str(), nullptr)) << "the add cannot reach the file";
        EXPECT_EQ(before, Contacts()) << "nor the cache";
        EXPECT_TRUE(Has("13400000000")) << "what was confirmed stays";
        if (std::strcmp(mode, "write") == 0) {
            // Another process writing still lets the book be read.
            ASSERT_EQ(1, EXPORT(iniFriends)());
            EXPECT_EQ(before, Contacts());
        }
        TakeBoxes();

        ::SetEvent(release);
        ::WaitForSingleObject(pi.hProcess, 20000);
        DWORD code = 1;
        ::GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_EQ(0u, code);
        for (HANDLE h : {pi.hThread, pi.hProcess, held, release})
            ::CloseHandle(h);
        EXPECT_EQ(1, EXPORT(addFriend)(number.c_str(), nullptr)) << "once freed the add goes through";
        EXPECT_EQ(before + 1, Contacts());
        EXPECT_EQ("1", BookScalar(dir + "\\friend.mdb",
                                  ("select count(*) from tab_list where mirrun='" + number + "'").c_str()));
    }
    EXPECT_EQ("0", BookScalar(dir + "\\friend.mdb", "select count(*) from tab_list where mirrun='held'"));
}

// ---- A program folder missing one file --------------------------------------

// The other process: a host's whole day, each result printed as name=value.
int PlayHost(const char* dataDir)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    HMODULE dll = ::LoadLibraryA("pelmo.dll");
    if (!dll) {
        std::printf("pelmo.dll not loaded: error %lu\n", ::GetLastError());
        return 11;
    }
    HMODULE tembra = ::GetModuleHandleA("tembra.dll");
    if (!tembra)
        tembra = ::LoadLibraryA("tembra.dll");
    auto get = [&](const char* name) {
        return reinterpret_cast<void*>(::GetProcAddress(std::strstr(name, "Conf") ? tembra : dll, name));
    };
#define CALL(name) reinterpret_cast<decltype(&name)>(get(#name))
    HWND host = MakeHostWindow();
    HostConfig config;
    std::memset(&config, 0, sizeof config);
    config.notifyWindow = HandleToULong(host);
    config.notifyMessage = static_cast<unsigned short>(kNoticeMessage);
    std::strcpy(config.identity, kIdentity);
    std::strncpy(config.dataDir, dataDir, sizeof config.dataDir - 1);
    if (!tembra || CALL(setConfInfo)(TEMBRA_CONF_KEY, &config) != 0)
        std::printf("no configuration record\n");
    std::printf("InitFriendList=%d\n", CALL(InitFriendList)());
    std::printf("iniFriends=%d\n", CALL(iniFriends)());
    std::printf("addFriend=%d\n", CALL(addFriend)("13300000001", nullptr));
    std::printf("pelmo_getFriends=%d\n", CALL(pelmo_getFriends)(nullptr));
    char text[64] = "";
    std::printf("getGlobalStr=%d\n", CALL(getGlobalStr)(507, text, sizeof text));
    std::printf("MessageBoxSkin=%d\n", CALL(MessageBoxSkin)("text", "caption", PELMO_MB_INFO, host));
    void* panel = CALL(showFriendList)(host, WM_APP + 2, "", 1);
    std::printf("showFriendList=%s\n", panel ? "window" : "null");
    std::printf("showFuncTools=%s\n", CALL(showFuncTools)(host, 0) ? "window" : "null");
    void* manager = CALL(showFriendMain)(0);
    std::printf("showFriendMain=%s\n", manager ? "window" : "null");
    std::printf("viewHistList=%s\n", CALL(viewHistList)() ? "window" : "null");
    Pump(300);
    std::printf("hideFriendList=%d\n", CALL(hideFriendList)(&panel));
    std::printf("releaseFriends=%d\n", CALL(releaseFriends)());
#undef CALL
    for (const std::string& box : TakeBoxes())
        std::printf("box: %s\n", box.c_str());
    ::FreeLibrary(dll);
    Pump(100);
    ::DestroyWindow(host);
    std::printf("done\n");
    return 0;
}

class MissingFile : public ::testing::Test {
protected:
    // Runs a host in a copy of this program's folder without `missing`.
    std::pair<DWORD, std::string> HostWithout(const char* missing)
    {
        m_folder = TempFolder("missing");
        const std::string from = ProgramFolder();
        for (const char* file :
             {"pelmo.dll", "grell.dll", "tembra.dll", "VombelGUI.dll", "friend.mdb", "reliability_tests.exe"}) {
            if (lstrcmpiA(file, missing) != 0) {
                EXPECT_TRUE(::CopyFileA((from + "\\" + file).c_str(), (m_folder + "\\" + file).c_str(), FALSE)) << file;
            }
        }
        const std::string data = m_folder + "\\data";
        ::CreateDirectoryA(data.c_str(), nullptr);
        auto result = RunSelf(m_folder + "\\reliability_tests.exe", "--host \"" + data + "\"", m_folder + "\\out.txt");
        std::printf("without %s (exit %lu):\n%s", missing, result.first, result.second.c_str());
        return result;
    }
    void TearDown() override { RemoveFolder(m_folder); }
    std::string m_folder;
};

bool Says(const std::string& output, const std::string& line)
{
    return output.find(line + "\n") != std::string::npos || output.find(line + "\r\n") != std::string::npos;
}

TEST_F(MissingFile, WithEveryFileTheHostsDayRunsThrough)
{
    const auto [code, output] = HostWithout("");
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(Says(output, "iniFriends=1"));
    EXPECT_TRUE(Says(output, "addFriend=1"));
    EXPECT_TRUE(Says(output, "showFriendList=window"));
    EXPECT_TRUE(Says(output, "done"));
}

// ---- Hostile input through the exports and messages -------------------------

// `size` bytes that end where an inaccessible page begins: reading one byte
// past them faults.
class PageEnd {
public:
    explicit PageEnd(size_t size)
    {
        SYSTEM_INFO si;
        ::GetSystemInfo(&si);
        m_page = si.dwPageSize;
        m_base = static_cast<char*>(::VirtualAlloc(nullptr, 2 * m_page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old = 0;
        ::VirtualProtect(m_base + m_page, m_page, PAGE_NOACCESS, &old);
        m_at = m_base + m_page - size;
    }
    ~PageEnd() { ::VirtualFree(m_base, 0, MEM_RELEASE); }
    char* Data() const { return m_at; }

private:
    size_t m_page = 0;
    char* m_base = nullptr;
    char* m_at = nullptr;
};

TEST_F(Host, ExportsGivenNullsAnswerWithTheirDocumentedFailures)
{
    LogIn(Scratch("nulls"));
    // Before the book is loaded.
    EXPECT_EQ(0, EXPORT(pelmo_getFriends)(nullptr));
    EXPECT_EQ(0, EXPORT(GetNeedFriendsInfo)(nullptr, 1, 1));
    EXPECT_EQ(0, EXPORT(setFriendState)("13200000000", 1));
    EXPECT_EQ(0, EXPORT(addFriend)("13200000000", nullptr));
    EXPECT_EQ(1, EXPORT(releaseFriends)()) << "nothing to free";
    EXPECT_EQ(1u, TakeBoxes().size()) << "the user is told once that the book is not loaded";

    ASSERT_EQ(1, EXPORT(iniFriends)());
    const int contacts = Contacts();
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(0, EXPORT(setFriendState)(nullptr, 1));
    EXPECT_EQ(0, EXPORT(getFriendState)(nullptr));
    EXPECT_EQ(-1, EXPORT(getFriendNickName)(nullptr, buffer));
    EXPECT_EQ(-1, EXPORT(getFriendNickName)("13200000000", nullptr));
    EXPECT_EQ(0, EXPORT(addFriend)(nullptr, nullptr));
    EXPECT_EQ(0, EXPORT(GetNeedFriendsInfo)(nullptr, 0, 0)) << "a list is needed to fill";
    EXPECT_EQ(0, EXPORT(getGlobalStr)(507, nullptr, 50));
    EXPECT_EQ(0, EXPORT(getGlobalStr)(507, buffer, 0));
    EXPECT_EQ(0, EXPORT(getGlobalStr)(507, buffer, -8));
    EXPECT_EQ('#', buffer[0]) << "no room means nothing written";
    EXPECT_EQ(nullptr, EXPORT(getNumFromRegion)(nullptr));
    EXPECT_EQ(-1, EXPORT(hideFriendList)(nullptr));
    EXPECT_EQ(0, EXPORT(hideFriendMain)(nullptr));
    EXPECT_EQ(nullptr, EXPORT(showFriendList)(nullptr, WM_APP + 2, "", 0));
    EXPECT_EQ(nullptr, EXPORT(showFuncTools)(nullptr, 0));
    EXPECT_EQ(contacts, Contacts()) << "none of it changed the book";

    // Boxes with no texts still open and close.
    EXPECT_EQ(1, EXPORT(MessageBoxSkin)(nullptr, nullptr, PELMO_MB_INFO, nullptr));
    EXPECT_EQ(1, EXPORT(MessageBoxSkin2)(nullptr, nullptr, PELMO_MB_QUESTION, nullptr, nullptr, nullptr));
    EXPECT_EQ(2u, TakeBoxes().size());
}

TEST_F(Host, ARecordWithoutTerminatorsIsReadWithinItsFields)
{
    const std::string dir = Scratch("record");
    HostConfig config;
    std::memset(&config, 0, sizeof config);
    std::memset(config.identity, '8', sizeof config.identity);
    std::memset(config.dataDir, 'd', sizeof config.dataDir);
    std::memset(config.moduleLabel, 'm', sizeof config.moduleLabel);
    ASSERT_EQ(0, EXPORT(setConfInfo)(TEMBRA_CONF_KEY, &config));
    EXPECT_EQ(0, EXPORT(iniFriends)()) << "a folder name with no end";
    EXPECT_EQ(1u, TakeBoxes().size());

    std::memset(config.dataDir, 0, sizeof config.dataDir);
    std::strncpy(config.dataDir, dir.c_str(), sizeof config.dataDir - 1);
    ASSERT_EQ(0, EXPORT(setConfInfo)(TEMBRA_CONF_KEY, &config));
    ASSERT_EQ(1, EXPORT(iniFriends)());
    ASSERT_EQ(1, EXPORT(addFriend)("13200000009", nullptr));
    const std::string owner =
        BookScalar(dir + "\\friend.mdb", "select userMirrun from tab_list where mirrun = '13200000009'");
    EXPECT_LE(owner.size(), sizeof config.identity);
    EXPECT_EQ(std::string(owner.size(), '8'), owner) << "nothing from past the field";
}

TEST_F(Host, ACacheTheHostBentOutOfShapeIsNeitherReadNorWritten)
{
    LogIn(Scratch("bent"));
    ASSERT_EQ(1, EXPORT(iniFriends)());
    ASSERT_EQ(1, EXPORT(addFriend)("13200000010", nullptr));
    ASSERT_EQ(1, EXPORT(setFriendState)("13200000010", 1));
    FriendCache* cache = EXPORT(GetFriendCache)();
    ASSERT_NE(nullptr, cache);
    const FriendInfoArray kept = cache->friends;
    FriendInfoArray bent[] = {kept, kept, kept};
    bent[0].count = kept.capacity + 1;  // more in use than allocated
    bent[1].data = nullptr;             // elements nowhere
    bent[2].count = -1;
    for (const FriendInfoArray& shape : bent) {
        cache->friends = shape;
        char slots[64] = "";
        char name[50] = "";
        EXPECT_EQ(0, EXPORT(pelmo_getFriends)(slots));
        EXPECT_EQ(0, EXPORT(S_GetOnLineFriends)(slots));
        EXPECT_EQ(0, EXPORT(GetNeedFriendsInfo)(nullptr, 1, 1));
        EXPECT_EQ(0, EXPORT(setFriendState)("13200000010", 2));
        EXPECT_EQ(0, EXPORT(getFriendState)("13200000010"));
        EXPECT_EQ(0, EXPORT(getFriendNickName)("13200000010", name)) << "as without a book";
        EXPECT_STREQ("13200000010", name);
        EXPECT_EQ(0, EXPORT(addFriend)("13200000011", nullptr));
    }
    cache->friends = kept;
    EXPECT_EQ(1, EXPORT(getFriendState)("13200000010")) << "the shape put back, all is there";
    EXPECT_EQ(1, EXPORT(addFriend)("13200000011", nullptr));
    TakeBoxes();
}

TEST_F(Host, ResourceCallsWithUnknownIdsOrTypesComeBackEmpty)
{
    EXPECT_EQ(nullptr, EXPORT(getGlobalIcon)(0xFFFF));
    EXPECT_EQ(nullptr, EXPORT(getGlobalBitmap)(0));
    EXPECT_EQ(nullptr, EXPORT(getGlobalMenu)(0xFFFF));
    for (int type : {0, -1, 6, 5, 0x7FFF})
        EXPECT_EQ(nullptr, EXPORT(getGlobalRes)(0xFFFFu, type)) << type;
    EXPECT_EQ(nullptr, EXPORT(getGlobalRes)(~0u, PELMO_RES_DIALOG)) << "not an id at all";
    EXPORT(releaseGlobalRes)();
    EXPORT(releaseGlobalRes)();
    char text[8] = "";
    EXPECT_EQ(0, EXPORT(getGlobalStr)(0xFFFF, text, sizeof text));
    EXPECT_EQ(0, EXPORT(initModelessDialog)(nullptr, 1, nullptr));
    // Unknown text ids still give a box the user can close.
    EXPECT_EQ(1, EXPORT(outPutInfo)(0xFFFF, 0xFFFF, nullptr));
    EXPECT_EQ(1, EXPORT(outPutInfoErr)(0xFFFF, -1, 0xFFFF, nullptr));
    EXPECT_EQ(2u, TakeBoxes().size());
    // The region table ends, and a name not in it finds nothing.
    const RegionEntry* regions = EXPORT(getRegionNum)();
    ASSERT_NE(nullptr, regions);
    int n = 0;
    while (regions[n].nameId != 0 && n < 1000)
        ++n;
    EXPECT_LT(n, 1000);
    EXPECT_EQ(nullptr, EXPORT(getNumFromRegion)(""));
}

TEST_F(Host, WindowHandlesThatAreNoWindowsMakeNothing)
{
    LogIn(Scratch("handles"));
    ASSERT_EQ(1, EXPORT(iniFriends)());
    HWND gone = MakeHostWindow();
    ::DestroyWindow(gone);
    for (HWND bogus : {gone, reinterpret_cast<HWND>(static_cast<intptr_t>(0x7ff0))}) {
        EXPECT_EQ(nullptr, EXPORT(showFriendList)(bogus, WM_APP + 2, "", 0));
        EXPECT_EQ(nullptr, EXPORT(showFuncTools)(bogus, 0));
    }
    // A box whose owner is gone still shows, unowned.
    EXPECT_EQ(1, EXPORT(MessageBoxSkin)("text", "caption", PELMO_MB_INFO, gone));
    EXPECT_EQ(1u, TakeBoxes().size());
}

TEST_F(Host, OverlongTextsAreCutToTheirFieldsAndNothingPastThemIsRead)
{
    LogIn(Scratch("long"));
    ASSERT_EQ(1, EXPORT(iniFriends)());
    const std::string huge(100000, '7');
    EXPECT_EQ(0, EXPORT(setFriendState)(huge.c_str(), 1));
    EXPECT_EQ(0, EXPORT(getFriendState)(huge.c_str()));
    EXPECT_EQ(nullptr, EXPORT(getNumFromRegion)(huge.c_str()));
    // The display name of an unknown number is the number, cut to the
    // 50-byte buffer the contract promises.
    char name[80];
    std::memset(name, '#', sizeof name);
    const int length = EXPORT(getFriendNickName)(huge.c_str(), name);
    EXPECT_GE(49, length);
    EXPECT_EQ('\0', name[49 < length ? 49 : length]);
    EXPECT_EQ('#', name[50]) << "nothing written past 50 bytes";
    EXPECT_EQ(1, EXPORT(MessageBoxSkin)(huge.c_str(), huge.c_str(), PELMO_MB_INFO, m_host));
    TakeBoxes();

    // A profile with no terminator in any field, ending at a page nobody
    // may read: every text stops at its own field.
    PageEnd page(sizeof(UserProfile));
    std::memset(page.Data(), 'p', sizeof(UserProfile));
    auto* profile = reinterpret_cast<UserProfile*>(page.Data());
    profile->gender = 2;
    ASSERT_EQ(1, EXPORT(addFriend)("13200000001", profile));
    FriendCache* cache = EXPORT(GetFriendCache)();
    ASSERT_NE(nullptr, cache);
    const FriendInfo& added = cache->friends.data[cache->friends.count - 1];
    ASSERT_STREQ("13200000001", added.mirrun);
    EXPECT_EQ(std::string(31, 'p'), added.name);
    EXPECT_EQ(std::string(35, 'p'), added.nickname);
    EXPECT_EQ(std::string(30, 'p'), added.company);
    EXPECT_EQ(std::string(30, 'p'), added.e_mail);
    EXPECT_EQ(std::string(49, 'p'), added.department) << "the last field, read to its end and no further";
    EXPECT_EQ(2, added.gender);
}

TEST_F(Host, AListWhoseBlockIsNotFromTheProcessHeapIsRefusedUntouched)
{
    LogIn(Scratch("foreign"));
    ASSERT_EQ(1, EXPORT(iniFriends)());
    for (const char* number : {"13000000001", "13000000002", "13000000003"}) {
        ASSERT_EQ(1, EXPORT(addFriend)(number, nullptr));
        ASSERT_EQ(1, EXPORT(setFriendState)(number, 1));
    }
    // The host's own array, too small for three: growing it would hand the
    // heap a block it never gave out.
    static FriendInfo own[2];
    std::memset(own, 'o', sizeof own);
    FriendCache list{};
    list.friends.data = own;
    list.friends.count = 1;
    list.friends.capacity = 2;
    EXPECT_EQ(0, EXPORT(GetNeedFriendsInfo)(&list, 0, 0));
    EXPECT_EQ(own, list.friends.data);
    EXPECT_EQ(1, list.friends.count) << "the host's array as it was";
    EXPECT_EQ('o', own[0].mirrun[0]);

    // The same from the process heap is grown and filled.
    list.friends.data = static_cast<FriendInfo*>(::HeapAlloc(::GetProcessHeap(), 0, 2 * sizeof(FriendInfo)));
    EXPECT_EQ(3, EXPORT(GetNeedFriendsInfo)(&list, 0, 0));
    EXPECT_EQ(3, list.friends.count);
    EXPECT_STREQ("13000000003", list.friends.data[2].mirrun);
    ::HeapFree(::GetProcessHeap(), 0, list.friends.data);
}

TEST_F(Host, MalformedOnlineListsAreReadWithinTheirLengthOrNotAtAll)
{
    const std::string dir = Scratch("blocks");
    // Each delivery is the first of a freshly loaded library, which a panel
    // always takes (later ones wait for the panel's request).
    auto deliver = [&](WPARAM length, const void* block, const char* number = nullptr, char* name = nullptr) {
        m_lib.Reload();
        LogIn(dir);
        EXPECT_EQ(1, EXPORT(iniFriends)());
        void* panel = EXPORT(showFriendList)(m_host, WM_APP + 2, "", 0);
        HWND window = ::FindWindowExA(m_host, nullptr, nullptr, nullptr);
        ::SendMessageA(window, PELMO_WM_ONLINE_LIST, length, reinterpret_cast<LPARAM>(block));
        const int online = EXPORT(S_GetOnLineFriends)(nullptr);
        if (number) {
            EXPECT_LT(0, EXPORT(getFriendNickName)(number, name));
        }
        EXPORT(hideFriendList)(&panel);
        EXPORT(releaseFriends)();
        return online;
    };
    // Two 16-byte numbers with no terminator, ending at an unreadable page.
    PageEnd numbers(32);
    std::memset(numbers.Data(), '5', 32);
    char name[50] = "";
    EXPECT_EQ(2, deliver(32, numbers.Data(), "555555555555555", name));
    EXPECT_STREQ("555555555555555", name) << "a full number, cut to 15";
    // Three numbers and three names, the last name running into the page end.
    PageEnd named(3 * 51);
    std::memset(named.Data(), 'n', 3 * 51);
    std::memset(named.Data(), '6', 3 * 16);
    EXPECT_EQ(3, deliver(3 * 51, named.Data(), "666666666666666", name));
    EXPECT_EQ(std::string(34, 'n'), name) << "the online list's name, cut to 34";

    EXPECT_EQ(0, deliver(3 * 51 - 1, named.Data())) << "neither numbers nor named entries";
    EXPECT_EQ(0, deliver(160, nullptr)) << "a length without a block";
    EXPECT_EQ(0, deliver(static_cast<WPARAM>(-16), nullptr));
}

BOOL CALLBACK FindOtherTopWindow(HWND hwnd, LPARAM lp)
{
    auto* found = reinterpret_cast<std::pair<HWND, HWND>*>(lp);
    if (hwnd == found->first || !::IsWindowVisible(hwnd))
        return TRUE;
    found->second = hwnd;
    return FALSE;
}

TEST_F(Host, PointersFromShowCallsOutliveTheirWindowsHarmlessly)
{
    LogIn(Scratch("stale"));
    ASSERT_EQ(1, EXPORT(iniFriends)());
    // The panel closed once, then its copy handed back.
    void* panel = EXPORT(showFriendList)(m_host, WM_APP + 2, "", 0);
    ASSERT_NE(nullptr, panel);
    void* copy = panel;
    EXPECT_EQ(0, EXPORT(hideFriendList)(&panel));
    RECT before{};
    ::GetWindowRect(m_host, &before);
    EXPECT_EQ(0, EXPORT(hideFriendList)(&copy));
    EXPECT_EQ(nullptr, copy);
    int notAPanel = 0;
    void* bogus = &notAPanel;
    EXPECT_EQ(0, EXPORT(hideFriendList)(&bogus));
    EXPECT_EQ(0, notAPanel);
    RECT after{};
    ::GetWindowRect(m_host, &after);
    EXPECT_EQ(before.right - before.left, after.right - after.left) << "a stale pointer narrows nothing";

    // A panel and a tool bar gone with their parent.
    HWND parent = MakeHostWindow();
    void* orphan = EXPORT(showFriendList)(parent, WM_APP + 2, "", 0);
    ASSERT_NE(nullptr, orphan);
    ASSERT_NE(nullptr, EXPORT(showFuncTools)(parent, 0));
    ::DestroyWindow(parent);
    Pump(50);
    EXPECT_EQ(0, EXPORT(hideFriendList)(&orphan));
    EXPECT_EQ(nullptr, orphan);
    EXPECT_NE(nullptr, EXPORT(showFuncTools)(m_host, 1)) << "a new parent gets a bar of its own";

    // The manager closed by the user; its pointer handed back.
    void* manager = EXPORT(showFriendMain)(0);
    ASSERT_NE(nullptr, manager);
    Pump(50);
    std::pair<HWND, HWND> search{m_host, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindOtherTopWindow, reinterpret_cast<LPARAM>(&search));
    ASSERT_NE(nullptr, search.second);
    ::SendMessageA(search.second, WM_CLOSE, 0, 0);
    Pump(50);
    EXPECT_FALSE(::IsWindow(search.second));
    EXPECT_EQ(0, EXPORT(hideFriendMain)(&manager));
    EXPECT_EQ(nullptr, manager);
    void* again = EXPORT(showFriendMain)(0);
    EXPECT_NE(nullptr, again) << "a closed manager opens anew";
    Pump(50);
    search.second = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindOtherTopWindow, reinterpret_cast<LPARAM>(&search));
    if (search.second)
        ::SendMessageA(search.second, WM_CLOSE, 0, 0);
    Pump(50);
}

TEST_F(Host, WindowsOutliveTheirBookBeingReleasedOrReplaced)
{
    const std::string first = Scratch("first");
    LogIn(first);
    ASSERT_EQ(1, EXPORT(iniFriends)());
    for (const char* number : {"13100000001", "13100000002", "13100000003"})
        ASSERT_EQ(1, EXPORT(addFriend)(number, nullptr));
    ASSERT_EQ(1, EXPORT(setFriendState)("13100000003", 1));
    void* panel = EXPORT(showFriendList)(m_host, WM_APP + 2, "", 1);
    ASSERT_NE(nullptr, panel);
    HWND window = ::FindWindowExA(m_host, nullptr, nullptr, nullptr);
    g_announced.clear();
    ASSERT_NE(nullptr, EXPORT(showFriendMain)(0));
    Pump(100);
    ASSERT_FALSE(g_announced.empty()) << "the manager's list announces itself";
    HWND list = g_announced.back();

    // The items now name positions in a cache that is gone, then in
    // another user's smaller book: presence and rebuilds find nothing stale.
    ASSERT_EQ(1, EXPORT(releaseFriends)());
    ::SendMessageA(window, PELMO_WM_PRESENCE, PELMO_PRESENCE_ONLINE, reinterpret_cast<LPARAM>("13100000003"));
    ::SendMessageA(window, PELMO_WM_PRESENCE, PELMO_PRESENCE_ONLINE, 0);
    ::SendMessageA(window, PELMO_WM_PRESENCE, PELMO_PRESENCE_REBUILD, 0);
    Pump(200);
    LogIn(Scratch("second"));
    ASSERT_EQ(1, EXPORT(iniFriends)());
    ::SendMessageA(window, PELMO_WM_PRESENCE, PELMO_PRESENCE_OFFLINE, reinterpret_cast<LPARAM>("13100000003"));
    ::SendMessageA(window, 0x4D3, 12345, 67890);
    for (HWND target : {window, list}) {
        ::SendMessageA(target, PELMO_WM_PRESENCE, PELMO_PRESENCE_ONLINE, 0);
        ::SendMessageA(target, PELMO_WM_PRESENCE, 12345, reinterpret_cast<LPARAM>("13100000003"));
        ::SendMessageA(target, PELMO_WM_PRESENCE, PELMO_PRESENCE_REBUILD, 0);
    }
    // The manager's refresh with a group no book has, and a step it does not know.
    HWND manager = ::GetAncestor(list, GA_ROOT);
    ::SendMessageA(manager, PELMO_WM_MANAGER_REFRESH, PELMO_MANAGER_REBUILD, -999);
    ::SendMessageA(manager, PELMO_WM_MANAGER_REFRESH, 99, 12345);
    ::SendMessageA(manager, PELMO_WM_MANAGER_REFRESH, PELMO_MANAGER_ADD_GROUP, 0x7FFFFFFF);
    ::RedrawWindow(m_host, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(200);
    EXPECT_EQ(0, EXPORT(S_GetOnLineFriends)(nullptr)) << "nobody online in the new book";
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_TRUE(::IsWindow(list));
    EXPECT_EQ(0, EXPORT(hideFriendList)(&panel));
    TakeBoxes();
}

TEST_F(MissingFile, WithoutTheResourceLibraryTheBookWorksAndWindowsNeedingTemplatesFail)
{
    const auto [code, output] = HostWithout("grell.dll");
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(Says(output, "iniFriends=1"));
    EXPECT_TRUE(Says(output, "addFriend=1"));
    EXPECT_TRUE(Says(output, "getGlobalStr=0"));
    EXPECT_TRUE(Says(output, "MessageBoxSkin=-1")) << "no dialog template";
    EXPECT_TRUE(Says(output, "viewHistList=null"));
    EXPECT_TRUE(Says(output, "showFriendList=window"));
    EXPECT_TRUE(Says(output, "done"));
}

TEST_F(MissingFile, WithoutTheTemplateEveryBookCallSaysSoAndTheWindowsStillOpen)
{
    const auto [code, output] = HostWithout("friend.mdb");
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(Says(output, "iniFriends=0"));
    EXPECT_TRUE(Says(output, "addFriend=0"));
    EXPECT_TRUE(Says(output, "pelmo_getFriends=0"));
    // "程序主目录下未发现好友数据库模板!" in GBK
    EXPECT_TRUE(Says(output,
                     "box: \xb3\xcc\xd0\xf2\xd6\xf7\xc4\xbf\xc2\xbc\xcf\xc2\xce\xb4\xb7\xa2\xcf\xd6\xba\xc3\xd3"
                     "\xd1\xca\xfd\xbe\xdd\xbf\xe2\xc4\xa3\xb0\xe5! "));
    EXPECT_TRUE(Says(output, "showFriendMain=window"));
    EXPECT_TRUE(Says(output, "done"));
}

TEST_F(MissingFile, WithoutTheHistoryLibraryTheRecordIsMissingAndSaidToBe)
{
    const auto [code, output] = HostWithout("tembra.dll");
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(Says(output, "iniFriends=0"));
    EXPECT_TRUE(Says(output, "addFriend=0"));
    EXPECT_TRUE(Says(output, "releaseFriends=0")) << "the record cannot be read";
    // "主程序未初始化！" in GBK
    EXPECT_TRUE(Says(output, "box: \xd6\xf7\xb3\xcc\xd0\xf2\xce\xb4\xb3\xf5\xca\xbc\xbb\xaf\xa3\xa1 "));
    EXPECT_TRUE(Says(output, "done"));
}

TEST_F(MissingFile, WithoutTheSkinLibraryTheLibraryDoesNotLoad)
{
    // pelmo.dll imports the skin library's dialog class: the system refuses
    // the load with "module not found", which the host can report.
    const auto [code, output] = HostWithout("VombelGUI.dll");
    EXPECT_EQ(11u, code);
    EXPECT_TRUE(Says(output, "pelmo.dll not loaded: error 126"));
}

}  // namespace

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    ::SetWindowsHookExA(WH_CBT, CloseBoxes, nullptr, ::GetCurrentThreadId());
    if (argc == 5 && std::strcmp(argv[1], "--hold-lock") == 0)
        return HoldLock(argv[2], argv[3], argv[4]);
    if (argc == 3 && std::strcmp(argv[1], "--host") == 0)
        return PlayHost(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
