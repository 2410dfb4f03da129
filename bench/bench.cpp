// Times the address book at growing sizes, in one run:
//  - iniFriends next to a bare SQLite read of the same rows (the ratio is
//    what matters: both pay the same file system and the same emulator);
//  - setFriendState and getFriendNickName per call (linear scans, and a copy
//    of the configuration record per call);
//  - AddFriendRec per row (lowest-free-id walk plus one synced insert);
//  - the cache's memory.
#include "bench_util.h"
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/growable_array.h"
#include "core/host_config.h"
#include "core/records.h"
#include "core/user_notice.h"
#include "framework/data/database.h"
#include "history_lib.h"
#include "module/module_state.h"
#include "pelmo.h"

#include <sqlite3.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kIdentity[] = "8613800009999";
constexpr int kGroups = 1000;

std::string Number(int i)
{
    return "139" + std::to_string(10000000 + i);
}

// A book of `contacts` rows with every text column filled, spread over the groups.
void MakeBook(const std::string& dir, int contacts)
{
    std::string path = dir + "\\friend.mdb";
    ::DeleteFileA(path.c_str());
    std::string templatePath;
    {
        char exe[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
        templatePath = exe;
        templatePath = templatePath.substr(0, templatePath.rfind('\\')) + "\\friend.mdb";
    }
    ::CopyFileA(templatePath.c_str(), path.c_str(), FALSE);
    sqlite3* db = nullptr;
    sqlite3_open_v2(ToSqlitePath(path).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "insert into tab_group values (?, ?, ?, ?)", -1, &st, nullptr);
    for (int g = 0; g < kGroups; ++g) {
        std::string name = "Group " + std::to_string(g);
        sqlite3_bind_int(st, 1, g);
        sqlite3_bind_text(st, 2, kIdentity, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 4, g < 50 ? -1 : g % 50);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db,
                       "insert into tab_list values (?, ?, ?, ?, ?, 1, ?, ?, 'China', 'Zhejiang', 'Hangzhou', "
                       "'310000', ?, 'Sales', 'Manager', '0571-88888888', '0571-66666666', '13900000000', "
                       "'0571-88888889', ?, 'reading, travel, photography', NULL)",
                       -1, &st, nullptr);
    for (int i = 0; i < contacts; ++i) {
        std::string number = Number(i);
        std::string name = "Contact Name " + std::to_string(i);
        std::string nick = "Nick" + std::to_string(i);
        std::string address = "No. " + std::to_string(i) + " Wensan Road, Xihu District";
        std::string company = "Company " + std::to_string(i % 97);
        std::string mail = "user" + std::to_string(i) + "@example.org";
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_int(st, 2, i % kGroups);
        sqlite3_bind_text(st, 3, kIdentity, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, number.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 6, nick.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 7, address.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 8, company.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 9, mail.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// What any program must at least do to have the rows: open the file, step
// through both tables reading every column, close.
size_t BareRead(const std::string& path)
{
    size_t bytes = 0;
    sqlite3* db = nullptr;
    sqlite3_open_v2(ToSqlitePath(path).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    for (const char* sql : {"select * from tab_group", "select * from tab_list"}) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        int columns = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < columns; ++c) {
                sqlite3_column_text(st, c);
                bytes += static_cast<size_t>(sqlite3_column_bytes(st, c));
            }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return bytes;
}

void SetUpUser(const std::string& dir)
{
    HostConfig config{};
    std::strcpy(config.identity, kIdentity);
    std::strncpy(config.dataDir, dir.c_str(), sizeof config.dataDir - 1);
    setConfInfo(TEMBRA_CONF_KEY, &config);
}

// Presence at scale: every contact's presence changed and read back, as a
// host does when the network reports; per call, flat when lookups are.
void PresenceTable(const std::string& dir)
{
    std::printf(
        "\n| contacts | setFriendState us/call | getFriendState us/call | getFriendNickName us/call |"
        " GetNeedFriendsInfo (all online) ms |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    double flatBase[3] = {};
    for (int contacts : {1000, 20000}) {
        MakeBook(dir, contacts);
        if (!iniFriends()) {
            std::fprintf(stderr, "iniFriends failed at %d contacts\n", contacts);
            return;
        }
        std::vector<std::string> numbers;
        for (int i = 0; i < contacts; ++i)
            numbers.push_back(Number((i * 7919) % contacts));
        const double n = contacts;
        double set = Best(3, [&] {
            for (const std::string& number : numbers)
                setFriendState(number.c_str(), 1);
        });
        volatile int sink = 0;
        double get = Best(3, [&] {
            for (const std::string& number : numbers)
                sink = sink + getFriendState(number.c_str());
        });
        char name[50];
        double nick = Best(3, [&] {
            for (const std::string& number : numbers)
                getFriendNickName(number.c_str(), name);
        });
        FriendCache list{};
        list.friends.growBy = 1;  // the worst step a host can choose
        double need = Best(3, [&] { GetNeedFriendsInfo(&list, 0, 1); });
        ArrayRemoveAll(list.friends);
        std::printf("| %d | %.2f | %.2f | %.2f | %.2f |\n", contacts, set / n * 1e6, get / n * 1e6, nick / n * 1e6,
                    need * 1e3);
        std::fflush(stdout);
        // Flat: a call at 20,000 contacts against the same call at 1,000.
        const double perCall[3] = {set / n * 1e6, get / n * 1e6, nick / n * 1e6};
        const char* names[3] = {"setFriendState per call, 20,000 vs 1,000 contacts",
                                "getFriendState per call, 20,000 vs 1,000 contacts",
                                "getFriendNickName per call, 20,000 vs 1,000 contacts"};
        for (int k = 0; k < 3; ++k) {
            if (contacts == 1000)
                flatBase[k] = perCall[k];
            else
                PrintFigure(names[k], "us", perCall[k], flatBase[k], 1.5);
        }
        releaseFriends();
    }
}

// An import of a contact list: 5,000 contacts in ten groups from another
// file into a book of 5,000, as the manager's import copies them (one
// transaction), next to a bare SQLite insert of the same rows.
void ImportTable(const std::string& dir)
{
    constexpr int kBook = 5000;
    constexpr int kImported = 5000;
    constexpr int kImportGroups = 10;
    const std::string book = dir + "\\friend.mdb";
    const std::string list = dir + "\\list.fdb";
    MakeBook(dir, kBook);
    const std::string pristine = dir + "\\book.copy";
    ::CopyFileA(book.c_str(), pristine.c_str(), FALSE);

    // The list: a copy of the empty template with its own groups and numbers.
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string templatePath = exe;
    templatePath = templatePath.substr(0, templatePath.rfind('\\')) + "\\friend.mdb";
    ::CopyFileA(templatePath.c_str(), list.c_str(), FALSE);
    std::string sql = "begin;";
    for (int g = 0; g < kImportGroups; ++g)
        sql +=
            "insert into tab_group values (" + std::to_string(g) + ", 'x', 'Imported " + std::to_string(g) + "', -1);";
    for (int i = 0; i < kImported; ++i)
        sql += "insert into tab_list (ID, groupID, userMirrun, mirrun, name, nickname) values (" + std::to_string(i) +
               ", " + std::to_string(i % kImportGroups) + ", 'x', '" + Number(500000 + i) + "', 'Imported " +
               std::to_string(i) + "', 'Nick " + std::to_string(i) + "');";
    sql += "commit;";
    sqlite3* db = nullptr;
    sqlite3_open_v2(ToSqlitePath(list).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);

    // Best of five alternating runs each; `read` is the part of the best
    // run that reads the list into memory.
    double ours = 1e9, read = 0, bare = 1e9;
    intptr_t copied = 0;
    for (int run = 0; run < 5; ++run) {
        ::CopyFileA(pristine.c_str(), book.c_str(), FALSE);
        if (!iniFriends())
            return;
        const intptr_t before = GetFriendCache()->friends.count;
        const double t0 = Now();
        FriendCache* source = NewFriendCache();
        CFriendDB file;
        file.SetConnectInfo(list, kFriendUser, kFriendPassword);
        file.LoadGroups(kIdentity, source);
        file.LoadFriends(kIdentity, &source->friends);
        std::vector<int> tops;
        for (int g = 0; g < source->groups.count; ++g)
            if (source->groups.data[g].fatherID == -1)
                tops.push_back(g);
        const double loaded = Now();
        CFriendDB target;
        target.SetConnectInfo(book, kFriendUser, kFriendPassword);
        const int result = target.CopyGroupTrees(kIdentity, source, tops, -1, 1, 0);
        if (Now() - t0 < ours) {
            ours = Now() - t0;
            read = loaded - t0;
        }
        copied = GetFriendCache()->friends.count - before;
        FreeFriendCache(source);
        if (result != 0)
            std::fprintf(stderr, "import failed\n");
        releaseFriends();

        ::CopyFileA(pristine.c_str(), book.c_str(), FALSE);
        bare = std::min(bare, Best(1, [&] {
                            sqlite3* b = nullptr;
                            sqlite3_open_v2(ToSqlitePath(book).c_str(), &b, SQLITE_OPEN_READWRITE, nullptr);
                            const std::string attach = "attach '" + ToSqlitePath(list) + "' as list";
                            sqlite3_exec(b, attach.c_str(), nullptr, nullptr, nullptr);
                            sqlite3_exec(b,
                                         "begin; insert into tab_group select ID + 100000, userMirrun, name, -1 from "
                                         "list.tab_group; insert into tab_list select ID + 100000, groupID + 100000, "
                                         "userMirrun, mirrun, name, gender, nickname, address, country, province, "
                                         "city, postCode, company, department, title, company_phone, home_phone, "
                                         "cell_phone, fax_phone, e_mail, interest, rem from list.tab_list; commit;",
                                         nullptr, nullptr, nullptr);
                            sqlite3_close(b);
                        }));
    }
    std::printf(
        "\n| import | contacts copied | ours ms | of which reading the list ms | bare SQLite insert ms | ratio "
        "|\n|---|---:|---:|---:|---:|---:|\n");
    std::printf("| %d into a book of %d | %lld | %.1f | %.1f | %.1f | %.2f |\n", kImported, kBook,
                static_cast<long long>(copied), ours * 1e3, read * 1e3, bare * 1e3, ours / bare);
    std::fflush(stdout);
    PrintFigure("import of 5,000 contacts into a book of 5,000 (bare: INSERT ... SELECT)", "ms", ours * 1e3, bare * 1e3,
                3);
    ::DeleteFileA(list.c_str());
    ::DeleteFileA(pristine.c_str());
}

class PrintedNotices : public UserNoticeSink {
public:
    void Show(const UserNotice& notice) override
    {
        if (notice.kind == UserNotice::Kind::kSystem)
            std::fprintf(stderr, "message: %s\n", notice.text.c_str());
    }
};

}  // namespace

// With an argument, only that table: --presence or --import.
int main(int argc, char** argv)
{
    const std::string only = argc > 1 ? argv[1] : "";
    module::Attach(::GetModuleHandleA(nullptr));
    PrintedNotices notices;
    SetUserNoticeSink(&notices);
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + "pelmo-bench";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    SetUpUser(dir);
    if (only == "--import" || only == "--presence") {
        if (only == "--import")
            ImportTable(dir);
        else
            PresenceTable(dir);
        module::Detach();
        return 0;
    }

    std::printf(
        "| contacts | groups | iniFriends ms | bare SQLite read ms | ratio | setFriendState us/call |"
        " getFriendNickName us/call | AddFriendRec ms/row | cache KiB |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int contacts : {255, 2000, 10000}) {
        MakeBook(dir, contacts);
        const std::string path = dir + "\\friend.mdb";
        BareRead(path);  // warm the file cache for both
        // Alternated, best of seven each: both see the same machine state.
        int built = 0;
        double ini = 1e9, bare = 1e9;
        for (int run = 0; run < 7; ++run) {
            ini = std::min(ini, Best(1, [&] { built = iniFriends(); }));
            bare = std::min(bare, Best(1, [&] { BareRead(path); }));
        }
        FriendCache* cache = GetFriendCache();
        if (!built || !cache || cache->friends.count != contacts) {
            std::fprintf(stderr, "iniFriends failed at %d contacts\n", contacts);
            return 1;
        }

        const int calls = 2000;
        std::vector<std::string> numbers;
        for (int i = 0; i < calls; ++i)
            numbers.push_back(Number((i * 7919) % contacts));
        double t0 = Now();
        for (int i = 0; i < calls; ++i)
            setFriendState(numbers[static_cast<size_t>(i)].c_str(), i & 1);
        double perState = (Now() - t0) / calls;
        char name[50];
        t0 = Now();
        for (int i = 0; i < calls; ++i)
            getFriendNickName(numbers[static_cast<size_t>(i)].c_str(), name);
        double perNick = (Now() - t0) / calls;

        size_t memory = sizeof(FriendCache) + static_cast<size_t>(cache->groups.capacity) * sizeof(FriendGroup) +
                        static_cast<size_t>(cache->friends.capacity) * sizeof(FriendInfo);

        const int adds = 20;
        CFriendDB db;
        db.SetConnectInfo(path, kFriendUser, kFriendPassword);
        db.OpenDB(0);
        t0 = Now();
        for (int i = 0; i < adds; ++i) {
            FriendInfo f{};
            CopyField(f.mirrun, Number(contacts + i));
            f.groupID = PELMO_GROUP_NONE;
            db.AddFriendRec(kIdentity, &f, 1, 0, 0);
        }
        double perAdd = (Now() - t0) / adds;

        std::printf("| %d | %d | %.1f | %.1f | %.2f | %.1f | %.1f | %.2f | %.0f |\n", contacts, kGroups, ini * 1e3,
                    bare * 1e3, ini / bare, perState * 1e6, perNick * 1e6, perAdd * 1e3, memory / 1024.0);
        std::fflush(stdout);
        if (contacts == 10000)
            PrintFigure("iniFriends, 10,000 contacts (bare: SQLite read of the rows)", "ms", ini * 1e3, bare * 1e3, 0);
        releaseFriends();
    }
    PresenceTable(dir);
    ImportTable(dir);
    ::DeleteFileA((dir + "\\friend.mdb").c_str());
    ::RemoveDirectoryA(dir.c_str());
    module::Detach();
    return 0;
}
