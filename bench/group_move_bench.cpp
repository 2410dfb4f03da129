// Deleting a group of 5,000 contacts but keeping them ("No" to the panel's
// second question): the contacts of the group and its subgroup move to the
// extra root and the groups go, next to the bare SQLite statements doing
// the same to the same rows of the same file, in one run.
//   scripts/wine-run.sh build/x86_64/bin/group_move_bench.exe
#include "bench_util.h"
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/host_config.h"
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

namespace {

constexpr char kIdentity[] = "8613800009999";
constexpr int kMoved = 5000;   // in group 1 (4,000) and its subgroup 2 (1,000)
constexpr int kOthers = 5000;  // spread over groups 3..52
constexpr int kRuns = 5;

std::string TemplatePath()
{
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(0, path.rfind('\\')) + "\\friend.mdb";
}

void MakeBook(const std::string& path)
{
    ::CopyFileA(TemplatePath().c_str(), path.c_str(), FALSE);
    sqlite3* db = nullptr;
    sqlite3_open_v2(ToSqlitePath(path).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::string sql = "begin;";
    for (int g = 1; g <= 52; ++g)
        sql += "insert into tab_group values (" + std::to_string(g) + ", '" + kIdentity + "', 'Group " +
               std::to_string(g) + "', " + (g == 2 ? "1" : "-1") + ");";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into tab_list (ID, groupID, userMirrun, mirrun, name, nickname, company, e_mail) "
                       "values (?, ?, ?, ?, ?, ?, 'Company', 'user@example.org')",
                       -1, &st, nullptr);
    for (int i = 0; i < kMoved + kOthers; ++i) {
        const int group = i < kMoved ? (i % 5 == 0 ? 2 : 1) : 3 + i % 50;
        const std::string number = "139" + std::to_string(10000000 + i);
        const std::string name = "Contact " + std::to_string(i);
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_int(st, 2, group);
        sqlite3_bind_text(st, 3, kIdentity, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, number.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 6, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

int Count(const std::string& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(ToSqlitePath(path).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

}  // namespace

int main()
{
    module::Attach(::GetModuleHandleA(nullptr));
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "pelmo-move-bench";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    HostConfig config{};
    std::strcpy(config.identity, kIdentity);
    std::strncpy(config.dataDir, dir.c_str(), sizeof config.dataDir - 1);
    setConfInfo(TEMBRA_CONF_KEY, &config);

    const std::string book = dir + "\\friend.mdb";
    const std::string pristine = dir + "\\book.copy";
    MakeBook(pristine);

    double ours = 1e9, bare = 1e9;
    int moved = -1;
    bool ok = true;
    for (int run = 0; run < kRuns; ++run) {
        ::CopyFileA(pristine.c_str(), book.c_str(), FALSE);
        if (!iniFriends()) {
            std::fprintf(stderr, "iniFriends failed\n");
            return 1;
        }
        const FriendCache* cache = GetFriendCache();
        const FriendGroup group = cache->groups.data[FindGroupById(cache, 1)];
        const double t0 = Now();
        {
            CFriendDB db;
            db.SetConnectInfo(book, kFriendUser, kFriendPassword);
            ok = ok && db.DissolveGroupTree(kIdentity, &group, PELMO_GROUP_NONE) == kGroupDeleted;
        }
        ours = std::min(ours, Now() - t0);
        moved = Count(book, "select count(*) from tab_list where groupID=-10");
        ok = ok && moved == kMoved && Count(book, "select count(*) from tab_group") == 50;
        releaseFriends();

        ::CopyFileA(pristine.c_str(), book.c_str(), FALSE);
        const double t1 = Now();
        sqlite3* db = nullptr;
        sqlite3_open_v2(ToSqlitePath(book).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db,
                     "begin; update tab_list set groupID=-10 where groupID in (1,2); "
                     "delete from tab_group where ID in (1,2); commit;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        bare = std::min(bare, Now() - t1);
    }
    // For scale: the same move one contact at a time, as a ModifyFriend each.
    constexpr int kSample = 100;
    ::CopyFileA(pristine.c_str(), book.c_str(), FALSE);
    double perContact = 0;
    if (iniFriends()) {
        CFriendDB db;
        db.SetConnectInfo(book, kFriendUser, kFriendPassword);
        const double t0 = Now();
        for (int i = 0; i < kSample; ++i) {
            FriendInfo f = GetFriendCache()->friends.data[i];
            f.groupID = PELMO_GROUP_NONE;
            db.ModifyFriend(kIdentity, &f);
        }
        perContact = (Now() - t0) / kSample;
        releaseFriends();
    }

    std::printf("| move | contacts moved | ours ms | bare SQLite update ms | ratio |\n|---|---:|---:|---:|---:|\n");
    std::printf("| group of %d (and a subgroup) in a book of %d | %d | %.1f | %.1f | %.2f |\n", kMoved,
                kMoved + kOthers, moved, ours * 1e3, bare * 1e3, ours / bare);
    std::printf("\none ModifyFriend per contact instead: %.2f ms each, about %.0f ms for %d\n", perContact * 1e3,
                perContact * kMoved * 1e3, kMoved);
    PrintFigure("group of 5,000 contacts deleted, contacts kept (bare: the same UPDATE and DELETE)", "ms", ours * 1e3,
                bare * 1e3, 3);
    if (!ok)
        std::fprintf(stderr, "the move did not leave the expected rows\n");
    ::DeleteFileA(book.c_str());
    ::DeleteFileA(pristine.c_str());
    ::RemoveDirectoryA(dir.c_str());
    module::Detach();
    return ok ? 0 : 1;
}
