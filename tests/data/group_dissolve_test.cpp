// Deleting a group tree while keeping its contacts: everything below the
// group moves in one transaction, the file and the cache alike, or nothing.
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/growable_array.h"
#include "native_host.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kMe[] = "8613800000001";

class DissolveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cache = NewFriendCache();
        native_host::SetCache(cache);
        db.SetConnectInfo(scratch.path(), kFriendUser, kFriendPassword);
        // 1 > 2 > 3 is the tree; 4 stands apart; 6 and 7 point at each other below 3.
        std::string sql = "begin;";
        const int groups[][2] = {{1, -1}, {2, 1}, {3, 2}, {4, -1}, {6, 7}, {7, 3}};
        for (const auto& g : groups)
            sql += "insert into tab_group values (" + std::to_string(g[0]) + ", '" + kMe + "', 'g', " +
                   std::to_string(g[1]) + ");";
        const int contactGroups[] = {1, 2, 2, 3, 4, 6, -50};
        for (int n = 0; n < 7; ++n)
            sql += "insert into tab_list (ID, groupID, mirrun) values (" + std::to_string(n) + ", " +
                   std::to_string(contactGroups[n]) + ", 'n" + std::to_string(n) + "');";
        scratch.Exec(sql + "commit;");
        ASSERT_EQ(1, db.LoadGroups(kMe, cache));
        ASSERT_EQ(1, db.LoadFriends(kMe, &cache->friends));
    }
    void TearDown() override
    {
        native_host::SetCache(nullptr);
        FreeFriendCache(cache);
    }
    std::string Groups()
    {
        return scratch.Scalar("select group_concat(ID) from (select ID from tab_group order by ID)");
    }
    std::string FileContactGroups()
    {
        return scratch.Scalar("select group_concat(groupID) from (select groupID from tab_list order by ID)");
    }
    std::string CacheContactGroups()
    {
        std::string out;
        for (intptr_t i = 0; i < cache->friends.count; ++i)
            out += (i ? "," : "") + std::to_string(cache->friends.data[i].groupID);
        return out;
    }

    ScratchDb scratch;
    CFriendDB db;
    FriendCache* cache = nullptr;
};

}  // namespace

TEST_F(DissolveTest, EveryContactBelowTheGroupMovesAndTheTreeGoes)
{
    const FriendGroup top = cache->groups.data[0];
    ASSERT_EQ(1, top.ID);
    EXPECT_EQ(kGroupDeleted, db.DissolveGroupTree(kMe, &top, PELMO_GROUP_NONE));
    db.CloseDB();
    EXPECT_EQ("4", Groups()) << "subgroups and the cycle below go with the group";
    EXPECT_EQ("-10,-10,-10,-10,4,-10,-50", FileContactGroups());
    EXPECT_EQ("-10,-10,-10,-10,4,-10,-50", CacheContactGroups());
    ASSERT_EQ(1, cache->groups.count);
    EXPECT_EQ(4, cache->groups.data[0].ID);
}

TEST_F(DissolveTest, ALowerGroupTakesOnlyItsOwnTree)
{
    FriendGroup middle = cache->groups.data[FindGroupById(cache, 3)];
    EXPECT_EQ(kGroupDeleted, db.DissolveGroupTree(kMe, &middle, 1));
    db.CloseDB();
    EXPECT_EQ("1,2,4", Groups());
    EXPECT_EQ("1,2,2,1,4,1,-50", CacheContactGroups());
    EXPECT_EQ(CacheContactGroups(), FileContactGroups());
}

TEST_F(DissolveTest, AFailureLeavesFileAndCacheAsTheyWere)
{
    const std::string before = CacheContactGroups();
    const FriendGroup top = cache->groups.data[0];
    // A target inside the tree would leave the contacts in a deleted group.
    EXPECT_EQ(kGroupDeleteFailed, db.DissolveGroupTree(kMe, &top, 3));
    // The contacts move, then deleting the groups fails: both roll back.
    scratch.Exec("create trigger keep before delete on tab_group begin select raise(abort, 'kept'); end;");
    EXPECT_EQ(kGroupDeleteFailed, db.DissolveGroupTree(kMe, &top, PELMO_GROUP_NONE));
    db.CloseDB();
    EXPECT_EQ(before, FileContactGroups());
    EXPECT_EQ(before, CacheContactGroups());
    EXPECT_EQ("1,2,3,4,6,7", Groups());
    EXPECT_EQ(6, cache->groups.count);

    EXPECT_EQ(kGroupDeleteFailed, db.DissolveGroupTree(kMe, nullptr, PELMO_GROUP_NONE));
    native_host::SetCache(nullptr);
    EXPECT_EQ(kGroupNoCache, db.DissolveGroupTree(kMe, &top, PELMO_GROUP_NONE));
}
