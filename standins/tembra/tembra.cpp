// The history library, as far as its callers rely on it: whole-record copies
// of the host configuration record and a store of history entries in an
// SQLite file of its own (history.db) in the user's data directory.
#include "history_lib.h"
#include "pelmo.h"
#include "xml_text.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char kStoreFile[] = "history.db";
constexpr char kSchema[] =
    "CREATE TABLE hist(id INTEGER PRIMARY KEY AUTOINCREMENT, owner, type, info, detail, grp, status,"
    " partyA, partyB, content);"
    "CREATE INDEX hist_key ON hist(owner, type, grp, id);";
constexpr char kColumns[] = "id, owner, type, info, detail, grp, status, partyA, partyB, content";
// Marks a record's reserved bytes as carrying one of our row ids.
constexpr char kStamp[2] = {'H', 'S'};

std::recursive_mutex g_lock;
std::map<std::string, std::vector<unsigned char>> g_records;
std::string g_error;
// Counts reported by getHistGroup without a buffer, by identity and type.
std::map<std::pair<std::string, std::string>, int> g_groupCounts;

struct Store {
    sqlite3* db = nullptr;
    std::string path;
} g_store;

void Fail(const std::string& why)
{
    g_error = why;
}

// A fixed field as stored: its bytes up to the terminator or the width.
std::string Key(const char* field, size_t width)
{
    return field ? std::string(field, strnlen(field, width)) : std::string();
}
template <size_t N>
std::string Key(const char (&field)[N])
{
    return Key(field, N);
}

void CloseStore()
{
    if (g_store.db)
        sqlite3_close(g_store.db);
    g_store = Store();
}

std::string StorePath()
{
    auto it = g_records.find(TEMBRA_CONF_KEY);
    if (it == g_records.end())
        return std::string();
    const auto* config = reinterpret_cast<const HostConfig*>(it->second.data());
    std::string dir = Key(config->dataDir);
    if (dir.empty())
        return std::string();
    if (dir.back() != '\\' && dir.back() != '/')
        dir += '\\';
    return dir + kStoreFile;
}

bool Exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The open store for the current record, or null with g_error set. A file
// that is not ours is left exactly as it is.
sqlite3* OpenStore()
{
    const std::string path = StorePath();
    if (path.empty()) {
        CloseStore();
        Fail("history store: no configuration record with a data directory");
        return nullptr;
    }
    if (g_store.db && g_store.path == path)
        return g_store.db;
    CloseStore();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        Fail("history store: cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 2000);
    // Reading the schema first fails on a file that is not a database
    // before anything is written to it.
    sqlite3_stmt* st = nullptr;
    int tables = -1, ours = 0;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &st, nullptr) == SQLITE_OK) {
        tables = 0;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const char* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            if (name && std::strcmp(name, "hist") == 0)
                ours = 1;
            else if (name && std::strcmp(name, "sqlite_sequence") != 0)
                ++tables;
        }
        if (rc != SQLITE_DONE)
            tables = -1;
    }
    sqlite3_finalize(st);
    std::string columnsCheck = std::string("SELECT ") + kColumns + " FROM hist LIMIT 0";
    bool good = tables == 0;
    if (good && ours) {
        good = sqlite3_prepare_v2(db, columnsCheck.c_str(), -1, &st, nullptr) == SQLITE_OK;
        sqlite3_finalize(st);
    }
    if (!good) {
        Fail("history store: " + path + (tables < 0 ? " is not a database or is damaged" : " is not a history store") +
             "; left untouched");
        sqlite3_close(db);
        return nullptr;
    }
    // Rollback journal, full sync: the file is whole at rest after any crash.
    if (!Exec(db, "PRAGMA journal_mode=DELETE") || !Exec(db, "PRAGMA synchronous=FULL") ||
        (!ours && !Exec(db, kSchema))) {
        Fail("history store: cannot prepare " + path + ": " + sqlite3_errmsg(db));
        sqlite3_close(db);
        return nullptr;
    }
    g_store.db = db;
    g_store.path = path;
    return db;
}

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &m_st, nullptr) != SQLITE_OK) {
            Fail(std::string("history store: ") + sqlite3_errmsg(db));
            m_st = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return m_st != nullptr; }
    // Every text is bound as a blob: GBK bytes are kept and compared as they are.
    Statement& Bind(const std::string& bytes)
    {
        sqlite3_bind_blob(m_st, ++m_bound, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(sqlite3_int64 value)
    {
        sqlite3_bind_int64(m_st, ++m_bound, value);
        return *this;
    }
    int Step()
    {
        int rc = sqlite3_step(m_st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            Fail(std::string("history store: ") + sqlite3_errmsg(sqlite3_db_handle(m_st)));
        return rc;
    }
    void Reset()
    {
        sqlite3_reset(m_st);
        sqlite3_clear_bindings(m_st);
        m_bound = 0;
    }
    std::string Bytes(int column) const
    {
        const void* p = sqlite3_column_blob(m_st, column);
        int n = sqlite3_column_bytes(m_st, column);
        return p && n > 0 ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
    }
    sqlite3_int64 Int(int column) const { return sqlite3_column_int64(m_st, column); }

private:
    sqlite3_stmt* m_st = nullptr;
    int m_bound = 0;
};

void StampId(HistRecord& r, sqlite3_int64 id)
{
    std::memset(r.reserved, 0, sizeof r.reserved);
    std::memcpy(r.reserved, &id, sizeof id);
    std::memcpy(r.reserved + sizeof id, kStamp, sizeof kStamp);
}

bool IdOf(const HistRecord& r, sqlite3_int64& id)
{
    if (std::memcmp(r.reserved + sizeof id, kStamp, sizeof kStamp) != 0)
        return false;
    std::memcpy(&id, r.reserved, sizeof id);
    return true;
}

void CopyBounded(char* field, size_t width, const std::string& bytes)
{
    std::memset(field, 0, width);
    std::memcpy(field, bytes.data(), bytes.size() < width ? bytes.size() : width);
}
template <size_t N>
void CopyBounded(char (&field)[N], const std::string& bytes)
{
    CopyBounded(field, N, bytes);
}

std::string Text(const char* p)
{
    return p ? std::string(p) : std::string();
}

bool Insert(Statement& insert, const HistRecord& e)
{
    insert.Reset();
    insert.Bind(Key(e.owner))
        .Bind(Key(e.type))
        .Bind(Key(e.info))
        .Bind(Key(e.detail))
        .Bind(Key(e.group))
        .Bind(Key(e.status))
        .Bind(Text(e.partyA))
        .Bind(Text(e.partyB))
        .Bind(Text(e.content));
    return insert.Step() == SQLITE_DONE;
}

const char kInsert[] =
    "INSERT INTO hist(owner, type, info, detail, grp, status, partyA, partyB, content) VALUES(?,?,?,?,?,?,?,?,?)";

char* Duplicate(const std::string& s)
{
    char* p = static_cast<char*>(std::malloc(s.size() + 1));
    if (p)
        std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

}  // namespace

extern "C" {

int TEMBRA_API getConfInfo(const char* key, void* buffer)
{
    if (!key || !buffer)
        return -1;
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    auto it = g_records.find(key);
    if (it == g_records.end())
        return -1;
    std::memcpy(buffer, it->second.data(), it->second.size());
    return 0;
}

int TEMBRA_API setConfInfo(const char* key, const void* buffer)
{
    if (!key || !buffer)
        return -1;
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    auto& rec = g_records[key];
    rec.resize(sizeof(HostConfig));
    std::memcpy(rec.data(), buffer, sizeof(HostConfig));
    return 0;
}

int TEMBRA_API getConfInfoMirrun(const char* key, char* buffer)
{
    if (!key || !buffer)
        return -1;
    HostConfig config;
    if (getConfInfo(key, &config) < 0)
        return -1;
    // The buffer holds 15 characters: 14 and the terminator, never more.
    std::memset(buffer, 0, 15);
    std::memcpy(buffer, config.identity, strnlen(config.identity, 14));
    return 0;
}

int TEMBRA_API clearConfInfo(const char* key)
{
    if (!key)
        return -1;
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    return g_records.erase(key) ? 0 : -1;
}

int TEMBRA_API getHistGroup(const char* identity, const char* type, char* buffer)
{
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    g_error.clear();
    if (!identity || !type)
        return 0;
    sqlite3* db = OpenStore();
    if (!db)
        return 0;
    const auto key = std::make_pair(Key(identity, sizeof HistRecord::owner), Key(type, sizeof HistRecord::type));
    Statement query(db, "SELECT grp FROM hist WHERE owner=? AND type=? GROUP BY grp ORDER BY MIN(id)");
    if (!query)
        return 0;
    query.Bind(key.first).Bind(key.second);
    std::vector<std::string> names;
    while (query.Step() == SQLITE_ROW)
        names.push_back(query.Bytes(0));
    int count = static_cast<int>(names.size());
    if (!buffer) {
        g_groupCounts[key] = count;
        return count;
    }
    auto known = g_groupCounts.find(key);
    if (known != g_groupCounts.end() && known->second < count)
        count = known->second;
    for (int i = 0; i < count; ++i)
        CopyBounded(buffer + i * 50, 50, names[static_cast<size_t>(i)]);
    return count;
}

HistRecord* TEMBRA_API getHistItem(const HistRecord* query, int* count)
{
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    g_error.clear();
    if (count)
        *count = 0;
    if (!query || !count)
        return nullptr;
    sqlite3* db = OpenStore();
    if (!db)
        return nullptr;
    Statement select(db,
                     std::string("SELECT ") + kColumns + " FROM hist WHERE owner=? AND type=? AND grp=? ORDER BY id");
    if (!select)
        return nullptr;
    select.Bind(Key(query->owner)).Bind(Key(query->type)).Bind(Key(query->group));
    struct Row {
        HistRecord fixed;
        std::string a, b, content;
    };
    std::vector<Row> rows;
    while (select.Step() == SQLITE_ROW) {
        Row r{};
        StampId(r.fixed, select.Int(0));
        CopyBounded(r.fixed.owner, select.Bytes(1));
        CopyBounded(r.fixed.type, select.Bytes(2));
        CopyBounded(r.fixed.info, select.Bytes(3));
        CopyBounded(r.fixed.detail, select.Bytes(4));
        CopyBounded(r.fixed.group, select.Bytes(5));
        CopyBounded(r.fixed.status, select.Bytes(6));
        r.a = select.Bytes(7);
        r.b = select.Bytes(8);
        r.content = select.Bytes(9);
        rows.push_back(std::move(r));
    }
    if (rows.empty())
        return nullptr;
    // One block: the records, then their texts. It lives until releaseItemBuf.
    size_t textBytes = 0;
    for (const Row& r : rows)
        textBytes += r.a.size() + r.b.size() + r.content.size() + 3;
    const size_t head = rows.size() * sizeof(HistRecord);
    auto* block = static_cast<char*>(std::calloc(1, head + textBytes));
    if (!block) {
        Fail("history store: out of memory");
        return nullptr;
    }
    auto* items = reinterpret_cast<HistRecord*>(block);
    char* text = block + head;
    auto place = [&text](const std::string& s) {
        char* at = text;
        std::memcpy(at, s.data(), s.size());
        text += s.size() + 1;
        return at;
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        items[i] = rows[i].fixed;
        items[i].partyA = place(rows[i].a);
        items[i].partyB = place(rows[i].b);
        items[i].content = place(rows[i].content);
    }
    *count = static_cast<int>(rows.size());
    return items;
}

void TEMBRA_API releaseItemBuf(HistRecord* items, int /*count*/)
{
    std::free(items);
}

int TEMBRA_API updateOneHist(HistRecord* item, const HistRecord* modified)
{
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    g_error.clear();
    sqlite3_int64 id;
    if (!item || !modified || !IdOf(*item, id))
        return -1;
    sqlite3* db = OpenStore();
    if (!db)
        return -1;
    Statement update(db, "UPDATE hist SET type=?, info=?, detail=?, grp=?, status=? WHERE id=? AND owner=?");
    if (!update)
        return -1;
    update.Bind(Key(modified->type))
        .Bind(Key(modified->info))
        .Bind(Key(modified->detail))
        .Bind(Key(modified->group))
        .Bind(Key(modified->status))
        .Bind(id)
        .Bind(Key(item->owner));
    if (update.Step() != SQLITE_DONE)
        return -1;
    return sqlite3_changes(db) == 1 ? 0 : -1;
}

int TEMBRA_API delOneHist(HistRecord* item)
{
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    g_error.clear();
    sqlite3_int64 id;
    if (!item || !IdOf(*item, id))
        return -1;
    sqlite3* db = OpenStore();
    if (!db)
        return -1;
    Statement del(db, "DELETE FROM hist WHERE id=? AND owner=?");
    if (!del)
        return -1;
    del.Bind(id).Bind(Key(item->owner));
    if (del.Step() != SQLITE_DONE)
        return -1;
    return sqlite3_changes(db) == 1 ? 0 : -1;
}

char* TEMBRA_API getXMLTextInfo(const char* content, const char* element, int decode)
{
    if (!content || !element)
        return nullptr;
    std::string text;
    if (!xmltext::ElementText(content, Key(element, 65), decode != 0, text))
        return nullptr;
    return Duplicate(text);
}

void TEMBRA_API releaseCharBuf(char* text)
{
    std::free(text);
}

int TEMBRA_API addHistEntries(const HistRecord* entries, int count)
{
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    g_error.clear();
    if (!entries || count <= 0)
        return 0;
    sqlite3* db = OpenStore();
    if (!db || !Exec(db, "BEGIN IMMEDIATE")) {
        if (db)
            Fail(std::string("history store: ") + sqlite3_errmsg(db));
        return 0;
    }
    Statement insert(db, kInsert);
    bool ok = static_cast<bool>(insert);
    for (int i = 0; ok && i < count; ++i)
        ok = Insert(insert, entries[i]);
    if (!ok || !Exec(db, "COMMIT")) {
        Exec(db, "ROLLBACK");
        return 0;
    }
    return count;
}

int TEMBRA_API addOneHist(const HistRecord* entry)
{
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    if (addHistEntries(entry, 1) != 1)
        return -1;
    return static_cast<int>(sqlite3_last_insert_rowid(g_store.db));
}

void TEMBRA_API clearHistStore(void)
{
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    g_error.clear();
    if (sqlite3* db = OpenStore())
        Exec(db, "DELETE FROM hist");
}

void TEMBRA_API closeHistStore(void)
{
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    CloseStore();
}

const char* TEMBRA_API getHistError(void)
{
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    return g_error.c_str();
}

}  // extern "C"
