// SQL on a database file through a connection of the test's own, beside
// the library's: for setting up rows and reading what was stored.
#pragma once

#include <sqlite3.h>

#include <string>

namespace testsql {

// Runs `sql` on `file`; the error text, or "" when it succeeded.
inline std::string Exec(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    std::string text = rc == SQLITE_OK ? "" : error ? error : "failed";
    sqlite3_free(error);
    sqlite3_close(db);
    return text;
}

// The first column of the first row of `sql`, as text ("" for none).
inline std::string Scalar(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW &&
        sqlite3_column_type(st, 0) != SQLITE_NULL)
        out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    else if (!st)
        out = std::string("error: ") + sqlite3_errmsg(db);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

}  // namespace testsql
