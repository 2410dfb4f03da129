// What the manager's tree and list show, decided without windows.
#include "core/friend_cache.h"
#include "core/growable_array.h"
#include "manager/manager_rules.h"
#include "sample_book.h"

#include <gtest/gtest.h>

using namespace manager;

namespace {

struct Book {
    FriendCache* cache = NewFriendCache();
    ~Book() { FreeFriendCache(cache); }
    void Group(int id, const char* name, int father) { ArrayAdd(cache->groups, MakeGroup(id, name, father)); }
    void Contact(const char* number, int group, int state = 0, int gender = 0)
    {
        FriendInfo f = MakeContact(static_cast<int>(cache->friends.count), number, group);
        f.state = state;
        f.gender = gender;
        ArrayAdd(cache->friends, f);
    }
};

std::string Describe(const std::vector<TreeEntry>& tree)
{
    std::string out;
    for (const TreeEntry& e : tree)
        out += std::to_string(e.value) + "<" + std::to_string(e.parent) + ":" + std::to_string(e.image) + " ";
    return out;
}

}  // namespace

TEST(ManagerRules, EmptyBookShowsRootThenBothPseudoGroups)
{
    Book book;
    const auto tree = GroupTree(book.cache, "8613800000001", "U", "S");
    EXPECT_EQ("-1<-1:0 -10<0:0 -40<0:0 ", Describe(tree));
    EXPECT_EQ("8613800000001", tree[0].text);
    EXPECT_EQ("U", tree[1].text);
    EXPECT_EQ("S", tree[2].text);
}

TEST(ManagerRules, GroupsHangUnderTheirParentsInArrayOrderAndCyclesStayHidden)
{
    Book book;
    book.Group(7, "child of 9", 9);       // 0: under index 2, which comes later in the array
    book.Group(5, "top", -1);             // 1
    book.Group(9, "second top", -1);      // 2
    book.Group(3, "ungrouped kid", -10);  // 3
    book.Group(4, "self", 4);             // 4: its own parent
    book.Group(6, "loop a", 8);           // 5: a cycle with 6
    book.Group(8, "loop b", 6);           // 6
    book.Group(11, "orphan", 77);         // 7: no such parent
    book.Group(12, "grandchild", 7);      // 8
    EXPECT_EQ("-1<-1:0 1<0:1 2<0:1 0<2:1 8<3:1 -10<0:0 3<5:1 -40<0:0 ", Describe(GroupTree(book.cache, "", "", "")));
    EXPECT_EQ("0<-1:1 8<0:1 ", Describe(GroupSubtree(book.cache, 2)));
    EXPECT_TRUE(GroupSubtree(book.cache, 9).empty());
    EXPECT_TRUE(GroupSubtree(book.cache, -1).empty());
}

TEST(ManagerRules, DeletingTheThirdOfFiveGroupsMovesTheLastTwoDown)
{
    Book book;
    for (int id : {10, 11, 12, 13, 14})
        book.Group(id, "g", -1);
    const std::vector<FriendGroup> before(book.cache->groups.data, book.cache->groups.data + 5);
    ArrayRemoveAt(book.cache->groups, 2);
    EXPECT_EQ((std::vector<int>{0, 1, 3, 4}), OldIndices(before, book.cache));
}

TEST(ManagerRules, RowPictureComesFromValidStateAndGenderOnly)
{
    EXPECT_EQ(0, RowIcon(0, 0));
    EXPECT_EQ(1, RowIcon(1, 0));
    EXPECT_EQ(2, RowIcon(0, 1));
    EXPECT_EQ(3, RowIcon(1, 1));
    EXPECT_EQ(4, RowIcon(0, 2));
    EXPECT_EQ(5, RowIcon(1, 2));
    EXPECT_EQ(5, RowIcon(2, 2));  // the special online state is online
    EXPECT_EQ(1, RowIcon(1, 7));  // a gender from nowhere is unknown
    EXPECT_EQ(0, RowIcon(0, -3));
    for (int state = -2; state < 4; ++state)
        for (int gender = -2; gender < 9; ++gender)
            EXPECT_LT(RowIcon(state, gender), kStateImageCount);
}

TEST(ManagerRules, RowsFollowTheContactArrayNumberedFromOne)
{
    Book book;
    book.Contact("0571000001", 5, 1, 1);
    book.Contact("0571000002", -10);
    book.Contact("0571000003", 5, 0, 2);
    book.Contact("0571000004", 5, 0, 9);
    const auto rows = ListRows(book.cache, 5);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ(0, rows[0].index);
    EXPECT_EQ(2, rows[1].index);
    EXPECT_EQ(3, rows[2].index);
    EXPECT_EQ("1", rows[0].texts[0]);
    EXPECT_EQ("3", rows[2].texts[0]);
    EXPECT_EQ("0571000003", rows[1].texts[1]);
    EXPECT_EQ("男", rows[0].texts[3]);
    EXPECT_EQ("女", rows[1].texts[3]);
    EXPECT_EQ("", rows[2].texts[3]);
    EXPECT_EQ(3, rows[0].icon);
    EXPECT_EQ(4, rows[1].icon);
    EXPECT_EQ(0, rows[2].icon);
    EXPECT_TRUE(ListRows(nullptr, 5).empty());
    EXPECT_TRUE(RowMatches(book.cache, 2, "0571000003", ""));
    EXPECT_FALSE(RowMatches(book.cache, 2, "0571000001", ""));
    EXPECT_FALSE(RowMatches(book.cache, 4, "0571000003", ""));
}

TEST(ManagerRules, ShowRequestsReadIndicesAndPseudoValues)
{
    Book book;
    book.Group(30, "a", -1);
    book.Group(20, "b", -1);
    int group = 0;
    EXPECT_TRUE(ShownGroup(book.cache, 1, &group));
    EXPECT_EQ(20, group);
    for (int pseudo : {-1, -10, -40}) {
        EXPECT_TRUE(ShownGroup(book.cache, pseudo, &group));
        EXPECT_EQ(pseudo, group);
    }
    EXPECT_FALSE(ShownGroup(book.cache, 2, &group));  // one past the last group
    EXPECT_FALSE(ShownGroup(book.cache, -50, &group));
    EXPECT_FALSE(ShownGroup(nullptr, 0, &group));
    // addFriend names a group by ID: the relay turns it into the index.
    EXPECT_EQ(1, GroupIdToValue(book.cache, 20));
    EXPECT_EQ(0, GroupIdToValue(book.cache, 30));
    EXPECT_EQ(-10, GroupIdToValue(book.cache, -10));
    EXPECT_EQ(kNoGroup, GroupIdToValue(book.cache, 1));
}

TEST(ManagerRules, GroupCommandsRefuseTheRootPseudoGroupsAndStaleValues)
{
    Book book;
    book.Group(30, "a", -1);
    const int root = -1, pseudo = -40, group = 0, past = 1;
    EXPECT_EQ(GroupCommand::kSelectGroup, EditVerdict(book.cache, nullptr));
    EXPECT_EQ(GroupCommand::kSelectGroup, EditVerdict(book.cache, &root));
    EXPECT_EQ(GroupCommand::kFixedGroup, EditVerdict(book.cache, &pseudo));
    EXPECT_EQ(GroupCommand::kNothing, EditVerdict(book.cache, &past));
    EXPECT_EQ(GroupCommand::kAct, EditVerdict(book.cache, &group));
    EXPECT_EQ(GroupCommand::kSelectGroup, DeleteVerdict(book.cache, nullptr));
    EXPECT_EQ(GroupCommand::kSelectGroup, DeleteVerdict(book.cache, &root));
    EXPECT_EQ(GroupCommand::kSelectGroup, DeleteVerdict(book.cache, &past));
    EXPECT_EQ(GroupCommand::kFixedGroup, DeleteVerdict(book.cache, &pseudo));
    EXPECT_EQ(GroupCommand::kAct, DeleteVerdict(book.cache, &group));
    EXPECT_TRUE(GroupItemMatches(book.cache, 0, "a"));
    EXPECT_FALSE(GroupItemMatches(book.cache, 0, "b"));
}

TEST(ManagerRules, FrameAndColumnsFollowTheScreen)
{
    const RECT r = FrameRect(1024, 768);
    EXPECT_EQ(170, r.left);
    EXPECT_EQ(128, r.top);
    EXPECT_EQ(853, r.right);
    EXPECT_EQ(640, r.bottom);
    EXPECT_EQ(200, SplitterColumns(600).ideal);
    EXPECT_EQ(150, SplitterColumns(600).minimum);
}
