// CFriendDB against real files: id rules, duplicates, the deletions and
// their codes, copying trees, and the cache kept equal to the file.
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/growable_array.h"
#include "core/records.h"
#include "native_host.h"
#include "string_ids.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kMe[] = "8613800000001";

// SQL adding one group or one contact row.
std::string G(int id, const std::string& owner, const char* name, int father)
{
    return "insert into tab_group values (" + std::to_string(id) + ", '" + owner + "', '" + name + "', " +
           std::to_string(father) + ");";
}
std::string L(int id, int group, const std::string& number)
{
    return "insert into tab_list (ID, groupID, mirrun) values (" + std::to_string(id) + ", " + std::to_string(group) +
           ", '" + number + "');";
}

class FriendDbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cache = NewFriendCache();
        native_host::SetCache(cache);
        native_host::TakeBoxes();
        db.SetConnectInfo(scratch.path(), kFriendUser, kFriendPassword);
    }
    void TearDown() override
    {
        native_host::SetCache(nullptr);
        FreeFriendCache(cache);
    }
    void Load()
    {
        ArrayRemoveAll(cache->groups);
        ArrayRemoveAll(cache->friends);
        ASSERT_EQ(1, db.LoadGroups(kMe, cache));
        ASSERT_EQ(1, db.LoadFriends(kMe, &cache->friends));
    }
    static FriendGroup Group(int id, const char* name, int father)
    {
        FriendGroup g{};
        g.ID = id;
        CopyField(g.name, name);
        g.fatherID = father;
        return g;
    }
    static FriendInfo Contact(const char* number, int group)
    {
        FriendInfo f{};
        CopyField(f.mirrun, number);
        f.groupID = group;
        return f;
    }
    std::string Count(const char* table, const std::string& where = "1")
    {
        return scratch.Scalar(std::string("select count(*) from ") + table + " where " + where);
    }

    ScratchDb scratch;
    CFriendDB db;
    FriendCache* cache = nullptr;
};

TEST_F(FriendDbTest, NewGroupsTakeOneMoreThanTheHighestId)
{
    FriendGroup g = Group(99, "First", -1);
    ASSERT_EQ(1, db.AddGroup(kMe, &g, 1));
    EXPECT_EQ(0, g.ID) << "an empty table starts at 0";
    scratch.Exec(G(1, "x", "B", -1) + G(5, "x", "C", -1));
    FriendGroup h = Group(0, "Next", -1);
    ASSERT_EQ(1, db.AddGroup(kMe, &h, 1));
    EXPECT_EQ(6, h.ID);
    EXPECT_EQ(kMe, scratch.Scalar("select userMirrun from tab_group where ID=6"));
    ASSERT_EQ(2, cache->groups.count);
    EXPECT_EQ(6, cache->groups.data[1].ID);
    EXPECT_STREQ("Next", cache->groups.data[1].name);
}

TEST_F(FriendDbTest, NewContactsTakeTheLowestFreeId)
{
    struct Case {
        std::vector<int> existing;
        int expected;
    } cases[] = {{{}, 0}, {{0, 1, 3}, 2}, {{1, 2}, 0}, {{0, 1, 5}, 2}, {{0, 1, 2}, 3}};
    for (const auto& c : cases) {
        scratch.Exec("delete from tab_list");
        ArrayRemoveAll(cache->friends);
        for (int id : c.existing)
            scratch.Exec(L(id, -10, "n" + std::to_string(id)));
        FriendInfo f = Contact("555", -10);
        ASSERT_EQ(1, db.AddFriendRec(kMe, &f, 1, 0, 0));
        EXPECT_EQ(c.expected, f.ID) << "expected " << c.expected;
    }
}

TEST_F(FriendDbTest, AddingACachedNumberStoresNothingAndReportsSuccess)
{
    FriendInfo f = Contact("1000", -10);
    ASSERT_EQ(1, db.AddFriendRec(kMe, &f, 1, 1, 0));
    EXPECT_TRUE(native_host::TakeBoxes().empty());
    FriendInfo again = Contact("1000", 3);
    EXPECT_EQ(1, db.AddFriendRec(kMe, &again, 1, 1, 0));
    EXPECT_EQ("1", Count("tab_list"));
    EXPECT_EQ(1, cache->friends.count);
    auto boxes = native_host::TakeBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(IDS_ERR_NUMBER_EXISTS, boxes[0].first);
    EXPECT_EQ(IDS_MANAGER_CAPTION, boxes[0].second);

    EXPECT_EQ(1, db.AddFriendRec(kMe, &again, 1, 0, 0));
    EXPECT_TRUE(native_host::TakeBoxes().empty()) << "no box without the show-message flag";
    EXPECT_EQ(1, db.AddFriendRec(kMe, &again, 1, 0, 1)) << "the skip flag stores duplicates";
    EXPECT_EQ("2", Count("tab_list"));
    // Only the whole number is the same contact: a shorter or a longer one is new.
    for (const char* other : {"100", "10000"}) {
        FriendInfo neighbour = Contact(other, -10);
        EXPECT_EQ(1, db.AddFriendRec(kMe, &neighbour, 1, 1, 0));
        EXPECT_EQ("1", Count("tab_list", std::string("mirrun='") + other + "'")) << other;
    }
    EXPECT_TRUE(native_host::TakeBoxes().empty());
    EXPECT_EQ(4, cache->friends.count);
}

TEST_F(FriendDbTest, LoadingKeepsTheFirstOfDuplicateNumbersAndResetsPresence)
{
    scratch.Exec(
        "insert into tab_list (ID, groupID, mirrun, nickname) values (0, -10, '777', 'first');"
        "insert into tab_list (ID, groupID, mirrun, nickname) values (1, -10, '777', 'second');"
        "insert into tab_list (ID, groupID, mirrun, nickname) values (2, -10, '778', 'other');");
    Load();
    ASSERT_EQ(2, cache->friends.count);
    EXPECT_STREQ("first", cache->friends.data[0].nickname);
    EXPECT_STREQ("778", cache->friends.data[1].mirrun);
    cache->friends.data[0].state = 1;
    Load();
    EXPECT_EQ(0, cache->friends.data[0].state);
}

// More than 255 contacts load in ALoadedArrayMatchesOneBuiltRowByRow.
TEST_F(FriendDbTest, LoadingReadsEveryGroupBeyondTheOld255Cap)
{
    std::string sql = "begin;";
    for (int i = 0; i < 300; ++i)
        sql += G(i, "x", "g", -1);
    scratch.Exec(sql + "commit;");
    Load();
    EXPECT_EQ(300, cache->groups.count);
}

TEST_F(FriendDbTest, LongTextsAreCutToTheirFieldsOnLoad)
{
    scratch.Exec("insert into tab_list (ID, groupID, mirrun, name, interest) values (0, -10, '123456789012345678', '" +
                 std::string(40, 'n') + "', '" + std::string(300, 'i') + "')");
    Load();
    ASSERT_EQ(1, cache->friends.count);
    const FriendInfo& f = cache->friends.data[0];
    EXPECT_EQ(std::string("12345678901234"), f.mirrun);
    EXPECT_EQ(std::string(31, 'n'), f.name);
    EXPECT_EQ(std::string(254, 'i'), f.interest);
}

TEST_F(FriendDbTest, RewritingAContactKeepsItsRemarkAndReplacesTheCachedRecord)
{
    scratch.Exec("insert into tab_list (ID, groupID, mirrun, nickname, rem) values (0, -10, '42', 'old', 'keep me')");
    Load();
    FriendInfo f = cache->friends.data[0];
    CopyField(f.nickname, "new");
    f.state = 2;
    ASSERT_EQ(1, db.ModifyFriend(kMe, &f));
    EXPECT_EQ("keep me", scratch.Scalar("select rem from tab_list where ID=0"));
    EXPECT_EQ("new", scratch.Scalar("select nickname from tab_list where ID=0"));
    EXPECT_EQ(0, std::memcmp(&f, &cache->friends.data[0], sizeof f)) << "all 1036 bytes, state included";

    FriendInfo ghost = Contact("43", -10);
    ghost.ID = 9;
    EXPECT_EQ(0, db.ModifyFriend(kMe, &ghost));
}

TEST_F(FriendDbTest, DeletingAContactMovesTheLaterOnesUp)
{
    for (const char* n : {"1", "2", "3"}) {
        FriendInfo f = Contact(n, -10);
        ASSERT_EQ(1, db.AddFriendRec(kMe, &f, 1, 0, 0));
    }
    FriendInfo first = cache->friends.data[0];
    ASSERT_EQ(1, db.DeleteFriend(kMe, &first));
    ASSERT_EQ(2, cache->friends.count);
    EXPECT_STREQ("2", cache->friends.data[0].mirrun);
    EXPECT_STREQ("3", cache->friends.data[1].mirrun);
    EXPECT_EQ("2", Count("tab_list"));

    FriendInfo none = Contact("9", -10);
    none.ID = 77;
    EXPECT_EQ(0, db.DeleteFriend(kMe, &none));
    EXPECT_EQ("2", Count("tab_list"));
}

TEST_F(FriendDbTest, ModifyGroupRefusesAGroupThatIsItsOwnParent)
{
    FriendGroup g = Group(0, "Team", -1);
    ASSERT_EQ(1, db.AddGroup(kMe, &g, 1));
    FriendGroup self = g;
    self.fatherID = self.ID;
    CopyField(self.name, "Changed");
    EXPECT_EQ(0, db.ModifyGroup(kMe, &self));
    EXPECT_EQ("Team", scratch.Scalar("select name from tab_group"));
    EXPECT_STREQ("Team", cache->groups.data[0].name);

    CopyField(g.name, "Renamed");
    EXPECT_EQ(1, db.ModifyGroup(kMe, &g));
    EXPECT_STREQ("Renamed", cache->groups.data[0].name);
}

TEST_F(FriendDbTest, DeleteGroupRowRefusesGroupsInUse)
{
    scratch.Exec(G(0, kMe, "Parent", -1) + G(1, kMe, "Child", 0) + G(2, "someone else", "Foreign child", 3) +
                 G(3, kMe, "Holder", -1) + L(0, 1, "500"));
    Load();
    EXPECT_EQ(kGroupHasSubgroups, db.DeleteGroupRow(kMe, &cache->groups.data[0]));
    EXPECT_EQ(kGroupHasContacts, db.DeleteGroupRow(kMe, &cache->groups.data[1]));
    EXPECT_EQ("4", Count("tab_group"));
    EXPECT_EQ(4, cache->groups.count);
    EXPECT_EQ(kGroupDeleteFailed, db.DeleteGroupRow(kMe, nullptr));
    EXPECT_EQ(kGroupDeleteFailed, db.DeleteGroupRow(nullptr, &cache->groups.data[0]));

    // Only subgroups of the same owner hold a group back.
    FriendGroup holder = cache->groups.data[3];
    EXPECT_EQ(kGroupDeleted, db.DeleteGroupRow(kMe, &holder));
    EXPECT_EQ("0", Count("tab_group", "ID=3"));
    EXPECT_EQ(-1, FindGroupById(cache, 3));
}

TEST_F(FriendDbTest, AQuoteInTheIdentityCannotWidenTheSubgroupQuery)
{
    scratch.Exec(G(0, "a", "Lonely", -1) + G(1, "b", "Other owner", 0));
    Load();
    // Unescaped, "x' or '1'='1" would match the other owner's subgroup.
    EXPECT_EQ(kGroupDeleted, db.DeleteGroupRow("x' or '1'='1", &cache->groups.data[0]));
    EXPECT_EQ("'it''s'", SqlTextLiteral("it's")) << "a quote is doubled, not dropped";
}

TEST_F(FriendDbTest, DeleteGroupTreeRemovesEverythingBelow)
{
    scratch.Exec(G(0, kMe, "Top", -1) + G(1, kMe, "Mid", 0) + G(2, kMe, "Leaf", 1) + G(3, kMe, "Elsewhere", -1) +
                 L(0, 2, "1") + L(1, 0, "2") + L(2, 3, "3"));
    Load();
    FriendGroup top = cache->groups.data[0];
    EXPECT_EQ(kGroupDeleted, db.DeleteGroupTree(kMe, &top));
    EXPECT_EQ("1", Count("tab_group"));
    EXPECT_EQ("1", Count("tab_list"));
    ASSERT_EQ(1, cache->groups.count);
    EXPECT_STREQ("Elsewhere", cache->groups.data[0].name);
    ASSERT_EQ(1, cache->friends.count);
    EXPECT_STREQ("3", cache->friends.data[0].mirrun);

    native_host::SetCache(nullptr);
    EXPECT_EQ(kGroupNoCache, db.DeleteGroupTree(kMe, &cache->groups.data[0]));
    EXPECT_EQ(kGroupDeleteFailed, db.DeleteGroupTree(kMe, nullptr));
}

TEST_F(FriendDbTest, DeleteGroupTreeStopsAtAContactItCannotDelete)
{
    scratch.Exec(G(0, kMe, "G", -1) + L(0, 0, "1"));
    Load();
    scratch.Exec("alter table tab_list rename to tab_list_gone");
    FriendGroup g = cache->groups.data[0];
    EXPECT_EQ(kGroupContactNotDeleted, db.DeleteGroupTree(kMe, &g));
    EXPECT_EQ(1, cache->groups.count) << "the group stays when a contact could not go";
    EXPECT_EQ(1, cache->friends.count);
}

TEST_F(FriendDbTest, DeleteGroupTreeEndsOnACycleInAForeignFile)
{
    scratch.Exec(G(0, kMe, "A", 1) + G(1, kMe, "B", 0) + G(2, kMe, "Self", 2) + L(0, 1, "1"));
    Load();
    // The call returns; the contacts inside go, while each group of the
    // cycle is still another's subgroup and so stays, as DeleteGroupRow says.
    FriendGroup a = cache->groups.data[0];
    EXPECT_EQ(kGroupHasSubgroups, db.DeleteGroupTree(kMe, &a));
    EXPECT_EQ("0", Count("tab_list"));
    EXPECT_EQ(0, cache->friends.count);
    EXPECT_EQ("3", Count("tab_group"));
    FriendGroup self = cache->groups.data[2];
    ASSERT_EQ(2, self.ID);
    EXPECT_EQ(kGroupHasSubgroups, db.DeleteGroupTree(kMe, &self));
    EXPECT_EQ(3, cache->groups.count);
}

TEST_F(FriendDbTest, RemoveGroupDeletesTheRowAloneAndNeedsACache)
{
    scratch.Exec(G(0, "x", "G", -1) + L(0, 0, "1"));
    Load();
    FriendGroup g = cache->groups.data[0];
    EXPECT_EQ(1, db.RemoveGroup(&g));
    EXPECT_EQ("0", Count("tab_group"));
    EXPECT_EQ("1", Count("tab_list"));
    EXPECT_EQ(0, cache->groups.count);
    EXPECT_EQ(1, db.RemoveGroup(&g)) << "no cached copy still counts as removed";
    native_host::SetCache(nullptr);
    EXPECT_EQ(0, db.RemoveGroup(&g));
    EXPECT_EQ(0, db.RemoveGroup(nullptr));
}

TEST_F(FriendDbTest, CopyGroupTreeCopiesGroupsAndContactsUnderTheNewParent)
{
    FriendCache* source = NewFriendCache();
    FriendGroup groups[] = {Group(10, "Root", -1), Group(11, "Sub", 10), Group(12, "Unrelated", -1),
                            Group(13, "Loop", 13)};
    for (const auto& g : groups)
        ArrayAdd(source->groups, g);
    FriendInfo contacts[] = {Contact("100", 10), Contact("101", 11), Contact("102", 12)};
    for (const auto& f : contacts)
        ArrayAdd(source->friends, f);

    EXPECT_EQ(-1, db.CopyGroupTree(kMe, source, 4, -1, 1, 0));
    EXPECT_EQ(-1, db.CopyGroupTree(kMe, source, -1, -1, 1, 0));
    ASSERT_EQ(0, db.CopyGroupTree(kMe, source, 0, -1, 1, 0));
    EXPECT_EQ("2", Count("tab_group"));
    EXPECT_EQ("2", Count("tab_list"));
    EXPECT_EQ("0", scratch.Scalar("select groupID from tab_list where mirrun='100'"));
    EXPECT_EQ("1", scratch.Scalar("select groupID from tab_list where mirrun='101'"));
    EXPECT_EQ("0", scratch.Scalar("select fatherID from tab_group where name='Sub'"));
    EXPECT_EQ(2, cache->groups.count);
    EXPECT_EQ(2, cache->friends.count);

    ASSERT_EQ(0, db.CopyGroupTree(kMe, source, 3, -1, 1, 0)) << "a group that is its own parent is copied once";
    EXPECT_EQ("3", Count("tab_group"));
    FreeFriendCache(source);
}

TEST_F(FriendDbTest, CopyingAGroupIntoItselfFromTheLiveCacheEnds)
{
    FriendGroup top = Group(0, "Top", -1);
    ASSERT_EQ(1, db.AddGroup(kMe, &top, 1));
    FriendGroup sub = Group(0, "Sub", top.ID);
    ASSERT_EQ(1, db.AddGroup(kMe, &sub, 1));
    ASSERT_EQ(0, db.CopyGroupTree(kMe, cache, 0, sub.ID, 1, 0));
    EXPECT_EQ("4", Count("tab_group"));
    EXPECT_EQ(4, cache->groups.count);
}

// Half the source's numbers are in the book already: the room made for all
// of them must be given back, and a failure must leave the array untouched.
TEST_F(FriendDbTest, ABulkCopyFillsIdGapsAndLeavesTheCapacityOfSingleAppends)
{
    std::string sql = "begin;";
    for (int i = 0; i < 30; ++i)
        sql += L(i == 2 ? 40 : i, -10, "k" + std::to_string(i));  // id 2 free
    scratch.Exec(sql + "commit;");
    Load();
    FriendCache* source = NewFriendCache();
    ArrayAdd(source->groups, Group(7, "T", -1));
    for (int i = 0; i < 60; ++i)
        ArrayAdd(source->friends, Contact(((i % 2 ? "k" : "n") + std::to_string(i / 2)).c_str(), 7));
    FriendInfoArray expected;
    InitFriendArray(expected);
    for (intptr_t i = 0; i < cache->friends.count; ++i)
        ArrayAdd(expected, cache->friends.data[i]);
    ASSERT_EQ(expected.capacity, cache->friends.capacity);
    for (int i = 0; i < 30; ++i)
        ArrayAdd(expected, FriendInfo{});

    ASSERT_EQ(0, db.CopyGroupTrees(kMe, source, {0}, -1, 1, 0));
    EXPECT_EQ("2,30,31", scratch.Scalar("select group_concat(ID) from (select ID from tab_list where groupID=0 "
                                        "order by ID limit 3)"));
    EXPECT_EQ("30", Count("tab_list", "groupID=0"));
    EXPECT_EQ(expected.count, cache->friends.count);
    EXPECT_EQ(expected.capacity, cache->friends.capacity);

    // New numbers, one of which the store refuses.
    scratch.Exec(
        "create trigger refuse before insert on tab_list when new.mirrun='m9' "
        "begin select raise(abort,'refused'); end;");
    for (intptr_t i = 0; i < source->friends.count; ++i)
        source->friends.data[i].mirrun[0] = 'm';
    EXPECT_EQ(-1, db.CopyGroupTrees(kMe, source, {0}, -1, 1, 0));
    EXPECT_EQ(expected.count, cache->friends.count);
    EXPECT_EQ(expected.capacity, cache->friends.capacity);
    EXPECT_EQ("0", Count("tab_list", "mirrun like 'm%'"));
    EXPECT_EQ("1", Count("tab_group"));
    ArrayRemoveAll(expected);
    FreeFriendCache(source);
}

TEST_F(FriendDbTest, OperationsFailCleanlyWithoutADatabase)
{
    CFriendDB broken;
    broken.SetConnectInfo(scratch.dir() + "/absent.mdb", kFriendUser, kFriendPassword);
    FriendGroup g = Group(0, "G", -1);
    FriendInfo f = Contact("1", -10);
    EXPECT_EQ(0, broken.OpenDB(0));
    EXPECT_EQ(0, broken.LoadGroups(kMe, cache));
    EXPECT_EQ(0, broken.LoadFriends(kMe, &cache->friends));
    EXPECT_EQ(0, broken.AddGroup(kMe, &g, 1));
    EXPECT_EQ(0, broken.AddFriendRec(kMe, &f, 1, 0, 0));
    EXPECT_EQ(kGroupDeleteFailed, broken.DeleteGroupRow(kMe, &g));
    EXPECT_EQ(0, db.AddGroup(kMe, nullptr, 1));
    EXPECT_EQ(0, db.AddFriendRec(nullptr, &f, 1, 0, 0));
    EXPECT_EQ(0, db.LoadGroups(nullptr, cache));
}

TEST_F(FriendDbTest, IsNewNumberWithoutACacheShowsNotInitialised)
{
    native_host::SetCache(nullptr);
    EXPECT_EQ(1, db.IsNewNumber("1", 1));
    auto boxes = native_host::TakeBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(IDS_NOT_INITIALISED, boxes[0].first);
}

TEST_F(FriendDbTest, ALoadedArrayMatchesOneBuiltRowByRow)
{
    std::string sql = "begin;";
    for (int i = 0; i < 700; ++i)
        sql += L(i, -10, "n" + std::to_string(i % 650));
    scratch.Exec(sql + "commit;");
    FriendInfo existing = Contact("n3", -10);  // already in the array: every 'n3' row is dropped
    ArrayAdd(cache->friends, existing);
    ASSERT_EQ(1, db.LoadFriends(kMe, &cache->friends));

    FriendInfoArray expected;
    InitFriendArray(expected);
    ArrayAdd(expected, existing);
    for (int i = 0; i < 650; ++i)
        if (i != 3)
            ArrayAdd(expected, Contact(("n" + std::to_string(i)).c_str(), -10));
    ASSERT_EQ(expected.count, cache->friends.count);
    EXPECT_EQ(expected.capacity, cache->friends.capacity);
    for (intptr_t i = 0; i < expected.count; ++i)
        ASSERT_STREQ(expected.data[i].mirrun, cache->friends.data[i].mirrun) << i;
    ASSERT_GT(cache->friends.capacity, cache->friends.count);
    const FriendInfo& spare = cache->friends.data[cache->friends.count];
    EXPECT_EQ(0, spare.ID + spare.mirrun[0]) << "slots past the count are zero";
    ArrayRemoveAll(expected);
}

// Moving the later elements up is checked on the cache in
// DeletingAContactMovesTheLaterOnesUp.
TEST(GrowableArray, RemovalRefusesBadIndexesAndABrokenArrayTakesNoElement)
{
    FriendGroupArray a;
    InitGroupArray(a);
    ArrayAdd(a, FriendGroup{});
    ArrayAdd(a, FriendGroup{});
    EXPECT_FALSE(ArrayRemoveAt(a, 2));
    EXPECT_FALSE(ArrayRemoveAt(a, -1));
    ArrayRemoveAll(a);

    FriendGroupArray broken{};
    broken.count = 5;  // no block for five elements
    FriendGroup g{};
    EXPECT_EQ(-1, ArrayAdd(broken, g));
    ArrayRemoveAll(broken);
    EXPECT_EQ(0, broken.count);
}

}  // namespace
