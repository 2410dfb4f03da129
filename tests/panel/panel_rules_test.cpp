// What the contact panel shows, decided without windows.
#include "core/friend_cache.h"
#include "core/growable_array.h"
#include "core/product.h"
#include "core/text.h"
#include "panel/panel_rules.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace panel;

namespace {

struct Book {
    FriendCache* cache = NewFriendCache();
    ~Book() { FreeFriendCache(cache); }
    void Group(int id, const char* name, int father)
    {
        FriendGroup g{};
        g.ID = id;
        CopyField(g.name, name);
        g.fatherID = father;
        ArrayAdd(cache->groups, g);
    }
    FriendInfo& Contact(const char* number, int group, int state = 0, const char* nickname = "")
    {
        FriendInfo f{};
        f.ID = static_cast<int>(cache->friends.count);
        f.groupID = group;
        CopyField(f.mirrun, number);
        CopyField(f.nickname, nickname);
        f.state = state;
        ArrayAdd(cache->friends, f);
        return cache->friends.data[cache->friends.count - 1];
    }
};

const PanelTexts kTexts{"S", "X", "tip", "-", "Svc"};

// value<parent:rank per item, in display order.
std::string Describe(const std::vector<PanelItem>& tree)
{
    std::string out;
    for (const PanelItem& e : tree)
        out += std::to_string(e.value) + "<" + std::to_string(e.parent) + ":" + std::to_string(e.rank) + " ";
    return out;
}

}  // namespace

TEST(PanelRules, EmptyBookShowsBothRootsWithPlaceholders)
{
    Book book;
    const auto tree = BuildPanelTree(book.cache, nullptr, kTexts);
    EXPECT_EQ("-50<-1:6 -1<0:-1 -10<-1:5 -1<2:-1 ", Describe(tree));
    EXPECT_TRUE(tree[0].bold && tree[0].red);
    EXPECT_TRUE(tree[2].bold && !tree[2].red);
    EXPECT_EQ("tip", tree[2].tip);
    EXPECT_EQ("-", tree[1].text);
    // Without a cache the roots still stand.
    EXPECT_EQ(4u, BuildPanelTree(nullptr, nullptr, kTexts).size());
}

TEST(PanelRules, GroupsNestInCacheOrderContactsOnlineFirstAndCyclesStayHidden)
{
    Book book;
    book.Group(7, "child of 9", 9);  // 0
    book.Group(5, "top", -1);        // 1
    book.Group(9, "second", -1);     // 2
    book.Group(4, "self", 4);        // 3: its own parent
    book.Group(6, "loop a", 8);      // 4
    book.Group(8, "loop b", 6);      // 5
    book.Group(11, "orphan", 77);    // 6
    book.Contact("100", 9, 0);       // 0
    book.Contact("101", 9, 1);       // 1
    book.Contact("102", 9, 2);       // 2
    book.Contact("103", 9, 1);       // 3
    book.Contact("104", 7, 5);       // 4: unknown state, no rank
    book.Contact("105", 6, 1);       // 5: in a hidden cycle
    book.Contact("106", 123, 1);     // 6: no such group
    book.Contact("107", -10, 0);     // 7
    const auto tree = BuildPanelTree(book.cache, nullptr, kTexts);
    EXPECT_EQ(
        "-50<-1:6 -1<0:-1 -10<-1:5 7<2:0 -1001<-1:-1 -1<4:-1 -1002<-1:-1 -1000<6:-1 4<7:-1 2<6:2 1<6:1 3<6:1 "
        "0<6:0 ",
        Describe(tree));
    EXPECT_EQ("second", tree[6].text);
    EXPECT_EQ("101", tree[10].tip);
}

TEST(PanelRules, GroupIdsNearTheRootValuesDoNotCollide)
{
    Book book;
    book.Group(950, "g950", -1);
    book.Group(990, "g990", -1);
    book.Group(999, "g999", 950);
    book.Contact("1", 999, 1);
    for (const PanelItem& item : BuildPanelTree(book.cache, nullptr, kTexts)) {
        if (item.kind == ItemKind::kGroup) {
            EXPECT_EQ(ItemKind::kGroup, KindOf(item.value));
            EXPECT_GE(GroupIndexOf(item.value), 0);
        }
    }
    EXPECT_EQ(2, GroupIndexOf(GroupValue(2)));
    EXPECT_EQ(ItemKind::kContact, KindOf(0));
    EXPECT_EQ(ItemKind::kListEntry, KindOf(ListValue(3)));
    EXPECT_EQ(3, ListEntryOf(ListValue(3)));
}

TEST(PanelRules, ManyGroupsAndContactsAreAllShown)
{
    Book book;
    for (int g = 0; g < 101; ++g)
        book.Group(g, "g", g == 0 ? -1 : g - 1);  // one deep chain
    for (int c = 0; c < 1025; ++c)
        book.Contact(std::to_string(5000 + c).c_str(), c % 101, c % 3);
    const auto tree = BuildPanelTree(book.cache, nullptr, kTexts);
    size_t groups = 0, contacts = 0;
    for (const PanelItem& item : tree) {
        groups += item.kind == ItemKind::kGroup;
        contacts += item.kind == ItemKind::kContact;
        if (item.parent >= 0) {
            EXPECT_LT(item.parent, &item - tree.data());
        }
    }
    EXPECT_EQ(101u, groups);
    EXPECT_EQ(1025u, contacts);
}

TEST(PanelRules, OnlineListEntriesFollowTheGroupsAtTheTopLevel)
{
    Book book;
    book.Group(1, "g", -1);
    session::OnlineList list;
    list.numbers = {"900", "901"};
    list.online = {1, 0};
    const auto tree = BuildPanelTree(book.cache, &list, kTexts);
    ASSERT_EQ(8u, tree.size());
    EXPECT_EQ(ListValue(0), tree[6].value);
    EXPECT_EQ(-1, tree[6].parent);
    EXPECT_EQ("900", tree[6].text);
    EXPECT_EQ(1, tree[6].rank);
    EXPECT_EQ(0, tree[7].rank);
}

TEST(PanelRules, ServiceContactIsSpecialWhenOnlineAndNamedByItsServiceName)
{
    Book book;
    book.Contact(kServiceNumber, -50, 1, "whatever");
    book.Contact("200", -50, 1, "");
    const auto tree = BuildPanelTree(book.cache, nullptr, kTexts);
    EXPECT_EQ("-50<-1:6 0<0:2 1<0:1 -10<-1:5 -1<3:-1 ", Describe(tree));
    EXPECT_EQ("Svc", tree[1].text);
    EXPECT_EQ("200", tree[2].text);  // no nickname nor name: the number
    EXPECT_EQ(Picture::kSpecial, PictureOf(tree[1].rank));
    EXPECT_EQ(Picture::kNone, PictureOf(kNoRank));
    EXPECT_EQ(-1, PresenceRank(3, false));
}

TEST(PanelRules, RepairMovesUngroupedContactsAndRemovesTheLastRetiredOne)
{
    Book book;
    book.Contact("300", -1);
    book.Contact(kRetiredServiceNumber, -1);
    book.Contact(kServiceNumber, -1);
    book.Contact("301", 4);
    book.Contact(kRetiredServiceNumber, -1);
    const RepairPlan plan = PlanRepair(book.cache);
    ASSERT_EQ(2u, plan.moves.size());
    EXPECT_EQ(0u, plan.moves[0].index);
    EXPECT_EQ(PELMO_GROUP_NONE, plan.moves[0].groupId);
    EXPECT_FALSE(plan.moves[0].rename);
    EXPECT_EQ(2u, plan.moves[1].index);
    EXPECT_EQ(PELMO_GROUP_SERVICE, plan.moves[1].groupId);
    EXPECT_TRUE(plan.moves[1].rename);
    EXPECT_EQ(4, plan.removeIndex);
    EXPECT_EQ(-1, PlanRepair(nullptr).removeIndex);
}

TEST(PanelRules, ServiceContactIsStoredOnlyWhenACacheLacksIt)
{
    EXPECT_FALSE(NeedsServiceContact(nullptr));
    Book book;
    EXPECT_TRUE(NeedsServiceContact(book.cache));
    book.Contact(kServiceNumber, -10);  // elsewhere, but present
    EXPECT_FALSE(NeedsServiceContact(book.cache));
    Book other;
    other.Contact("5", -50);
    EXPECT_FALSE(NeedsServiceContact(other.cache));
    const FriendInfo record = ServiceContactRecord();
    EXPECT_EQ(-50, record.groupID);
    EXPECT_STREQ(kServiceNumber, record.mirrun);
}

TEST(PanelRules, ItemValuesThatNoLongerMatchTheirRecordAreRefused)
{
    Book book;
    book.Contact("400", -10);
    book.Contact("401", -10);
    EXPECT_TRUE(ContactMatches(book.cache, 1, "401"));
    ArrayRemoveAt(book.cache->friends, 0);  // the next contact moves up
    EXPECT_FALSE(ContactMatches(book.cache, 1, "401"));
    EXPECT_FALSE(ContactMatches(book.cache, 0, "400"));
    EXPECT_FALSE(ContactMatches(nullptr, 0, "401"));
    EXPECT_FALSE(ContactMatches(book.cache, GroupValue(0), "401"));
}

TEST(PanelRules, PickModeChoosesTheField)
{
    FriendInfo f{};
    CopyField(f.mirrun, "500");
    CopyField(f.fax_phone, "fax");
    EXPECT_EQ("", PickValue(f, "mail"));
    EXPECT_EQ("fax", PickValue(f, "fax"));
    EXPECT_EQ("500", PickValue(f, "MAIL"));
}

TEST(PanelRules, OnlineBlocksAreReadWithinTheirFields)
{
    char block[51 * 16] = {};
    for (size_t i = 0; i < sizeof block; ++i)
        block[i] = static_cast<char>('0' + i % 10);  // no terminators anywhere
    // 11 numbers: more than the ten the old table held.
    auto list = ParseOnlineBlock(block, 11 * 16);
    ASSERT_EQ(11u, list.numbers.size());
    EXPECT_EQ(15u, list.numbers[0].size());
    EXPECT_TRUE(list.names.empty());
    EXPECT_EQ(std::vector<int>(11, 1), list.online);
    // 817 = 16 x 51 + 1: no multiple of either.
    EXPECT_TRUE(ParseOnlineBlock(block, 817).numbers.empty());
    // 816 is a multiple of both: numbers only.
    EXPECT_EQ(51u, ParseOnlineBlock(block, 816).numbers.size());
    // 3 x 51 holds names after the numbers.
    char named[3 * 51] = {};
    std::strcpy(named + 16, "8613");
    std::memset(named + 48 + 35, 'n', 35);
    list = ParseOnlineBlock(named, sizeof named);
    ASSERT_EQ(3u, list.names.size());
    EXPECT_EQ("8613", list.numbers[1]);
    EXPECT_EQ(std::string(34, 'n'), list.names[1]);
    EXPECT_TRUE(ParseOnlineBlock(nullptr, 32).numbers.empty());
}
