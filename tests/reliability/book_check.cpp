// Checks a book after its host was killed: SQLite's integrity check passes
// once the next host opens it (a journal the kill left is rolled back), and
// the reloaded cache holds every add the host saw confirmed, no more rows
// than the file.
//   book_check <data directory> <log of confirmed numbers>
#include "history_lib.h"
#include "pelmo.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

namespace {

std::string QueryText(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    else
        out = std::string("error: ") + sqlite3_errmsg(db);
    sqlite3_finalize(st);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string dataDir = argv[1];
    std::set<std::string> confirmed;
    std::ifstream log(argv[2]);
    for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("refused", 0) == 0 || line.rfind("failed", 0) == 0) {
            std::printf("the host reported: %s\n", line.c_str());
            return 1;
        }
        if (!line.empty())
            confirmed.insert(line);
    }
    if (confirmed.empty()) {
        std::puts("no add was confirmed: the host never got to write");
        return 1;
    }

    sqlite3* db = nullptr;
    const std::string book = dataDir + "\\friend.mdb";
    sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const std::string integrity = QueryText(db, "PRAGMA integrity_check");
    const std::string rows = QueryText(db, "SELECT COUNT(*) FROM tab_list");
    sqlite3_close(db);
    int failures = 0;
    if (integrity != "ok") {
        std::printf("integrity check: %s\n", integrity.c_str());
        ++failures;
    }

    HostConfig config;
    std::memset(&config, 0, sizeof config);
    std::strncpy(config.identity, "8613800001111", sizeof config.identity - 1);
    std::strncpy(config.dataDir, dataDir.c_str(), sizeof config.dataDir - 1);
    if (setConfInfo(TEMBRA_CONF_KEY, &config) != 0 || InitFriendList() != 1 || iniFriends() != 1) {
        std::puts("the book does not load again");
        return 1;
    }
    const int cached = pelmo_getFriends(nullptr);
    std::string numbers(static_cast<size_t>(cached) * PELMO_NUMBER_SLOT + 1, '\0');
    pelmo_getFriends(&numbers[0]);
    std::set<std::string> loaded;
    for (int i = 0; i < cached; ++i)
        loaded.insert(std::string(numbers.c_str() + i * PELMO_NUMBER_SLOT));
    for (const std::string& number : confirmed)
        if (!loaded.count(number)) {
            std::printf("%s was confirmed and is gone\n", number.c_str());
            ++failures;
        }
    if (std::to_string(cached) != rows) {
        std::printf("the cache holds %d contacts, the file %s\n", cached, rows.c_str());
        ++failures;
    }
    releaseFriends();
    std::printf("%zu confirmed adds, %d contacts loaded, %d failures\n", confirmed.size(), cached, failures);
    return failures == 0 ? 0 : 1;
}
