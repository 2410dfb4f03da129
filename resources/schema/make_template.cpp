// Writes the empty template friend.mdb that is installed beside the host
// program: the two tables of the address book and nothing else. Run at build
// time; the argument names the file, which must not exist yet.
#include "friend_schema.h"

#include <sqlite3.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_template <output file>\n");
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "make_template: cannot create %s\n", argv[1]);
        sqlite3_close(db);
        return 1;
    }
    char* error = nullptr;
    int rc = sqlite3_exec(db, "PRAGMA journal_mode=DELETE; BEGIN;", nullptr, nullptr, &error);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, kFriendSchemaSql, nullptr, nullptr, &error);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "COMMIT;", nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "make_template: %s\n", error ? error : "failed");
        sqlite3_free(error);
        sqlite3_close(db);
        std::remove(argv[1]);
        return 1;
    }
    sqlite3_close(db);
    return 0;
}
