// Deleting a group tree while keeping its contacts: one UPDATE and one
// DELETE over the whole tree in one transaction, however many contacts it
// holds, so "keep the contacts" costs about what the bare statements do.
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/growable_array.h"

#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// The ids of `root` and every group below it in the cache; a cycle of
// fatherIDs (a foreign file) is walked once.
std::unordered_set<int> TreeIds(const FriendCache& cache, int root)
{
    std::unordered_multimap<int, int> children;
    for (intptr_t i = 0; i < cache.groups.count; ++i)
        children.emplace(cache.groups.data[i].fatherID, cache.groups.data[i].ID);
    std::unordered_set<int> tree{root};
    std::vector<int> pending{root};
    while (!pending.empty()) {
        const int father = pending.back();
        pending.pop_back();
        const auto range = children.equal_range(father);
        for (auto it = range.first; it != range.second; ++it)
            if (tree.insert(it->second).second)
                pending.push_back(it->second);
    }
    return tree;
}

std::string IdList(const std::unordered_set<int>& ids)
{
    std::string list;
    for (int id : ids)
        list += (list.empty() ? "" : ",") + std::to_string(id);
    return list;
}

}  // namespace

int CFriendDB::DissolveGroupTree(const char* identity, const FriendGroup* group, int newGroupId)
{
    if (!identity || !group)
        return kGroupDeleteFailed;
    FriendCache* cache = CurrentFriendCache();
    if (!cache || !ArrayIsSane(cache->groups) || !ArrayIsSane(cache->friends))
        return kGroupNoCache;
    std::unordered_set<int> tree;
    std::string ids;
    try {
        tree = TreeIds(*cache, group->ID);
        ids = IdList(tree);
    } catch (const std::bad_alloc&) {
        return kGroupDeleteFailed;
    }
    // Moving the contacts into a group that goes with the tree would lose them.
    if (tree.count(newGroupId))
        return kGroupDeleteFailed;
    if (!OpenDB(0) || m_database.InTransaction() || !m_database.BeginTrans())
        return kGroupDeleteFailed;
    try {
        m_database.ExecuteSQL(
            ("update tab_list set groupID=" + std::to_string(newGroupId) + " where groupID in (" + ids + ")").c_str());
        m_database.ExecuteSQL(("delete from tab_group where ID in (" + ids + ")").c_str());
        if (!m_database.CommitTrans()) {
            m_database.Rollback();
            return kGroupDeleteFailed;
        }
    } catch (const CDBException& e) {
        m_lastFailure = ClassifyFailure(e.m_nRetCode);
        m_database.Rollback();
        return kGroupDeleteFailed;
    } catch (const std::bad_alloc&) {
        m_database.Rollback();
        return kGroupDeleteFailed;
    }

    // The file has changed: the cache follows in place.
    for (intptr_t i = 0; i < cache->friends.count; ++i)
        if (tree.count(cache->friends.data[i].groupID))
            cache->friends.data[i].groupID = newGroupId;
    NoteArrayChanged();
    for (intptr_t i = cache->groups.count - 1; i >= 0; --i)
        if (tree.count(cache->groups.data[i].ID))
            ArrayRemoveAt(cache->groups, i);
    return kGroupDeleted;
}
