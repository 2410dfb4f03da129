#include "framework/data/recordset.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

std::string Lower(std::string s)
{
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Whether result column `column` is the bound field `field` ("[name]" or
// "name"), case-insensitively; no copies, as Open runs for every row some
// callers write.
bool SameColumn(const std::string& field, const char* column)
{
    size_t begin = 0;
    size_t end = field.size();
    if (end >= 2 && field.front() == '[' && field.back() == ']') {
        ++begin;
        --end;
    }
    for (size_t i = begin; i < end; ++i, ++column) {
        if (!*column ||
            std::tolower(static_cast<unsigned char>(field[i])) != std::tolower(static_cast<unsigned char>(*column)))
            return false;
    }
    return *column == '\0';
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Recognises "select * from <table>[ rest]" and returns the table, or "".
// Only such single-table texts are updatable; rowid identifies their rows.
std::string SelectStarTable(const std::string& sql)
{
    std::string l = Lower(sql);
    size_t p = 0;
    auto skip = [&] {
        while (p < l.size() && IsSpace(l[p]))
            ++p;
    };
    auto word = [&](const char* w) {
        skip();
        size_t n = std::strlen(w);
        if (l.compare(p, n, w) != 0)
            return false;
        p += n;
        return true;
    };
    if (!word("select") || !word("*") || !word("from"))
        return std::string();
    skip();
    size_t start = p;
    if (p < l.size() && l[p] == '[') {
        size_t close = l.find(']', p);
        if (close == std::string::npos)
            return std::string();
        p = close + 1;
    } else {
        while (p < l.size() && (std::isalnum(static_cast<unsigned char>(l[p])) || l[p] == '_'))
            ++p;
    }
    if (p == start || (p < l.size() && !IsSpace(l[p])))
        return std::string();
    return sql.substr(start, p - start);
}

}  // namespace

CRecordset::CRecordset(CDatabase* database) : m_pDatabase(database) {}

CRecordset::~CRecordset()
{
    Close();
}

bool CRecordset::Open(unsigned openType, const char* sql, unsigned options)
{
    if (m_open)
        Close();
    if (!m_pDatabase || !m_pDatabase->IsOpen())
        throw CDBException(-1, "recordset has no open connection");

    CFieldExchange describe(CFieldExchange::Describe, nullptr);
    DoFieldExchange(&describe);
    m_fieldNames = describe.m_names;
    m_fieldKinds = describe.m_kinds;
    m_nFields = static_cast<unsigned>(m_fieldNames.size());

    m_openType = openType == AFX_DB_USE_DEFAULT_TYPE ? m_nDefaultType : openType;
    m_options = options;
    std::string text = Trim(sql ? sql : GetDefaultSQL());
    std::string statement;
    m_table.clear();
    if (Lower(text.substr(0, 6)) != "select") {
        // A table name: the class library selects the bound columns from it.
        m_table = text;
        statement = "SELECT rowid";
        for (const auto& n : m_fieldNames)
            statement += ", " + n;
        statement += " FROM " + text;
    } else {
        m_table = SelectStarTable(text);
        statement = m_table.empty() ? text : "select rowid, " + text.substr(text.find('*'));
    }
    m_hasRowid = !m_table.empty();
    if (m_options & readOnly)
        m_table.clear();
    m_sql = text;

    sqlite3_stmt* st = m_pDatabase->Prepare(statement);

    // Bind fields by column name; the injected rowid is column 0.
    int first = m_hasRowid ? 1 : 0;
    int columns = sqlite3_column_count(st);
    m_columnOf.assign(m_fieldNames.size(), -1);
    for (size_t f = 0; f < m_fieldNames.size(); ++f) {
        for (int c = first; c < columns && m_columnOf[f] < 0; ++c) {
            const char* name = sqlite3_column_name(st, c);
            if (name && SameColumn(m_fieldNames[f], name))
                m_columnOf[f] = c;
        }
        if (m_columnOf[f] < 0) {
            m_pDatabase->Recycle(st);
            throw CDBException(-1, "column " + m_fieldNames[f] + " not found in: " + text);
        }
    }

    m_rows.clear();
    m_pos = 0;
    m_fetched = 0;
    m_mode = EditMode::None;
    m_stmt = st;
    m_open = true;
    m_started = false;
    m_eof = false;
    return true;
}

// Rows are read as the set moves; a snapshot keeps those it has read, so it
// can move back, a forward-only set keeps only the current one. The first
// row is read at the first look at the set, so a set opened only to add
// rows never reads (nor locks) the table.
void CRecordset::Start() const
{
    if (!m_open || m_started)
        return;
    auto* self = const_cast<CRecordset*>(this);
    self->m_started = true;
    self->FetchNext();
    if (!m_eof)
        self->Bind();
}

// Before this set writes, read what is left of a snapshot: a pending read
// would hold the write's commit back until the set closes.
void CRecordset::Drain()
{
    Start();
    if (m_openType == forwardOnly || !m_stmt)
        return;
    bool eof = m_eof;
    while (m_stmt)
        FetchNext();
    m_eof = eof;
}

void CRecordset::Close()
{
    if (m_stmt)
        m_pDatabase->Recycle(m_stmt);
    m_stmt = nullptr;
    if (m_write.statement)
        m_pDatabase->Recycle(m_write.statement);
    m_write = Write();
    m_open = false;
    m_rows.clear();
    m_eof = true;
    m_mode = EditMode::None;
}

void CRecordset::ReadRow(sqlite3_stmt* st, Row& row) const
{
    row.deleted = false;
    if (m_hasRowid)
        row.rowid = sqlite3_column_int64(st, 0);
    row.values.resize(m_columnOf.size());
    for (size_t f = 0; f < m_columnOf.size(); ++f) {
        int c = m_columnOf[f];
        FieldValue& v = row.values[f];
        switch (sqlite3_column_type(st, c)) {
        case SQLITE_NULL:
            v.kind = FieldValue::Null;
            break;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            v.kind = FieldValue::Integer;
            v.integer = sqlite3_column_int64(st, c);
            v.text.clear();  // a text field bound to a number formats it when loaded
            break;
        default: {
            v.kind = FieldValue::Text;
            const unsigned char* t = sqlite3_column_text(st, c);
            v.text.assign(t ? reinterpret_cast<const char*>(t) : "", static_cast<size_t>(sqlite3_column_bytes(st, c)));
            v.integer = 0;  // a number field bound to a text parses it when loaded
        }
        }
    }
}

void CRecordset::FetchNext()
{
    if (!m_stmt) {
        if (m_openType == forwardOnly)
            m_rows.clear();
        m_eof = true;
        return;
    }
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        // A forward-only set keeps no rows: Bind reads the statement itself.
        if (m_openType != forwardOnly) {
            m_rows.emplace_back();
            ReadRow(m_stmt, m_rows.back());
        }
        ++m_fetched;
        m_eof = false;
        return;
    }
    // At the end the statement goes at once: it holds the file's read lock.
    m_pDatabase->Recycle(m_stmt);
    m_stmt = nullptr;
    m_eof = true;
    if (m_openType == forwardOnly)
        m_rows.clear();
    if (rc != SQLITE_DONE)
        m_pDatabase->ThrowLastError(m_sql);
}

const CRecordset::Row* CRecordset::Current() const
{
    if (!m_open || m_eof || m_openType == forwardOnly)
        return nullptr;
    return m_pos < m_rows.size() ? &m_rows[m_pos] : nullptr;
}

void CRecordset::Bind()
{
    if (m_openType == forwardOnly) {
        if (!m_stmt || m_eof)
            return;
        CFieldExchange load(CFieldExchange::LoadStatement, nullptr);
        load.m_stmt = m_stmt;
        load.m_columns = &m_columnOf;
        DoFieldExchange(&load);
        return;
    }
    const Row* row = Current();
    if (!row)
        return;
    CFieldExchange load(CFieldExchange::Load, const_cast<std::vector<FieldValue>*>(&row->values));
    DoFieldExchange(&load);
}

// Into `values`, reusing its elements: a set that writes row after row
// allocates nothing here once the first row has sized them.
void CRecordset::Collect(std::vector<FieldValue>& values)
{
    CFieldExchange store(CFieldExchange::Store, &values);
    DoFieldExchange(&store);
    values.resize(store.m_index);
}

bool CRecordset::IsEOF() const
{
    Start();
    return !m_open || m_eof;
}
bool CRecordset::IsBOF() const
{
    Start();
    return !m_open || (m_eof && m_pos == 0);
}

bool CRecordset::IsDeleted() const
{
    Start();
    const Row* row = Current();
    return row && row->deleted;
}

long CRecordset::GetRecordCount() const
{
    Start();
    return static_cast<long>(m_fetched);
}

void CRecordset::MoveNext()
{
    Start();
    if (!m_open || m_eof)
        throw CDBException(-1, "MoveNext past the end");
    m_mode = EditMode::None;
    if (m_openType == forwardOnly) {
        FetchNext();
    } else {
        ++m_pos;
        if (m_pos >= m_rows.size())
            FetchNext();
        m_eof = m_pos >= m_rows.size();
    }
    if (!m_eof)
        Bind();
}

void CRecordset::MoveFirst()
{
    if (!m_open)
        throw CDBException(-1, "recordset not open");
    if (m_openType == forwardOnly)
        throw CDBException(-1, "a forward-only recordset cannot move back");
    Start();
    m_mode = EditMode::None;
    m_pos = 0;
    m_eof = m_rows.empty();
    if (!m_eof)
        Bind();
}

bool CRecordset::CanUpdate() const
{
    return m_open && !m_table.empty() && m_openType != forwardOnly;
}
bool CRecordset::CanAppend() const
{
    return CanUpdate();
}

void CRecordset::RequireUpdatable(const char* what) const
{
    if (!CanUpdate())
        throw CDBException(-1, std::string(what) + ": recordset is read-only");
}

void CRecordset::AddNew()
{
    RequireUpdatable("AddNew");
    CFieldExchange reset(CFieldExchange::SetDefault, nullptr);
    DoFieldExchange(&reset);
    Collect(m_original);
    m_mode = EditMode::Add;
}

void CRecordset::Edit()
{
    RequireUpdatable("Edit");
    Start();
    const Row* row = Current();
    if (!row || row->deleted)
        throw CDBException(-1, "Edit: no current row");
    Collect(m_original);
    m_mode = EditMode::Edit;
}

void CRecordset::CancelUpdate()
{
    m_mode = EditMode::None;
    if (m_started)
        Bind();
}

bool CRecordset::Update()
{
    if (m_mode == EditMode::None)
        throw CDBException(-1, "Update without AddNew or Edit");
    EditMode mode = m_mode;
    m_mode = EditMode::None;
    std::vector<FieldValue>& now = m_now;
    Collect(now);
    std::vector<size_t>& dirty = m_dirty;
    dirty.clear();
    for (size_t f = 0; f < now.size(); ++f) {
        // A new row always gets its numbers: 0 is a real id, not "no value".
        bool numeric = m_fieldKinds[f] == FieldValue::Integer;
        if (!(now[f] == m_original[f]) || (mode == EditMode::Add && numeric))
            dirty.push_back(f);
    }
    if (mode == EditMode::Edit && dirty.empty())
        return false;
    if (m_started)
        Drain();

    // The statement stays with the set while the fields written stay the
    // same: a set that adds thousands of rows prepares its insert once.
    if (!m_write.statement || m_write.mode != mode || m_write.fields != dirty) {
        if (m_write.statement)
            m_pDatabase->Recycle(m_write.statement);
        m_write = Write();
        std::string sql;
        if (mode == EditMode::Add) {
            if (dirty.empty()) {
                sql = "INSERT INTO " + m_table + " DEFAULT VALUES";
            } else {
                std::string names, marks;
                for (size_t i = 0; i < dirty.size(); ++i) {
                    names += (i ? ", " : "") + m_fieldNames[dirty[i]];
                    marks += i ? ", ?" : "?";
                }
                sql = "INSERT INTO " + m_table + " (" + names + ") VALUES (" + marks + ")";
            }
        } else {
            sql = "UPDATE " + m_table + " SET ";
            for (size_t i = 0; i < dirty.size(); ++i)
                sql += (i ? ", " : "") + m_fieldNames[dirty[i]] + " = ?";
            sql += " WHERE rowid = ?";
        }
        m_write.statement = m_pDatabase->Prepare(sql);
        m_write.mode = mode;
        m_write.fields = dirty;
    }

    sqlite3* db = m_pDatabase->Handle();
    sqlite3_stmt* st = m_write.statement;
    // The values outlive the step, and the bindings are cleared after it.
    int slot = 1;
    for (size_t f : dirty) {
        const FieldValue& v = now[f];
        if (v.kind == FieldValue::Integer)
            sqlite3_bind_int64(st, slot++, v.integer);
        else if (v.kind == FieldValue::Text && !v.text.empty())
            sqlite3_bind_text(st, slot++, v.text.c_str(), static_cast<int>(v.text.size()), SQLITE_STATIC);
        else
            sqlite3_bind_null(st, slot++);
    }
    Row* row = nullptr;
    if (mode == EditMode::Edit) {
        row = &m_rows[m_openType == forwardOnly ? 0 : m_pos];
        sqlite3_bind_int64(st, slot, row->rowid);
    }
    const int rc = sqlite3_step(st);
    // The error text before the reset, which would clear it.
    const int code = rc == SQLITE_DONE ? SQLITE_OK : sqlite3_extended_errcode(db);
    const std::string error =
        rc == SQLITE_DONE ? std::string() : std::string(sqlite3_sql(st)) + ": " + sqlite3_errmsg(db);
    sqlite3_reset(st);  // the write ends here, not at the next one
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE)
        throw CDBException(code, error);
    if (mode == EditMode::Edit) {
        if (sqlite3_changes(db) != 1)
            throw CDBException(-1, "Update: the row no longer exists");
        for (size_t f : dirty)
            row->values[f] = now[f];
    }
    return true;
}

void CRecordset::Delete()
{
    RequireUpdatable("Delete");
    if (m_mode != EditMode::None)
        throw CDBException(-1, "Delete during AddNew or Edit");
    Drain();
    Row* row = m_open && !m_eof && m_pos < m_rows.size() ? &m_rows[m_pos] : nullptr;
    if (!row || row->deleted)
        throw CDBException(-1, "Delete: no current row");
    sqlite3* db = m_pDatabase->Handle();
    std::string sql = "DELETE FROM " + m_table + " WHERE rowid = ?";
    sqlite3_stmt* st = m_pDatabase->Prepare(sql);
    sqlite3_bind_int64(st, 1, row->rowid);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        const CDBException error(sqlite3_extended_errcode(db), sql + ": " + sqlite3_errmsg(db));
        m_pDatabase->Recycle(st);
        throw error;
    }
    m_pDatabase->Recycle(st);
    if (sqlite3_changes(db) != 1)
        throw CDBException(-1, "Delete: the row no longer exists");
    row->deleted = true;
}

// ---- Field exchange -------------------------------------------------------

namespace {

FieldValue& Slot(CFieldExchange* fx)
{
    if (fx->m_values->size() <= fx->m_index)
        fx->m_values->resize(fx->m_index + 1);
    return (*fx->m_values)[fx->m_index];
}

}  // namespace

void RFX_Long(CFieldExchange* fx, const char* name, int32_t& value)
{
    switch (fx->m_op) {
    case CFieldExchange::Describe:
        fx->m_names.push_back(name);
        fx->m_kinds.push_back(FieldValue::Integer);
        break;
    case CFieldExchange::LoadStatement: {
        int c = (*fx->m_columns)[fx->m_index];
        switch (sqlite3_column_type(fx->m_stmt, c)) {
        case SQLITE_NULL:
            value = 0;
            break;
        case SQLITE_TEXT:
        case SQLITE_BLOB:
            value = static_cast<int32_t>(
                std::strtoll(reinterpret_cast<const char*>(sqlite3_column_text(fx->m_stmt, c)), nullptr, 10));
            break;
        default:
            value = static_cast<int32_t>(sqlite3_column_int64(fx->m_stmt, c));
        }
        break;
    }
    case CFieldExchange::Load: {
        const FieldValue& v = Slot(fx);
        if (v.kind == FieldValue::Integer)
            value = static_cast<int32_t>(v.integer);
        else if (v.kind == FieldValue::Text)
            value = static_cast<int32_t>(std::strtoll(v.text.c_str(), nullptr, 10));
        else
            value = 0;
        break;
    }
    case CFieldExchange::Store: {
        FieldValue& v = Slot(fx);
        v.kind = FieldValue::Integer;
        v.integer = value;
        v.text.clear();
        break;
    }
    case CFieldExchange::SetDefault:
        value = 0;
        break;
    }
    ++fx->m_index;
}

void RFX_Int(CFieldExchange* fx, const char* name, int& value)
{
    int32_t v = value;
    RFX_Long(fx, name, v);
    value = v;
}

void RFX_Text(CFieldExchange* fx, const char* name, std::string& value, int maxLength)
{
    size_t limit = maxLength > 0 ? static_cast<size_t>(maxLength) : 0;
    switch (fx->m_op) {
    case CFieldExchange::Describe:
        fx->m_names.push_back(name);
        fx->m_kinds.push_back(FieldValue::Text);
        break;
    case CFieldExchange::LoadStatement: {
        int c = (*fx->m_columns)[fx->m_index];
        const unsigned char* text = sqlite3_column_text(fx->m_stmt, c);
        if (!text) {
            value.clear();
        } else {
            size_t n = static_cast<size_t>(sqlite3_column_bytes(fx->m_stmt, c));
            value.assign(reinterpret_cast<const char*>(text), n < limit ? n : limit);
        }
        break;
    }
    case CFieldExchange::Load: {
        const FieldValue& v = Slot(fx);
        if (v.kind == FieldValue::Null)
            value.clear();
        else if (v.kind == FieldValue::Integer)
            value = std::to_string(v.integer).substr(0, limit);
        else
            value.assign(v.text, 0, limit);
        break;
    }
    case CFieldExchange::Store: {
        FieldValue& v = Slot(fx);
        v.kind = FieldValue::Text;
        v.integer = 0;
        v.text.assign(value, 0, limit);
        break;
    }
    case CFieldExchange::SetDefault:
        value.clear();
        break;
    }
    ++fx->m_index;
}
