// Checks a book after its host was killed: SQLite's integrity check passes
// once the next host opens it (a journal the kill left is rolled back), the
// reloaded cache holds as many contacts as the file, and every change the
// host saw confirmed is there: added and imported contacts present, edited
// names as edited, deleted contacts gone. The one change cut off by each
// kill may have happened or not.
//   book_check <data directory> <log of changes>
// The log holds a bare number per confirmed add, or "? add N", "? edit N
// name", "? delete N", "? import N N ..." each followed by "ok" once confirmed.
#include "history_lib.h"
#include "pelmo.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

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

// What the confirmed changes left: number -> name ("*" any name), numbers
// deleted, and the numbers the unconfirmed changes touched.
struct Expected {
    std::map<std::string, std::string> present;
    std::set<std::string> gone;
    std::set<std::string> uncertain;
    int confirmed = 0;
};

struct Change {
    std::string kind;
    std::vector<std::string> numbers;
    std::string name;
};

void Apply(const Change& c, Expected* e)
{
    for (const std::string& number : c.numbers) {
        e->uncertain.erase(number);
        if (c.kind == "delete") {
            e->present.erase(number);
            e->gone.insert(number);
        } else {
            e->gone.erase(number);
            e->present[number] = c.kind == "edit" ? c.name : c.kind == "import" ? "imported" : "*";
        }
    }
    ++e->confirmed;
}

// false with a message when the host itself reported a failure.
bool ReadLog(const char* path, Expected* e)
{
    std::ifstream log(path);
    Change pending;
    bool open = false;
    for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line.rfind("refused", 0) == 0 || line.rfind("failed", 0) == 0) {
            std::printf("the host reported: %s\n", line.c_str());
            return false;
        }
        if (line == "ok") {
            if (open)
                Apply(pending, e);
            open = false;
            continue;
        }
        if (open)  // cut off by a kill
            e->uncertain.insert(pending.numbers.begin(), pending.numbers.end());
        open = false;
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word != "?") {
            Apply(Change{"add", {word}, ""}, e);
            continue;
        }
        pending = Change{};
        in >> pending.kind;
        if (pending.kind == "edit") {
            std::string number;
            in >> number >> pending.name;
            pending.numbers.push_back(number);
        } else {
            for (std::string number; in >> number;)
                pending.numbers.push_back(number);
        }
        open = true;
    }
    if (open)
        e->uncertain.insert(pending.numbers.begin(), pending.numbers.end());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string dataDir = argv[1];
    Expected expected;
    if (!ReadLog(argv[2], &expected))
        return 1;
    if (expected.confirmed == 0) {
        std::puts("no change was confirmed: the host never got to write");
        return 1;
    }

    sqlite3* db = nullptr;
    const std::string book = dataDir + "\\friend.mdb";
    sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const std::string integrity = QueryText(db, "PRAGMA integrity_check");
    const std::string rows = QueryText(db, "SELECT COUNT(*) FROM tab_list");
    std::map<std::string, std::string> stored;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT mirrun, name FROM tab_list", -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        stored[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] = name ? name : "";
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    int failures = 0;
    if (integrity != "ok") {
        std::printf("integrity check: %s\n", integrity.c_str());
        ++failures;
    }
    for (const auto& [number, name] : expected.present) {
        if (expected.uncertain.count(number))
            continue;
        auto it = stored.find(number);
        if (it == stored.end()) {
            std::printf("%s was confirmed and is gone\n", number.c_str());
            ++failures;
        } else if (name != "*" && it->second != name) {
            std::printf("%s was confirmed as \"%s\" and reads \"%s\"\n", number.c_str(), name.c_str(),
                        it->second.c_str());
            ++failures;
        }
    }
    for (const std::string& number : expected.gone)
        if (!expected.uncertain.count(number) && stored.count(number)) {
            std::printf("%s was confirmed deleted and is back\n", number.c_str());
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
    if (std::to_string(cached) != rows) {
        std::printf("the cache holds %d contacts, the file %s\n", cached, rows.c_str());
        ++failures;
    }
    releaseFriends();
    std::printf("%d confirmed changes, %d contacts loaded, %d failures\n", expected.confirmed, cached, failures);
    return failures == 0 ? 0 : 1;
}
