// What the dialogs offer and accept, checked without windows.
#include "manager/dialog_rules.h"
#include "sample_book.h"

#include <gtest/gtest.h>

#include <cstring>

using dialogs::ChooserItem;
using dialogs::ContactVerdict;
using dialogs::GroupVerdict;

namespace {

// "text value parent" lines, so a mismatch prints both lists readably.
std::vector<std::string> Describe(const std::vector<ChooserItem>& items)
{
    std::vector<std::string> lines;
    for (const auto& item : items)
        lines.push_back(item.text + " " + std::to_string(item.value) + " " + std::to_string(item.parent));
    return lines;
}

}  // namespace

TEST(DialogChoosers, ContactChooserAddsTheUngroupedEntryAndLeavesOutGroupsUnderPseudoGroups)
{
    SampleBook book;
    const auto items = dialogs::ContactChooserItems(book.Cache(), "root", "friends");
    EXPECT_EQ((std::vector<std::string>{"root -1 -1", "friends -10 0", "同事 0 0", "市场部 1 2", "华东区 4 3",
                                        "家人 2 0", "同学 5 0"}),
              Describe(items));
    EXPECT_EQ(1, dialogs::FindChoice(items, -10));
    EXPECT_EQ(-1, dialogs::FindChoice(items, -40)) << "the second fixed root is not offered";
    EXPECT_EQ(-1, dialogs::FindChoice(items, 3)) << "a group under -10 is offered";
}

TEST(DialogChoosers, RepeatedGroupIdsListEachGroupOnceAndEnd)
{
    SampleBook book;
    // Two rows with ID 7, the second under the first: following IDs alone
    // would list the second under itself for ever.
    FriendGroup extra[] = {MakeGroup(7, "甲", -1), MakeGroup(7, "乙", 7)};
    FriendCache cache = *book.Cache();
    cache.groups.data = extra;
    cache.groups.count = 2;
    EXPECT_EQ((std::vector<std::string>{"r -1 -1", "甲 7 0", "乙 7 1"}),
              Describe(dialogs::GroupChooserItems(&cache, "r")));
    FriendGroup loop[] = {MakeGroup(8, "丙", 9), MakeGroup(9, "丁", 8)};
    cache.groups.data = loop;
    EXPECT_FALSE(dialogs::IsGroupUnder(&cache, 8, 99)) << "a loop in the cache must end";
    EXPECT_TRUE(dialogs::IsGroupUnder(&cache, 8, 9));
    EXPECT_EQ((std::vector<std::string>{"r -1 -1"}), Describe(dialogs::GroupChooserItems(&cache, "r")));
}

// Each refusal is driven through the dialog in dialogs_test; here only the
// order when more than one applies, and that a refusal hands out no parent.
TEST(GroupChecks, NameComesFirstThenTheParentThenTheSiblings)
{
    SampleBook book;
    FriendGroup edited = book.Group(0);
    int parent = 12345;
    const int self = 0, subgroup = 1;  // 市场部, under 同事
    EXPECT_EQ(GroupVerdict::kEmptyName, dialogs::CheckGroup(book.Cache(), &edited, 1, "", &self, &parent));
    EXPECT_EQ(GroupVerdict::kOwnParent, dialogs::CheckGroup(book.Cache(), &edited, 1, "市场部", &self, &parent))
        << "市场部 is already under 同事, but choosing itself is reported first";
    EXPECT_EQ(GroupVerdict::kUnderItself, dialogs::CheckGroup(book.Cache(), &edited, 1, "华东区", &subgroup, &parent))
        << "华东区 is already under 市场部, but a subgroup as parent is reported first";
    EXPECT_EQ(12345, parent) << "a refused check handed out a parent";
}

TEST(GroupChecks, SameNameIsFineUnderAnotherParentAndANewGroupIsNotTakenForAnOldOne)
{
    SampleBook book;
    FriendGroup fresh = MakeGroup(0, "", -1);  // a new record: its ID means nothing yet
    int parent = 0;
    const int root = -1, colleagues = 0;
    EXPECT_EQ(GroupVerdict::kNameTaken, dialogs::CheckGroup(book.Cache(), &fresh, 0, "同事", &root, &parent))
        << "group 0 was skipped as if it were the new one";
    EXPECT_EQ(GroupVerdict::kAccept, dialogs::CheckGroup(book.Cache(), &fresh, 0, "家人", &colleagues, &parent));
    EXPECT_EQ(0, parent);
    // Names are compared as they will be stored: cut to the field.
    const std::string longName(60, 'x');
    FriendCache cache = *book.Cache();
    FriendGroup stored[] = {MakeGroup(9, longName.c_str(), -1)};
    cache.groups.data = stored;
    cache.groups.count = 1;
    EXPECT_EQ(GroupVerdict::kNameTaken, dialogs::CheckGroup(&cache, &fresh, 0, longName + "yy", &root, &parent));
}

TEST(GroupChecks, WithoutRecordOrChoiceOkDoesNothingButAnEditedGroupKeepsItsParent)
{
    SampleBook book;
    FriendGroup edited = book.Group(4);
    int parent = 0;
    EXPECT_EQ(GroupVerdict::kNoRecord, dialogs::CheckGroup(book.Cache(), nullptr, 1, "x", nullptr, &parent));
    EXPECT_EQ(GroupVerdict::kNoRecord, dialogs::CheckGroup(nullptr, &edited, 1, "x", nullptr, &parent));
    EXPECT_EQ(GroupVerdict::kNoChoice, dialogs::CheckGroup(book.Cache(), &edited, 0, "x", nullptr, &parent));
    EXPECT_EQ(GroupVerdict::kAccept, dialogs::CheckGroup(book.Cache(), &edited, 1, "华东区", nullptr, &parent));
    EXPECT_EQ(1, parent);
}

TEST(ContactChecks, NumberMustBeExactlyTenDigits)
{
    EXPECT_TRUE(dialogs::IsValidNumber("0571880001")) << "a leading zero is a digit";
    EXPECT_FALSE(dialogs::IsValidNumber("057188000"));
    EXPECT_FALSE(dialogs::IsValidNumber("05718800011"));
    EXPECT_FALSE(dialogs::IsValidNumber("05718800a1"));
    EXPECT_FALSE(dialogs::IsValidNumber("0571 88001"));
    EXPECT_FALSE(dialogs::IsValidNumber(""));
    EXPECT_FALSE(dialogs::IsValidNumber("０５７１８８０００１")) << "full-width digits";
}

TEST(ContactChecks, OnlyTheWholeNumberIsADuplicateAndOnlyAnEditedContactKeepsItsOwn)
{
    SampleBook book;
    FriendInfo stored[] = {MakeContact(0, "05718800011", 0), MakeContact(1, "057188000", 0)};
    FriendCache cache = *book.Cache();
    cache.friends.data = stored;
    cache.friends.count = 2;
    FriendInfo record = MakeContact(2, "", 0);
    EXPECT_EQ(ContactVerdict::kAccept, dialogs::CheckContact(&cache, &record, 0, "0571880001", nullptr).verdict)
        << "a longer or a shorter stored number was taken for this one";
    stored[1] = MakeContact(1, "0571880001", 0);
    EXPECT_EQ(ContactVerdict::kDuplicate, dialogs::CheckContact(&cache, &record, 0, "0571880001", nullptr).verdict);
    EXPECT_EQ(ContactVerdict::kDuplicate, dialogs::CheckContact(&cache, &stored[1], 0, "0571880001", nullptr).verdict)
        << "a new contact skipped its own number";
    EXPECT_EQ(ContactVerdict::kAccept, dialogs::CheckContact(&cache, &stored[1], 1, "0571880001", nullptr).verdict);
}

TEST(ContactChecks, WithoutACacheTheDuplicateCheckIsReportedAndPassed)
{
    FriendInfo record = MakeContact(0, "0571880001", 0);
    const int root = -1;
    auto check = dialogs::CheckContact(nullptr, &record, 0, "0571880001", nullptr);
    EXPECT_EQ(ContactVerdict::kAccept, check.verdict);
    EXPECT_TRUE(check.noCache);
    EXPECT_EQ(ContactVerdict::kRootChosen, dialogs::CheckContact(nullptr, &record, 0, "0571880001", &root).verdict);
    check = dialogs::CheckContact(nullptr, &record, 0, "1", &root);
    EXPECT_EQ(ContactVerdict::kBadNumber, check.verdict);
    EXPECT_FALSE(check.noCache) << "the format check comes first";
}

TEST(FieldCopies, TextIsCutToTheFieldWithoutSplittingACharacterAndZeroFilled)
{
    // Where the copy limit and whole characters matter, the contact dialog
    // test checks the stored record; here the bytes after the text.
    char field[8];
    std::memset(field, 'x', sizeof field);
    dialogs::CopyText(field, 30, "ab中文字");  // 2 + 3 x 2 bytes in GBK
    EXPECT_EQ(std::string("ab中文"), std::string(field)) << "half a character kept";
    EXPECT_EQ('\0', field[7]) << "the rest of the field is not zero";
}
