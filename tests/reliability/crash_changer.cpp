// A user changing the book as fast as the manager lets them, until killed:
// adds (as the host makes them), edits and deletes (as the manager's contact
// list makes them) and imports of contact-list files (as the manager's
// import command makes them). Each change is logged before it starts
// ("? ...") and again once the library confirmed it ("ok"), so book_check
// knows which changes must have survived and which one was cut off.
//   crash_changer <data directory> <seed> <log file>
#include "core/user_notice.h"
#include "framework/data/database.h"
#include "history_lib.h"
#include "manager/contact_transfer.h"
#include "manager/manager_pane.h"
#include "module/module_state.h"
#include "pelmo.h"
#include "resources/string_ids.h"

#include <sqlite3.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

FILE* g_log = nullptr;
std::string g_fdb;  // the contact-list file the next import reads

void Log(const std::string& line)
{
    std::fprintf(g_log, "%s\n", line.c_str());
    std::fflush(g_log);
}

// A change the library refuses is a finding: say which and stop.
class RefusalLog : public UserNoticeSink {
public:
    void Show(const UserNotice& notice) override
    {
        Log("failed: box " + std::to_string(notice.textId) + " " + notice.text);
        std::exit(4);
    }
};

bool ChooseImportFile(bool save, std::string* path)
{
    if (save)
        return false;
    *path = g_fdb;
    return true;
}

// The import asks first; the user says yes. A failure's box is closed too:
// the import's result says it failed.
void CALLBACK AnswerYes(HWND, UINT, UINT_PTR, DWORD)
{
    static HWND answered = nullptr;
    HWND box = ::FindWindowExA(nullptr, nullptr, "#32770", nullptr);
    for (; box; box = ::FindWindowExA(nullptr, box, "#32770", nullptr)) {
        if (box != answered && ::GetWindowThreadProcessId(box, nullptr) == ::GetCurrentThreadId() &&
            ::IsWindowVisible(box)) {
            answered = box;
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
}

// A contact-list file with one top group and `count` new contacts; returns
// their numbers, separated by spaces.
std::string MakeContactList(const std::string& path, const std::string& group, long long firstNumber, int count)
{
    char program[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string templ(program, n);
    templ = templ.substr(0, templ.find_last_of('\\') + 1) + "friend.mdb";
    if (!::CopyFileA(templ.c_str(), path.c_str(), FALSE))
        return "";
    sqlite3* db = nullptr;
    sqlite3_open(ToSqlitePath(path).c_str(), &db);
    std::string sql = "begin; insert into tab_group values (1, 'x', '" + group + "', -1);";
    std::string numbers;
    for (int i = 0; i < count; ++i) {
        const std::string number = std::to_string(firstNumber + i);
        sql += "insert into tab_list (ID, groupID, userMirrun, mirrun, name) values (" + std::to_string(i + 1) +
               ", 1, 'x', '" + number + "', 'imported');";
        numbers += " " + number;
    }
    const bool made = sqlite3_exec(db, (sql + "commit;").c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return made ? numbers : "";
}

// A contact the user may touch: not the service contact.
const FriendInfo* PickContact(unsigned pick)
{
    FriendCache* cache = GetFriendCache();
    if (!cache || cache->friends.count < 2)
        return nullptr;
    for (intptr_t tries = 0; tries < cache->friends.count; ++tries) {
        const FriendInfo& info = cache->friends.data[(pick + tries) % cache->friends.count];
        if (info.groupID != PELMO_GROUP_SERVICE)
            return &info;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    // Wine's wrapper starts a program again when it dies having printed nothing.
    std::puts("started");
    std::fflush(stdout);
    g_log = std::fopen(argv[3], "a");
    if (!g_log)
        return 2;
    const std::string dir = argv[1];
    const long long seed = std::atoll(argv[2]);
    std::srand(static_cast<unsigned>(seed));
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    module::Attach(::GetModuleHandleA(nullptr));
    RefusalLog refusals;
    SetUserNoticeSink(&refusals);
    manager::SetFileChooser(ChooseImportFile);

    HostConfig config;
    std::memset(&config, 0, sizeof config);
    std::strncpy(config.identity, "8613800001111", sizeof config.identity - 1);
    std::strncpy(config.dataDir, dir.c_str(), sizeof config.dataDir - 1);
    if (setConfInfo(TEMBRA_CONF_KEY, &config) != 0 || InitFriendList() != 1 || iniFriends() != 1) {
        Log("failed to start");
        return 3;
    }
    ::SetTimer(nullptr, 0, 10, AnswerYes);

    long long next = seed;  // numbers of this run: seed, seed + 1, ...
    for (int step = 0;; ++step) {
        const int kind = step % 20 == 10 ? 3 : std::rand() % 3;
        bool done = false;
        if (kind == 0) {
            const std::string number = std::to_string(next++);
            Log("? add " + number);
            done = addFriend(number.c_str(), nullptr) == 1;
        } else if (kind == 1 || kind == 2) {
            const FriendInfo* picked = PickContact(static_cast<unsigned>(std::rand()));
            if (!picked)
                continue;
            FriendInfo info = *picked;
            CFriendDB db;
            if (kind == 1) {
                std::snprintf(info.name, sizeof info.name, "e%lld-%d", seed, step);
                Log(std::string("? edit ") + info.mirrun + " " + info.name);
                done = manager::OpenBook(db) && db.ModifyFriend(manager::Identity().c_str(), &info) == 1;
            } else {
                Log(std::string("? delete ") + info.mirrun);
                done = manager::OpenBook(db) && db.DeleteFriend(manager::Identity().c_str(), &info) == 1;
            }
        } else {
            const std::string group = "g" + std::to_string(seed) + "-" + std::to_string(step);
            g_fdb = dir + "\\" + group + ".fdb";
            const std::string numbers = MakeContactList(g_fdb, group, next, 40);
            next += 40;
            if (numbers.empty()) {
                Log("failed: no contact-list file");
                return 3;
            }
            Log("? import" + numbers);
            const manager::ImportOutcome outcome = manager::ImportContacts(nullptr);
            done = outcome.reloaded && outcome.message == IDS_IMPORT_DONE;
            ::DeleteFileA(g_fdb.c_str());
        }
        if (!done) {
            Log("failed");
            return 4;
        }
        Log("ok");
    }
}
