// What the viewer shows, decided without a window.
#include "hist_fixture.h"
#include "history/hist_model.h"

#include <cstring>
#include <set>

namespace {

using namespace histview;

FriendInfo Contact(const char* number, const char* name, const char* nickname)
{
    FriendInfo f{};
    std::strncpy(f.mirrun, number, sizeof f.mirrun);
    std::strncpy(f.name, name, sizeof f.name - 1);
    std::strncpy(f.nickname, nickname, sizeof f.nickname - 1);
    return f;
}

FriendCache CacheOf(std::vector<FriendInfo>& friends)
{
    FriendCache cache{};
    cache.friends.data = friends.data();
    cache.friends.count = static_cast<intptr_t>(friends.size());
    cache.friends.capacity = cache.friends.count;
    return cache;
}

TEST(HistoryModel, GroupValuesKeepThePartsValuesAndStayDistinctPastTwoHundredFiftyFive)
{
    EXPECT_EQ(257, GroupValue(kTextCategory, 0));
    EXPECT_EQ(256 + 255, GroupValue(kTextCategory, 254));
    EXPECT_EQ(1281, GroupValue(kTelCategory, 0));
    std::set<LPARAM> seen;
    for (LPARAM category : {kTextCategory, kTelCategory}) {
        for (size_t i = 0; i < 600; ++i) {
            const LPARAM v = GroupValue(category, i);
            EXPECT_TRUE(seen.insert(v).second) << i;
            EXPECT_TRUE(IsGroupValue(v)) << i;
            EXPECT_EQ(category == kTextCategory ? "text" : "tel", TypeOfValue(v)) << i;
            EXPECT_EQ(i, GroupIndexOfValue(v));
        }
    }
    for (LPARAM notGroup : {kRootValue, kTextCategory, kTelCategory, LPARAM(512), LPARAM(0x10000 | 256)})
        EXPECT_EQ("", TypeOfValue(notGroup)) << notGroup;
}

TEST(HistoryModel, NumbersBecomeNamesOnlyWhenWhole)
{
    std::vector<FriendInfo> friends = {Contact("138", "Short", ""),          Contact("13812345678", "Full", "Nick"),
                                       Contact("", "NoNumber", "x"),         Contact("555", "", ""),
                                       Contact("555", "Second", ""),         Contact("13812345678", "Later", "Dup"),
                                       Contact("777", "Name 138 inside", "")};
    FriendCache cache = CacheOf(friends);
    const NameMap names = BuildNameMap(&cache);
    EXPECT_EQ("Nick", DisplayParty("13812345678", names)) << "nickname first, first contact wins";
    EXPECT_EQ("Short,Nick", DisplayParty("138,13812345678", names));
    EXPECT_EQ("1381", DisplayParty("1381", names)) << "a number inside a longer one stays";
    EXPECT_EQ("Second", DisplayParty("555", names)) << "a contact without names is skipped";
    EXPECT_EQ("Name 138 inside;Short", DisplayParty("777;138", names)) << "inserted names are not scanned again";
    EXPECT_EQ("", DisplayParty(nullptr, names));
    EXPECT_EQ("", DisplayParty("", names));
    EXPECT_EQ("a138", DisplayParty("a138", names));
    EXPECT_EQ("13812345678", DisplayParty("13812345678", BuildNameMap(nullptr)));
}

TEST(HistoryModel, RowsShowTheLastRecordFirstWithItsCells)
{
    EXPECT_EQ(2, RecordOfRow(0, 3));
    EXPECT_EQ(0, RecordOfRow(2, 3));
    EXPECT_EQ(-1, RecordOfRow(3, 3));
    EXPECT_EQ(-1, RecordOfRow(-1, 3));
    EXPECT_EQ(-1, RecordOfRow(0, 0));

    HistRecord r = HistoryStoreTest::Entry("mail", "g", "未读", nullptr, "200", "<TITLE>T</TITLE><BODY>B</BODY>", "d");
    StatusTexts st{"U", "R", "S", "N"};
    const histlib::Calls& calls = histlib::Library();
    EXPECT_EQ((std::vector<std::string>{"3", "mail", "U", "", "200", "T", "d"}),
              RowCells(r, 2, Layout::kMail, {}, st, calls));
    EXPECT_EQ((std::vector<std::string>{"1", "mail", "U", "", "200", "B", "d"}),
              RowCells(r, 0, Layout::kText, {}, st, calls));
    std::strcpy(r.status, "odd");
    r.content = nullptr;
    EXPECT_EQ((std::vector<std::string>{"1", "mail", "odd", "", "200", "", "d"}),
              RowCells(r, 0, Layout::kText, {}, st, calls));
    EXPECT_EQ((std::vector<std::string>{"1", "", "200", "d"}), RowCells(r, 0, Layout::kCall, {}, st, calls));
    EXPECT_EQ(7u, ColumnTitleIds(Layout::kText).size());
    EXPECT_EQ(4u, ColumnTitleIds(Layout::kCall).size());
}

TEST(HistoryModel, NoticeBlockIsBoundedAndCodedByType)
{
    const std::string content(6000, 'c');
    const std::string party(700, '1');
    HistRecord r = HistoryStoreTest::Entry("tel", "g", "已读", party.c_str(), nullptr, content.c_str(), "d");
    std::memset(r.group, 'G', sizeof r.group);  // full, no terminator
    std::vector<char> block(sizeof(HistEntryNotice) + 1, '#');
    block.back() = 0;
    FillNotice(*reinterpret_cast<HistEntryNotice*>(block.data()), r);
    const auto& n = *reinterpret_cast<const HistEntryNotice*>(block.data());
    EXPECT_EQ(std::string(500, '1'), std::string(n.partyA, 500));
    EXPECT_EQ('\0', n.partyB[0]);
    EXPECT_EQ(std::string(50, 'G'), std::string(n.group, 50));
    EXPECT_EQ(std::string(5000, 'c'), std::string(n.content, 5000));
    EXPECT_STREQ("已读", n.status);
    EXPECT_EQ(5000u, std::strlen(n.content)) << "the extra byte ends a full content field";
    EXPECT_EQ(WPARAM(24), OpenCode(r));
    for (auto [type, code] : {std::pair<const char*, WPARAM>{"text", 20},
                              {"multi", 21},
                              {"mail", 22},
                              {"fax", 23},
                              {"other", 256},
                              {"", 256}}) {
        std::memset(r.type, 0, sizeof r.type);
        std::strcpy(r.type, type);
        EXPECT_EQ(code, OpenCode(r)) << type;
    }
}

TEST(HistoryModel, TheNumberToAddIsTheOtherParty)
{
    HistRecord r = HistoryStoreTest::Entry("text", "g", "", "100", kHistIdentity, "");
    EXPECT_EQ("100", NumberToAdd(r, kHistIdentity));
    r.partyA = const_cast<char*>(kHistIdentity);
    r.partyB = const_cast<char*>("200");
    EXPECT_EQ("200", NumberToAdd(r, kHistIdentity));
    r.partyB = const_cast<char*>(kHistIdentity);
    EXPECT_EQ("", NumberToAdd(r, kHistIdentity)) << "both parties are the user";
    r.partyA = r.partyB = nullptr;
    EXPECT_EQ("", NumberToAdd(r, kHistIdentity));
}

using HistoryModelStore = HistoryStoreTest;

TEST_F(HistoryModelStore, EveryGroupOfAThreeHundredGroupStoreIsListed)
{
    std::vector<std::string> names;
    std::vector<HistRecord> entries;
    for (int i = 0; i < 300; ++i)
        names.push_back("group " + std::to_string(i));
    for (const std::string& name : names)
        entries.push_back(Entry("text", name.c_str(), "", "1", "2", ""));
    ASSERT_EQ(300, addHistEntries(entries.data(), 300));
    const auto categories = ReadCategories(histlib::Library(), kHistIdentity);
    ASSERT_EQ(2u, categories.size());
    ASSERT_EQ(names, categories[0].groups);
    EXPECT_TRUE(categories[1].groups.empty());
    for (size_t i : {size_t(0), size_t(254), size_t(255), size_t(299)}) {
        const Selection s = SelectionOf(GroupValue(kTextCategory, i), categories);
        EXPECT_EQ("text", s.type);
        EXPECT_EQ(names[i], s.group);
    }
    EXPECT_TRUE(SelectionOf(GroupValue(kTelCategory, 0), categories).Empty());
    EXPECT_TRUE(SelectionOf(kTextCategory, categories).Empty());
}

}  // namespace
