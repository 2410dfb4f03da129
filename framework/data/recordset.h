// CRecordset: a set of rows of one query, our stand-in for the class
// library's ODBC recordset. A derived class binds its member variables with
// the RFX_ functions in DoFieldExchange and names its default SQL.
//
// Updating (AddNew/Edit/Update/Delete) works on recordsets over one table:
// the default SQL (a table name) or a "select * from <table> ..." text.
// Update writes only the fields that changed since AddNew or Edit, so
// columns the program never touches keep their stored value (or get none).
#ifndef PELMO_DATA_RECORDSET_H
#define PELMO_DATA_RECORDSET_H

#include "framework/data/database.h"

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3_stmt;
class CFieldExchange;

// A value as it travels between a bound field and the database.
struct FieldValue {
    enum Kind { Null, Integer, Text } kind = Null;
    int64_t integer = 0;
    std::string text;
    bool operator==(const FieldValue& o) const { return kind == o.kind && integer == o.integer && text == o.text; }
};

class CRecordset {
public:
    enum OpenType : unsigned { dynaset = 0, snapshot = 1, forwardOnly = 2, dynamic = 3 };
    enum OpenOptions : unsigned { none = 0x0, readOnly = 0x0004, appendOnly = 0x0008 };
    static constexpr unsigned AFX_DB_USE_DEFAULT_TYPE = 0xFFFFFFFFu;

    explicit CRecordset(CDatabase* database);
    virtual ~CRecordset();
    CRecordset(const CRecordset&) = delete;
    CRecordset& operator=(const CRecordset&) = delete;

    // Runs `sql` (or the default SQL when null) on the connection given at
    // construction. A text that does not start with "select" is a table
    // name. Every bound field must be a column of the result. Returns true
    // or throws CDBException. Rows are read as the set moves; the program
    // closes a set before it changes the rows the set reads.
    virtual bool Open(unsigned openType = AFX_DB_USE_DEFAULT_TYPE, const char* sql = nullptr, unsigned options = none);
    virtual void Close();
    bool IsOpen() const { return m_open; }

    bool IsEOF() const;
    bool IsBOF() const;
    bool IsDeleted() const;
    void MoveNext();
    void MoveFirst();             // snapshots only
    long GetRecordCount() const;  // rows read so far

    bool CanUpdate() const;
    bool CanAppend() const;
    void AddNew();
    void Edit();
    // Writes the pending AddNew or Edit. False without error when an Edit
    // changed nothing; throws CDBException when the write fails.
    bool Update();
    void CancelUpdate();
    void Delete();

    virtual std::string GetDefaultConnect() const { return "ODBC;"; }
    virtual std::string GetDefaultSQL() const = 0;
    virtual void DoFieldExchange(CFieldExchange* fx) = 0;

    const std::string& GetSQL() const { return m_sql; }
    const std::string& GetTableName() const { return m_table; }

    unsigned m_nFields = 0;
    unsigned m_nDefaultType = snapshot;

protected:
    CDatabase* m_pDatabase;

private:
    enum class EditMode { None, Add, Edit };
    struct Row {
        int64_t rowid = 0;
        bool deleted = false;
        std::vector<FieldValue> values;  // bound order
    };

    void Bind();  // fields from the current row
    void Collect(std::vector<FieldValue>& values);
    void FetchNext();
    void Start() const;
    void Drain();
    void ReadRow(sqlite3_stmt* st, Row& row) const;
    const Row* Current() const;
    void RequireUpdatable(const char* what) const;

    bool m_open = false;
    bool m_started = false;
    unsigned m_openType = snapshot;
    unsigned m_options = none;
    std::string m_sql;
    std::string m_table;  // empty: the set is not updatable
    bool m_hasRowid = false;
    std::vector<int> m_columnOf;  // result column of each bound field
    std::vector<std::string> m_fieldNames;
    std::vector<FieldValue::Kind> m_fieldKinds;
    std::vector<Row> m_rows;  // snapshot: all rows; forward-only: the current one
    size_t m_pos = 0;
    size_t m_fetched = 0;
    bool m_eof = true;
    sqlite3_stmt* m_stmt = nullptr;  // forward-only only
    EditMode m_mode = EditMode::None;
    std::vector<FieldValue> m_original;
    std::vector<FieldValue> m_now;  // Update's buffers, kept between writes
    std::vector<size_t> m_dirty;
    // The last write's statement, kept for the next write of the same fields.
    struct Write {
        sqlite3_stmt* statement = nullptr;
        EditMode mode = EditMode::None;
        std::vector<size_t> fields;
    } m_write;
};

// Passed to DoFieldExchange; the RFX_ functions do its current operation on
// one bound variable each.
class CFieldExchange {
public:
    enum Operation { Describe, Load, LoadStatement, Store, SetDefault };
    CFieldExchange(Operation op, std::vector<FieldValue>* values) : m_op(op), m_values(values) {}

    Operation m_op;
    std::vector<FieldValue>* m_values;
    // LoadStatement: the fields come straight from the statement's current
    // row, column m_columns[i] for field i (forward-only sets keep no rows).
    sqlite3_stmt* m_stmt = nullptr;
    const std::vector<int>* m_columns = nullptr;
    std::vector<std::string> m_names;
    std::vector<FieldValue::Kind> m_kinds;
    size_t m_index = 0;
};

// "long" and "int" columns are 32-bit in the file's format, whatever the
// platform's long is.
void RFX_Long(CFieldExchange* fx, const char* name, int32_t& value);
void RFX_Int(CFieldExchange* fx, const char* name, int& value);
// Text columns: at most maxLength bytes are read or written.
void RFX_Text(CFieldExchange* fx, const char* name, std::string& value, int maxLength = 255);

#endif
