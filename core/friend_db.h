// CFriendDB: one connection to a user's friend.mdb and every operation that
// reads or changes the address book. Each operation that changes rows
// changes the contact cache in the same step, so the two stay alike.
//
// Users build one on the stack, call SetConnectInfo with the path from
// PrepareFriendDB, "admin" and "qmtz", run operations and let it go.
#ifndef PELMO_CORE_FRIEND_DB_H
#define PELMO_CORE_FRIEND_DB_H

#include "core/friend_recordsets.h"
#include "framework/data/database.h"
#include "pelmo.h"

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

constexpr char kFriendDsn[] = "friend";
constexpr char kFriendUser[] = "admin";
constexpr char kFriendPassword[] = "qmtz";

// Results of the group deletions.
enum GroupDeleteResult {
    kGroupDeleted = 1,
    kGroupNotDeleted = 0,     // row not deleted, or no cached copy
    kGroupDeleteFailed = -1,  // no group, no database, a query failed
    kGroupHasContacts = -10,
    kGroupHasSubgroups = -11,  // subgroups stored with the same owner
    kGroupNoCache = -100,
    kGroupContactNotDeleted = -200,
};

class CFriendDB {
public:
    CFriendDB() = default;
    virtual ~CFriendDB();
    CFriendDB(const CFriendDB&) = delete;
    CFriendDB& operator=(const CFriendDB&) = delete;

    void SetConnectInfo(const std::string& path, const std::string& user, const std::string& password);
    // Opens the file and checks that it holds the address book's two tables
    // with every bound column; a foreign database is not touched.
    int OpenDB(int reopen);
    void CloseDB();
    // Why the last opening or query failed.
    DbFailure LastFailure() const { return m_lastFailure; }

    int IsNewNumber(const char* number, int showMessage);

    int LoadGroups(const char* identity, FriendCache* cache);
    int AddGroup(const char* identity, FriendGroup* group, int addToCache);
    int ModifyGroup(const char* identity, const FriendGroup* group);
    int DeleteGroupRow(const char* identity, const FriendGroup* group);
    int DeleteGroupTree(const char* identity, const FriendGroup* group);
    int RemoveGroup(const FriendGroup* group);
    // Deletes the group and every group below it but keeps their contacts:
    // all of them move to `newGroupId` (a group outside the tree or a fixed
    // pseudo group), in one transaction, and the cache follows. All or
    // nothing: kGroupDeleted, or a failure with file and cache unchanged.
    int DissolveGroupTree(const char* identity, const FriendGroup* group, int newGroupId);

    int LoadFriends(const char* identity, FriendInfoArray* friends);
    int AddFriendRec(const char* identity, FriendInfo* info, int addToCache, int showMessage, int skipCheck);
    int ModifyFriend(const char* identity, const FriendInfo* info);
    int DeleteFriend(const char* identity, const FriendInfo* info);

    // 0 on success, -1 on failure.
    int CopyGroupTree(const char* identity, const FriendCache* source, int index, int newParent, int addToCache,
                      int skipCheck);
    // All or nothing: copies each group `indices` names (with its tree) under
    // newParent in one transaction. On any failure the file and the cache
    // are as they were before. A group reached twice (duplicate ids, cycles
    // in a foreign file) is copied once. 0 on success, -1 on failure.
    int CopyGroupTrees(const char* identity, const FriendCache* source, const std::vector<int>& indices, int newParent,
                       int addToCache, int skipCheck);

    CDatabase m_database;
    std::string m_path;
    std::string m_user;
    std::string m_password;

private:
    int DeleteGroupTree(const char* identity, const FriendGroup* group, std::set<int>& onPath);
    int CopyGroupTree(const char* identity, const FriendCache* source, int index, int newParent, int addToCache,
                      int skipCheck, std::set<int>& copied);

    bool HasAddressBookTables();

    DbFailure m_lastFailure = DbFailure::kNone;
    intptr_t m_copyGroupLimit = 0;
    intptr_t m_copyFriendLimit = 0;
    // During CopyGroupTrees: the contact ids in the file, read once and
    // sorted, and where the search for the lowest free one goes on (the ids
    // taken meanwhile are the ones it passed, so it never moves back).
    bool m_planIds = false;
    std::vector<int> m_takenIds;
    size_t m_nextTaken = 0;
    int m_nextFreeId = 0;
    // During CopyGroupTrees: the source's contacts and subgroups by the id
    // of their group (positions, ascending), and one set that adds every
    // contact, its insert prepared once.
    std::unordered_map<int, std::vector<intptr_t>> m_contactsOf;
    std::unordered_map<int, std::vector<intptr_t>> m_subgroupsOf;
    std::unique_ptr<CRecFriendList> m_copyRows;
};

#endif
