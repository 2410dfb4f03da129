#include "framework/data/database.h"

#include "framework/data/odbc_installer.h"

#include <sqlite3.h>

#include <map>

#if defined(_WIN32)
// Paths come in the system code page; SQLite wants UTF-8. SQLite's own
// Windows layer converts (and frees with sqlite3_free).
extern "C" char* sqlite3_win32_mbcs_to_utf8_v2(const char* text, int useAnsi);
#endif

namespace {

std::string Upper(std::string s)
{
    for (auto& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::map<std::string, std::string> ParseConnect(std::string connect)
{
    if (Upper(connect.substr(0, 5)) == "ODBC;")
        connect.erase(0, 5);
    std::map<std::string, std::string> out;
    size_t start = 0;
    while (start <= connect.size()) {
        size_t end = connect.find(';', start);
        if (end == std::string::npos)
            end = connect.size();
        std::string item = connect.substr(start, end - start);
        auto eq = item.find('=');
        if (eq != std::string::npos)
            out[Upper(item.substr(0, eq))] = item.substr(eq + 1);
        start = end + 1;
    }
    return out;
}

// How long a step waits for another connection's lock before it gives up.
// Short: the caller is the host's window thread, and it does not pump
// messages while it waits.
constexpr int kBusyWaitMs = 1000;

// A file cut short (a copy that stopped) reads as a smaller database without
// complaint, its last page padded with zeros: compare the file with the
// pages it claims to hold.
void CheckWholeFile(CDatabase& database)
{
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(database.Handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        return;
    sqlite3_int64 bytes = 0;
    if (file->pMethods->xFileSize(file, &bytes) != SQLITE_OK)
        return;
    const long long pageSize = database.QueryInteger("PRAGMA page_size");
    const long long pages = database.QueryInteger("PRAGMA page_count");
    if (pageSize <= 0 || bytes % pageSize != 0 || bytes < pages * pageSize)
        throw CDBException(SQLITE_CORRUPT, "the file is shorter than the database it holds");
}

}  // namespace

DbFailure ClassifyFailure(int retCode)
{
    switch (retCode & 0xff) {
    case SQLITE_OK:
        return DbFailure::kNone;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbFailure::kInUse;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_READONLY:
        return DbFailure::kUnreadable;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return DbFailure::kDamaged;
    default:
        return DbFailure::kOther;
    }
}

std::string ToSqlitePath(const std::string& path)
{
#if defined(_WIN32)
    char* utf8 = sqlite3_win32_mbcs_to_utf8_v2(path.c_str(), 1);
    if (!utf8)
        throw CDBException(SQLITE_NOMEM, "cannot convert the database path");
    std::string out(utf8);
    sqlite3_free(utf8);
    return out;
#else
    return path;
#endif
}

std::string SqlTextLiteral(const std::string& value)
{
    std::string out = "'";
    for (char c : value) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

CDatabase::~CDatabase()
{
    Close();
}

void CDatabase::ThrowLastError(const std::string& context) const
{
    int code = m_db ? sqlite3_extended_errcode(m_db) : -1;
    std::string text = m_db ? sqlite3_errmsg(m_db) : "connection not open";
    throw CDBException(code, context + ": " + text);
}

bool CDatabase::OpenEx(const char* connect, unsigned options)
{
    if (IsOpen())
        throw CDBException(-1, "connection already open");
    if (!connect)
        throw CDBException(-1, "no connection string");
    auto parts = ParseConnect(connect);
    auto dsn = parts.find("DSN");
    if (dsn == parts.end())
        throw CDBException(-1, "no data source name in the connection string");
    odbc::DataSource source;
    if (!odbc::LookupDataSource(dsn->second, &source))
        throw CDBException(-1, "data source name not found: " + dsn->second);
    if (source.driver != odbc::kAccessDriver)
        throw CDBException(-1, "unknown driver: " + source.driver);
    if (source.database.empty())
        throw CDBException(-1, "data source has no database file");

    // Never SQLITE_OPEN_CREATE: a missing file is an error, not a new database.
    int flags = (options & openReadOnly) ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(ToSqlitePath(source.database).c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw CDBException(rc, "cannot open " + source.database + ": " + text);
    }
    m_db = db;
    m_path = source.database;
    m_connect = std::string("ODBC;") + connect;
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyWaitMs);
    try {
        // The rollback journal keeps the file whole at rest: a byte copy of
        // it is always a complete database, and a crash cannot corrupt it.
        // Reading the header here is also what rejects a file that is not a
        // database before anything could write to it.
        ExecuteSQL("PRAGMA journal_mode=DELETE");
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA synchronous", -1, &st, nullptr) != SQLITE_OK)
            ThrowLastError("open");
        int level = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
        sqlite3_finalize(st);
        if (level < 2)
            ExecuteSQL("PRAGMA synchronous=FULL");
        ExecuteSQL("SELECT count(*) FROM sqlite_master");
        CheckWholeFile(*this);
    } catch (...) {
        Close();
        throw;
    }
    return true;
}

sqlite3_stmt* CDatabase::Prepare(const std::string& sql)
{
    if (!m_db)
        throw CDBException(-1, "connection not open");
    auto idle = m_idle.find(sql);
    if (idle != m_idle.end()) {
        sqlite3_stmt* st = idle->second;
        m_idle.erase(idle);
        return st;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &st, nullptr) != SQLITE_OK || !st) {
        sqlite3_finalize(st);
        ThrowLastError(sql);
    }
    return st;
}

void CDatabase::Recycle(sqlite3_stmt* statement)
{
    if (!statement)
        return;
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    const char* text = sqlite3_sql(statement);
    // A statement of an earlier connection (closed and opened again since)
    // must not be handed out on this one.
    if (!m_db || !text || sqlite3_db_handle(statement) != m_db || !m_idle.emplace(text, statement).second)
        sqlite3_finalize(statement);
}

void CDatabase::Close()
{
    if (!m_db)
        return;
    for (auto& idle : m_idle)
        sqlite3_finalize(idle.second);
    m_idle.clear();
    if (m_inTransaction)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_inTransaction = false;
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_path.clear();
    m_connect.clear();
}

void CDatabase::ExecuteSQL(const char* sql)
{
    if (!m_db)
        throw CDBException(-1, "connection not open");
    sqlite3_stmt* st = nullptr;
    const char* tail = sql;
    // Step every statement to its end: a PRAGMA answers with a row.
    while (tail && *tail) {
        if (sqlite3_prepare_v2(m_db, tail, -1, &st, &tail) != SQLITE_OK)
            ThrowLastError(sql);
        if (!st)
            break;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            ThrowLastError(sql);
    }
}

long long CDatabase::QueryInteger(const char* sql)
{
    if (!m_db)
        throw CDBException(-1, "connection not open");
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
        ThrowLastError(sql);
    int rc = sqlite3_step(st);
    long long value = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        ThrowLastError(sql);
    return value;
}

std::vector<long long> CDatabase::QueryIntegers(const char* sql)
{
    if (!m_db)
        throw CDBException(-1, "connection not open");
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
        ThrowLastError(sql);
    std::vector<long long> values;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        values.push_back(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        ThrowLastError(sql);
    return values;
}

bool CDatabase::BeginTrans()
{
    if (!m_db || m_inTransaction)
        return false;
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    m_inTransaction = true;
    return true;
}

bool CDatabase::CommitTrans()
{
    if (!m_db || !m_inTransaction)
        return false;
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_inTransaction = false;
        return false;
    }
    m_inTransaction = false;
    return true;
}

bool CDatabase::Rollback()
{
    if (!m_db || !m_inTransaction)
        return false;
    m_inTransaction = false;
    return sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK;
}
