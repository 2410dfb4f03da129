// CDatabase and CDBException: one connection to a data source, our stand-in
// for the class library's ODBC connection over an embedded SQLite file.
#ifndef PELMO_DATA_DATABASE_H
#define PELMO_DATA_DATABASE_H

#include <exception>
#include <map>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Raised by every failing database step, as the class library does; the
// address-book code catches it where the step happens.
class CDBException : public std::exception {
public:
    CDBException(int retCode, std::string error) : m_nRetCode(retCode), m_strError(std::move(error)) {}
    const char* what() const noexcept override { return m_strError.c_str(); }

    int m_nRetCode;  // the SQLite result code, or -1 for our own checks
    std::string m_strError;
};

class CDatabase {
public:
    enum DbOpenOptions : unsigned {
        openExclusive = 0x0001,
        openReadOnly = 0x0002,
        useCursorLib = 0x0004,
        noOdbcDialog = 0x0008,
        forceOdbcDialog = 0x0010,
    };

    CDatabase() = default;
    virtual ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // `connect` is "[ODBC;]DSN=name;UID=user;PWD=password"; the data source
    // must be registered (odbc::SQLConfigDataSource) and its file must exist
    // and be an SQLite database: nothing is ever created here. Returns true,
    // or throws CDBException. Opening an open connection throws.
    bool OpenEx(const char* connect, unsigned options = 0);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    const std::string& GetConnect() const { return m_connect; }
    const std::string& GetDatabasePath() const { return m_path; }

    bool BeginTrans();
    bool CommitTrans();
    bool Rollback();
    bool InTransaction() const { return m_inTransaction; }
    // Runs SQL that returns no rows; throws CDBException.
    void ExecuteSQL(const char* sql);
    // The first column of the first row of `sql` as a number (0 for none);
    // throws CDBException.
    long long QueryInteger(const char* sql);
    // The first column of every row of `sql` as numbers, in row order;
    // throws CDBException.
    std::vector<long long> QueryIntegers(const char* sql);

    sqlite3* Handle() const { return m_db; }
    // Prepared statements are kept by their text while the connection is
    // open: the address book runs the same few texts for every row. Prepare
    // throws CDBException; Recycle resets a statement (which releases its
    // read lock) and keeps it for the next Prepare of the same text.
    sqlite3_stmt* Prepare(const std::string& sql);
    void Recycle(sqlite3_stmt* statement);
    // Throws CDBException carrying the connection's last error.
    [[noreturn]] void ThrowLastError(const std::string& context) const;

private:
    sqlite3* m_db = nullptr;
    std::map<std::string, sqlite3_stmt*> m_idle;
    std::string m_connect;
    std::string m_path;
    bool m_inTransaction = false;
};

// Why a connection could not be had, from a CDBException's code.
enum class DbFailure {
    kNone,
    kInUse,       // another connection or process holds the file locked
    kUnreadable,  // missing, a folder, no permission
    kDamaged,     // not a database, truncated, corrupt
    kForeign,     // a database, but without the expected tables
    kOther,
};
DbFailure ClassifyFailure(int retCode);

// The literal for a text value inside SQL: quoted, with quotes doubled, so
// a value can never end the literal early.
std::string SqlTextLiteral(const std::string& value);

// A path in the system code page as SQLite wants it (UTF-8 on Windows).
std::string ToSqlitePath(const std::string& path);

#endif
