#include "core/friend_db.h"

#include "core/friend_cache.h"
#include "core/friend_recordsets.h"
#include "core/growable_array.h"
#include "core/records.h"
#include "core/user_notice.h"
#include "framework/data/odbc_installer.h"
#include "string_ids.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

std::string Format(const char* format, int value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// "where" texts: fixed beginning plus formatted condition, as every query of
// the address book is built.
constexpr char kSelectGroupsWhere[] = "select * from tab_group where ";
constexpr char kSelectFriendsWhere[] = "select * from tab_list where ";
constexpr char kRowCondition[] = "id=%d ";

// The columns the recordsets bind, in lower case.
constexpr char kGroupColumns[] = "'id','usermirrun','name','fatherid'";
constexpr int kGroupColumnCount = 4;
constexpr char kListColumns[] =
    "'id','groupid','usermirrun','mirrun','name','gender','nickname','address','country','province','city',"
    "'postcode','company','department','title','company_phone','home_phone','cell_phone','fax_phone','e_mail',"
    "'interest','rem'";
constexpr int kListColumnCount = 22;

}  // namespace

// Database and memory errors of the data layer end here, in each step, as
// that step's failure value: nothing leaves the library.
#define PELMO_DB_TRY try
#define PELMO_DB_FAIL(value)                           \
    catch (const CDBException& e)                      \
    {                                                  \
        m_lastFailure = ClassifyFailure(e.m_nRetCode); \
        return (value);                                \
    }                                                  \
    catch (const std::bad_alloc&)                      \
    {                                                  \
        m_lastFailure = DbFailure::kOther;             \
        return (value);                                \
    }

CFriendDB::~CFriendDB()
{
    CloseDB();
}

void CFriendDB::SetConnectInfo(const std::string& path, const std::string& user, const std::string& password)
{
    m_path = path;
    m_user = user;
    m_password = password;
}

int CFriendDB::OpenDB(int reopen)
{
    if (m_database.IsOpen()) {
        if (!reopen)
            return 1;
        m_database.Close();
    }
    m_lastFailure = DbFailure::kNone;
    try {
        // "DSN=friend\0DBQ=<path>\0\0", sized to the path: no length limit.
        std::string dsn = std::string("DSN=") + kFriendDsn;
        std::string dbq = "DBQ=" + m_path;
        std::vector<char> attributes(dsn.size() + 1 + dbq.size() + 2, '\0');
        std::copy(dsn.begin(), dsn.end(), attributes.begin());
        std::copy(dbq.begin(), dbq.end(), attributes.begin() + static_cast<std::ptrdiff_t>(dsn.size() + 1));
        odbc::SQLConfigDataSource(nullptr, odbc::ODBC_ADD_SYS_DSN, odbc::kAccessDriver, attributes.data());

        std::string connect = std::string("DSN=") + kFriendDsn + ";UID=" + m_user + ";PWD=" + m_password;
        m_database.OpenEx(connect.c_str(), CDatabase::useCursorLib | CDatabase::noOdbcDialog);
        if (!m_database.IsOpen()) {
            m_lastFailure = DbFailure::kOther;
            return 0;
        }
        if (!HasAddressBookTables()) {
            m_lastFailure = DbFailure::kForeign;
            m_database.Close();
            return 0;
        }
        return 1;
    } catch (const CDBException& e) {
        m_lastFailure = ClassifyFailure(e.m_nRetCode);
        if (m_lastFailure == DbFailure::kNone)
            m_lastFailure = DbFailure::kOther;
        m_database.Close();
        return 0;
    } catch (const std::bad_alloc&) {
        m_lastFailure = DbFailure::kOther;
        m_database.Close();
        return 0;
    }
}

// Both tables, as tables (a view cannot take the rows), with every column
// the recordsets bind; other columns and tables may be there too.
bool CFriendDB::HasAddressBookTables()
{
    auto complete = [this](const char* table, const char* columns, int count) {
        const std::string isTable =
            std::string("select count(*) from sqlite_master where type='table' and lower(name)='") + table + "'";
        const std::string bound = std::string("select count(distinct lower(name)) from pragma_table_info('") + table +
                                  "') where lower(name) in (" + columns + ")";
        return m_database.QueryInteger(isTable.c_str()) == 1 && m_database.QueryInteger(bound.c_str()) == count;
    };
    return complete("tab_group", kGroupColumns, kGroupColumnCount) &&
           complete("tab_list", kListColumns, kListColumnCount);
}

void CFriendDB::CloseDB()
{
    m_database.Close();
}

int CFriendDB::IsNewNumber(const char* number, int showMessage)
{
    FriendCache* cache = CurrentFriendCache();
    if (!cache) {
        TellInfo(IDS_NOT_INITIALISED, IDS_MANAGER_CAPTION);
        return 1;
    }
    if (FindFriendByNumber(cache, number) >= 0) {
        if (showMessage)
            TellInfo(IDS_ERR_NUMBER_EXISTS, IDS_MANAGER_CAPTION);
        return 0;
    }
    return 1;
}

// ---- Groups ---------------------------------------------------------------

int CFriendDB::LoadGroups(const char* identity, FriendCache* cache)
{
    if (!identity || !cache || !ArrayIsSane(cache->groups))
        return 0;
    if (!OpenDB(0))
        return 0;
    PELMO_DB_TRY
    {
        // Every row, whatever its owner and however many: the host asks for
        // counts before it reads, so nothing needs a cap.
        CRecFriendGroup rs(&m_database);
        rs.Open(CRecordset::snapshot, "select * from tab_group ", CRecordset::none);
        std::vector<FriendGroup> rows;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            rows.emplace_back();
            GroupFromRow(rs, &rows.back());
        }
        return ArrayAppendMany(cache->groups, rows.data(), static_cast<intptr_t>(rows.size())) ? 1 : 0;
    }
    PELMO_DB_FAIL(0)
}

int CFriendDB::AddGroup(const char* identity, FriendGroup* group, int addToCache)
{
    if (!group || !identity)
        return 0;
    if (!OpenDB(0))
        return 0;
    PELMO_DB_TRY
    {
        CRecFriendGroup highest(&m_database);
        highest.Open(CRecordset::snapshot, "select * from tab_group order by ID DESC", CRecordset::none);
        group->ID = highest.IsEOF() ? 0 : highest.m_ID + 1;
        highest.Close();

        CRecFriendGroup rs(&m_database);
        rs.Open(CRecordset::snapshot, nullptr, CRecordset::none);
        rs.AddNew();
        GroupToRow(*group, identity, &rs);
        rs.Update();
    }
    PELMO_DB_FAIL(0)
    if (addToCache) {
        FriendCache* cache = CurrentFriendCache();
        if (!cache || ArrayAdd(cache->groups, *group) < 0)
            return 0;
    }
    return 1;
}

int CFriendDB::ModifyGroup(const char* identity, const FriendGroup* group)
{
    if (!group || !identity)
        return 0;
    if (group->ID == group->fatherID)
        return 0;
    if (!OpenDB(0))
        return 0;
    PELMO_DB_TRY
    {
        CRecFriendGroup rs(&m_database);
        rs.Open(CRecordset::snapshot, (kSelectGroupsWhere + Format(kRowCondition, group->ID)).c_str(),
                CRecordset::none);
        if (rs.IsEOF())
            return 0;
        rs.Edit();
        GroupToRow(*group, identity, &rs);
        rs.Update();
    }
    PELMO_DB_FAIL(0)
    FriendCache* cache = CurrentFriendCache();
    intptr_t at = FindGroupById(cache, group->ID);
    if (at < 0)
        return 0;
    cache->groups.data[at] = *group;
    return 1;
}

int CFriendDB::DeleteGroupRow(const char* identity, const FriendGroup* group)
{
    if (!group || !identity)
        return kGroupDeleteFailed;
    if (!OpenDB(0))
        return kGroupDeleteFailed;
    PELMO_DB_TRY
    {
        CRecFriendList contacts(&m_database);
        contacts.Open(CRecordset::snapshot, (kSelectFriendsWhere + Format(" groupid=%d", group->ID)).c_str(),
                      CRecordset::none);
        if (!contacts.IsEOF())
            return kGroupHasContacts;
    }
    PELMO_DB_FAIL(kGroupDeleteFailed)
    PELMO_DB_TRY
    {
        // The identity is quoted as a literal: a quote inside it cannot end
        // the text and change the query.
        CRecFriendGroup subgroups(&m_database);
        std::string sql = std::string(kSelectGroupsWhere) + "userMirrun=" + SqlTextLiteral(identity) +
                          Format(" and fatherID=%d", group->ID);
        subgroups.Open(CRecordset::snapshot, sql.c_str(), CRecordset::none);
        if (!subgroups.IsEOF())
            return kGroupHasSubgroups;
    }
    PELMO_DB_FAIL(kGroupDeleteFailed)
    PELMO_DB_TRY
    {
        CRecFriendGroup row(&m_database);
        row.Open(CRecordset::snapshot, (kSelectGroupsWhere + Format(kRowCondition, group->ID)).c_str(),
                 CRecordset::none);
        // IsEOF reads the first row, so a failing query fails here; so does
        // a delete step the file refuses (disk full, book locked): the cached
        // group stays, as the row does.
        if (!row.IsEOF())
            row.Delete();
    }
    PELMO_DB_FAIL(kGroupNotDeleted)
    FriendCache* cache = CurrentFriendCache();
    intptr_t at = FindGroupById(cache, group->ID);
    if (at < 0)
        return kGroupNotDeleted;
    ArrayRemoveAt(cache->groups, at);
    return kGroupDeleted;
}

int CFriendDB::DeleteGroupTree(const char* identity, const FriendGroup* group)
{
    std::set<int> onPath;
    return DeleteGroupTree(identity, group, onPath);
}

// `deleted` holds every group this tree deletion has entered: a hierarchy
// with a cycle (a foreign or hand-edited file) would otherwise recurse
// without end.
int CFriendDB::DeleteGroupTree(const char* identity, const FriendGroup* group, std::set<int>& deleted)
{
    if (!group || !identity)
        return DeleteGroupRow(identity, group);
    FriendCache* cache = CurrentFriendCache();
    if (!cache)
        return kGroupNoCache;
    const FriendGroup target = *group;  // the caller's record may live in the cache
    deleted.insert(target.ID);

    // Children last to first; the recursive calls remove elements, so take
    // copies before descending.
    std::vector<FriendGroup> children;
    for (intptr_t i = cache->groups.count - 1; i >= 0; --i) {
        const FriendGroup& g = cache->groups.data[i];
        if (g.fatherID == target.ID && !deleted.count(g.ID))
            children.push_back(g);
    }
    for (const FriendGroup& child : children)
        if (!deleted.count(child.ID))
            DeleteGroupTree(identity, &child, deleted);

    cache = CurrentFriendCache();
    if (!cache)
        return kGroupNoCache;
    for (intptr_t i = cache->friends.count - 1; i >= 0; --i) {
        if (i >= cache->friends.count)
            continue;
        if (cache->friends.data[i].groupID != target.ID)
            continue;
        FriendInfo contact = cache->friends.data[i];
        if (!DeleteFriend(identity, &contact))
            return kGroupContactNotDeleted;
    }
    return DeleteGroupRow(identity, &target);
}

int CFriendDB::RemoveGroup(const FriendGroup* group)
{
    if (!group)
        return 0;
    if (!OpenDB(0))
        return 0;
    PELMO_DB_TRY
    {
        CRecFriendGroup row(&m_database);
        row.Open(CRecordset::snapshot, (kSelectGroupsWhere + Format(kRowCondition, group->ID)).c_str(),
                 CRecordset::none);
        if (!row.IsEOF())
            row.Delete();  // a refused delete fails: the cached group stays
    }
    PELMO_DB_FAIL(0)
    FriendCache* cache = CurrentFriendCache();
    if (!cache)
        return 0;
    intptr_t at = FindGroupById(cache, group->ID);
    if (at >= 0)
        ArrayRemoveAt(cache->groups, at);
    return 1;
}

// ---- Contacts -------------------------------------------------------------

int CFriendDB::LoadFriends(const char* identity, FriendInfoArray* friends)
{
    if (!identity || !friends || !ArrayIsSane(*friends))
        return 0;
    if (!OpenDB(0))
        return 0;
    const intptr_t before = friends->count;
    const intptr_t capacityBefore = friends->capacity;
    const bool hadBlock = friends->data != nullptr;
    intptr_t used = 0;
    // Rows are read straight into room made for all of them at once. Before
    // returning, the array is cut to the rows kept, with the capacity that
    // appending them one by one would have left.
    auto settle = [&] {
        if (friends->count > before + used)
            ArrayTrimAppended(*friends, before, capacityBefore, hadBlock, before + used);
    };
    PELMO_DB_TRY
    {
        // One contact per number, the first read wins. A set of the numbers
        // keeps this linear for big books; it answers exactly as comparing
        // with every record already in the array would.
        const intptr_t expected = static_cast<intptr_t>(m_database.QueryInteger("select count(*) from tab_list"));
        if (expected > 0 && !ArrayExtend(*friends, expected))
            return 0;
        std::unordered_set<std::string> numbers;
        numbers.reserve(static_cast<size_t>(before) + static_cast<size_t>(expected > 0 ? expected : 0) + 1);
        for (intptr_t i = 0; i < before; ++i)
            numbers.insert(FieldText(friends->data[i].mirrun));
        CRecFriendList rs(&m_database);
        rs.Open(CRecordset::forwardOnly, nullptr, CRecordset::readOnly);
        for (; !rs.IsEOF(); rs.MoveNext()) {
            // More rows than counted (a writer in between): one more slot.
            if (before + used == friends->count && !ArrayExtend(*friends, 1)) {
                settle();
                return 0;
            }
            FriendInfo& info = friends->data[before + used];
            FriendFromRow(rs, &info);
            if (numbers.insert(FieldText(info.mirrun)).second)
                ++used;
        }
        settle();
        return 1;
    }
    catch (const CDBException& e)
    {
        m_lastFailure = ClassifyFailure(e.m_nRetCode);
        settle();
        return 0;
    }
    catch (const std::bad_alloc&)
    {
        settle();
        return 0;
    }
}

int CFriendDB::AddFriendRec(const char* identity, FriendInfo* info, int addToCache, int showMessage, int skipCheck)
{
    if (!info || !identity)
        return 0;
    if (!skipCheck && !IsNewNumber(FieldText(info->mirrun).c_str(), showMessage))
        return 1;
    if (!OpenDB(0))
        return 0;
    PELMO_DB_TRY
    {
        int n = 0;
        if (m_planIds) {
            n = m_nextFreeId;
            for (; m_nextTaken < m_takenIds.size() && m_takenIds[m_nextTaken] <= n; ++m_nextTaken)
                if (m_takenIds[m_nextTaken] == n)
                    ++n;
            m_nextFreeId = n;
        } else {
            // The lowest free id: where the ascending ids first stop being 0, 1, 2...
            CRecFriendList ids(&m_database);
            ids.Open(CRecordset::snapshot, "select * from tab_list order by ID", CRecordset::none);
            while (!ids.IsEOF() && ids.m_ID == n) {
                ids.MoveNext();
                ++n;
            }
            ids.Close();
        }
        info->ID = n;

        std::unique_ptr<CRecFriendList> own;
        CRecFriendList* rs = m_copyRows.get();
        if (!rs) {
            own.reset(new CRecFriendList(&m_database));
            rs = own.get();
            rs->Open(CRecordset::snapshot, nullptr, CRecordset::none);
        }
        rs->AddNew();
        FriendToRow(*info, identity, rs);
        rs->Update();
        if (m_planIds)
            m_nextFreeId = n + 1;
    }
    PELMO_DB_FAIL(0)
    if (addToCache) {
        FriendCache* cache = CurrentFriendCache();
        if (!cache || ArrayAdd(cache->friends, *info) < 0)
            return 0;
    }
    return 1;
}

int CFriendDB::ModifyFriend(const char* identity, const FriendInfo* info)
{
    if (!info || !identity)
        return 0;
    if (!OpenDB(0))
        return 0;
    const FriendInfo record = *info;  // the caller's record may live in the cache
    PELMO_DB_TRY
    {
        CRecFriendList rs(&m_database);
        rs.Open(CRecordset::snapshot, (kSelectFriendsWhere + Format(kRowCondition, record.ID)).c_str(),
                CRecordset::none);
        if (rs.IsEOF())
            return 0;
        rs.Edit();
        FriendToRow(record, identity, &rs);
        rs.Update();
    }
    PELMO_DB_FAIL(0)
    FriendCache* cache = CurrentFriendCache();
    intptr_t at = FindFriendById(cache, record.ID);
    if (at < 0)
        return 0;
    cache->friends.data[at] = record;
    NoteArrayChanged();
    return 1;
}

int CFriendDB::DeleteFriend(const char* identity, const FriendInfo* info)
{
    if (!info || !identity)
        return 0;
    if (!OpenDB(0))
        return 0;
    const int id = info->ID;
    PELMO_DB_TRY
    {
        CRecFriendList rs(&m_database);
        rs.Open(CRecordset::snapshot, (kSelectFriendsWhere + Format("id=%d", id)).c_str(), CRecordset::none);
        // A row that could not be deleted (disk full, book locked) is a
        // failure: the cached contact stays, as the row does.
        if (!rs.IsEOF())
            rs.Delete();
    }
    PELMO_DB_FAIL(0)
    FriendCache* cache = CurrentFriendCache();
    intptr_t at = FindFriendById(cache, id);
    if (at < 0)
        return 0;
    ArrayRemoveAt(cache->friends, at);
    return 1;
}

// ---- Copying a group tree ---------------------------------------------------

int CFriendDB::CopyGroupTree(const char* identity, const FriendCache* source, int index, int newParent, int addToCache,
                             int skipCheck)
{
    if (!source || !ArrayIsSane(source->groups) || !ArrayIsSane(source->friends))
        return -1;
    if (index < 0 || index >= source->groups.count)
        return -1;
    // One transaction for the whole copy: one sync instead of one per row.
    // It is committed whatever the outcome, so a copy that fails half-way
    // leaves what it stored, in the file as in the cache.
    bool ownTransaction = OpenDB(0) && !m_database.InTransaction() && m_database.BeginTrans();
    FriendCache* cache = addToCache ? CurrentFriendCache() : nullptr;
    intptr_t groupsBefore = cache ? cache->groups.count : 0;
    intptr_t friendsBefore = cache ? cache->friends.count : 0;

    std::set<int> copied;
    int result = CopyGroupTree(identity, source, index, newParent, addToCache, skipCheck, copied);
    if (ownTransaction && !m_database.CommitTrans()) {
        // Nothing reached the file: take the copies out of the cache again.
        if (cache == CurrentFriendCache() && cache) {
            if (cache->groups.count > groupsBefore)
                cache->groups.count = groupsBefore;
            if (cache->friends.count > friendsBefore)
                cache->friends.count = friendsBefore;
            NoteArrayChanged();
        }
        return -1;
    }
    return result;
}

int CFriendDB::CopyGroupTrees(const char* identity, const FriendCache* source, const std::vector<int>& indices,
                              int newParent, int addToCache, int skipCheck)
{
    if (!identity || !source || !ArrayIsSane(source->groups) || !ArrayIsSane(source->friends))
        return -1;
    if (!OpenDB(0) || m_database.InTransaction() || !m_database.BeginTrans())
        return -1;
    FriendCache* cache = addToCache ? CurrentFriendCache() : nullptr;
    const intptr_t groupsBefore = cache ? cache->groups.count : 0;
    const intptr_t friendsBefore = cache ? cache->friends.count : 0;
    const intptr_t friendsCapacity = cache ? cache->friends.capacity : 0;
    const bool friendsBlock = cache && cache->friends.data;
    bool ok = !addToCache || cache != nullptr;
    // Room for every contact of the source at once: the cache's block is
    // large, and growing it step by step copied it again at every step.
    if (cache)
        ArrayReserve(cache->friends, source->friends.count);
    // The contact ids once for the whole copy, so that finding the lowest
    // free one stays linear over thousands of rows.
    m_takenIds.clear();
    m_nextTaken = 0;
    m_nextFreeId = 0;
    try {
        // As the recordset reads them: 32-bit.
        for (long long id : m_database.QueryIntegers("select ID from tab_list order by ID"))
            m_takenIds.push_back(static_cast<int32_t>(id));
        std::sort(m_takenIds.begin(), m_takenIds.end());
        // Each group's contacts and subgroups found once: a list of thousands
        // of groups is not scanned again for every one of them.
        m_contactsOf.clear();
        m_subgroupsOf.clear();
        for (intptr_t i = 0; i < source->friends.count; ++i)
            m_contactsOf[source->friends.data[i].groupID].push_back(i);
        for (intptr_t j = 0; j < source->groups.count; ++j)
            m_subgroupsOf[source->groups.data[j].fatherID].push_back(j);
        m_planIds = true;
        m_copyRows.reset(new CRecFriendList(&m_database));
        m_copyRows->Open(CRecordset::snapshot, nullptr, CRecordset::none);
    } catch (const CDBException&) {
        ok = false;
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    std::set<int> copied;
    for (size_t k = 0; ok && k < indices.size(); ++k)
        ok = CopyGroupTree(identity, source, indices[k], newParent, addToCache, skipCheck, copied) == 0;
    m_planIds = false;
    m_takenIds.clear();
    m_contactsOf.clear();
    m_subgroupsOf.clear();
    m_copyRows.reset();
    ok = ok && m_database.CommitTrans();
    if (!ok)
        m_database.Rollback();
    if (cache && cache == CurrentFriendCache()) {
        // The copies appended to the cache never reached the file: drop them.
        if (!ok && cache->groups.count > groupsBefore)
            ArraySetSize(cache->groups, groupsBefore);
        // The capacity that appending one by one would have left.
        const intptr_t kept = ok && cache->friends.count >= friendsBefore ? cache->friends.count : friendsBefore;
        ArrayTrimAppended(cache->friends, friendsBefore, friendsCapacity, friendsBlock, kept);
    }
    return ok ? 0 : -1;
}

// `copied` holds the source groups already copied. A source whose hierarchy
// has a cycle would otherwise copy without end, and a copy into the source's
// own tree (same cache) would keep finding the groups it just added.
int CFriendDB::CopyGroupTree(const char* identity, const FriendCache* source, int index, int newParent, int addToCache,
                             int skipCheck, std::set<int>& copied)
{
    if (index < 0 || index >= source->groups.count)
        return -1;
    if (!copied.insert(index).second)
        return 0;
    if (copied.size() == 1) {
        // Only the elements present at the start belong to the source.
        m_copyGroupLimit = source->groups.count;
        m_copyFriendLimit = source->friends.count;
    }
    FriendGroup group = source->groups.data[index];
    const int oldId = group.ID;
    group.fatherID = newParent;
    if (!AddGroup(identity, &group, addToCache))
        return -1;
    const int newId = group.ID;

    auto copyContact = [&](intptr_t i) {
        FriendInfo contact = source->friends.data[i];
        contact.groupID = newId;
        return AddFriendRec(identity, &contact, addToCache, 0, skipCheck) != 0;
    };
    auto copySubgroup = [&](intptr_t j) {
        return copied.count(static_cast<int>(j)) ||
               CopyGroupTree(identity, source, static_cast<int>(j), newId, addToCache, skipCheck, copied) == 0;
    };
    if (m_planIds) {
        // The lists made once for the whole copy, in the same order.
        const auto contacts = m_contactsOf.find(oldId);
        if (contacts != m_contactsOf.end())
            for (intptr_t i : contacts->second)
                if (!copyContact(i))
                    return -1;
        const auto subgroups = m_subgroupsOf.find(oldId);
        if (subgroups != m_subgroupsOf.end())
            for (intptr_t j : subgroups->second)
                if (!copySubgroup(j))
                    return -1;
        return 0;
    }
    for (intptr_t i = 0; i < m_copyFriendLimit && i < source->friends.count; ++i)
        if (source->friends.data[i].groupID == oldId && !copyContact(i))
            return -1;
    for (intptr_t j = 0; j < m_copyGroupLimit && j < source->groups.count; ++j)
        if (source->groups.data[j].fatherID == oldId && !copySubgroup(j))
            return -1;
    return 0;
}
