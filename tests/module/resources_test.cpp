// Resource access through grell.dll and the region table.
#include "core/session_state.h"
#include "module/module_state.h"
#include "pelmo.h"
#include "resources/resource_ids.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using testui::ResourceText;

TEST(ResourceStrings, ShortBufferGetsSizeLessOneCharactersAndTerminator)
{
    const std::string url = ResourceText(IDS_SITE_URL);
    ASSERT_GT(url.size(), 10u);
    char buffer[10];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(9, getGlobalStr(IDS_SITE_URL, buffer, sizeof buffer));
    EXPECT_EQ(url.substr(0, 9), std::string(buffer));
}

TEST(ResourceStrings, LongChineseStringIsCutInsideTheBufferWithoutSplittingACharacter)
{
    const std::string full = ResourceText(IDS_ASK_DELETE_GROUP_CONTACTS);
    ASSERT_GT(full.size(), 60u);
    char buffer[60];
    std::memset(buffer, 'x', sizeof buffer);
    const int copied = getGlobalStr(IDS_ASK_DELETE_GROUP_CONTACTS, buffer, 50);
    // Double-byte characters: 48 or 49 bytes fit, never half a character.
    EXPECT_GE(copied, 48);
    EXPECT_LE(copied, 49);
    EXPECT_EQ('\0', buffer[copied]);
    EXPECT_EQ(full.substr(0, static_cast<size_t>(copied)), std::string(buffer));
    EXPECT_EQ('x', buffer[50]) << "wrote past the given size";
}

TEST(ResourceStrings, NullBufferOrMissingStringGivesZero)
{
    EXPECT_EQ(0, getGlobalStr(IDS_MANAGER_CAPTION, nullptr, 50));
    char buffer[50] = "unchanged";
    EXPECT_EQ(0, getGlobalStr(IDS_MANAGER_CAPTION, buffer, 0));
    EXPECT_EQ(0, getGlobalStr(4242, buffer, sizeof buffer));
    EXPECT_GT(getGlobalStr(IDS_MANAGER_CAPTION, buffer, sizeof buffer), 0);
}

TEST(ResourceData, StringTableTypeGivesAnOwnedBufferOnlyWhenTheBlockExists)
{
    // Type 6 looks the id up as a string-table block number: block 1 holds
    // ids 0..15, so string 1 comes back; block 3 (ids 32..47) is empty.
    auto* text = static_cast<char*>(getGlobalRes(1, 6));
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(ResourceText(1), std::string(text));
    EXPECT_EQ(255u, ::HeapSize(::GetProcessHeap(), 0, text));
    EXPECT_EQ('\0', text[254]);
    ::HeapFree(::GetProcessHeap(), 0, text);

    EXPECT_EQ(nullptr, getGlobalRes(3, 6));
}

TEST(ResourceData, DialogTemplatesAndPicturesComeFromTheResourceLibrary)
{
    const auto* dialog = static_cast<const DLGTEMPLATE*>(getGlobalRes(IDD_MESSAGEBOX_SKIN, 5));
    ASSERT_NE(nullptr, dialog);
    // DIALOGEX starts with version 1 and signature 0xFFFF.
    const WORD* words = reinterpret_cast<const WORD*>(dialog);
    EXPECT_EQ(1, words[0]);
    EXPECT_EQ(0xFFFF, words[1]);
    EXPECT_EQ(nullptr, getGlobalRes(IDD_MESSAGEBOX_SKIN, 240)) << "no initialisation data is shipped";
    EXPECT_EQ(nullptr, getGlobalRes(9999, 5));
    releaseGlobalRes();

    EXPECT_NE(nullptr, getGlobalIcon(IDI_APP));
    HBITMAP picture = getGlobalBitmap(IDB_MESSAGEBOX_PICTURE);
    ASSERT_NE(nullptr, picture);
    BITMAP info{};
    ::GetObjectA(picture, sizeof info, &info);
    EXPECT_EQ(64, info.bmWidth);
    ::DeleteObject(picture);
    EXPECT_EQ(nullptr, getGlobalBitmap(9999));
    EXPECT_EQ(nullptr, getGlobalMenu(9999));
}

TEST(ResourceDialogs, InitFunctionsRefuseANullDialogObject)
{
    EXPECT_EQ(0, initModelDialog(nullptr, IDD_MESSAGEBOX_SKIN, nullptr));
    EXPECT_EQ(0, initModelessDialog(nullptr, IDD_MESSAGEBOX_SKIN, nullptr));
}

TEST(Regions, TableListsEveryRegionInOrderAndEndsWithZero)
{
    const RegionEntry* table = getRegionNum();
    const struct {
        unsigned id;
        const char* prefix;
    } expected[] = {{558, "0086"}, {559, "00886"}, {560, "00852"}, {561, "00853"},
                    {562, "0065"}, {563, "001"},   {564, "001"}};
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i) {
        EXPECT_EQ(expected[i].id, table[i].nameId) << i;
        EXPECT_STREQ(expected[i].prefix, table[i].prefix) << i;
    }
    EXPECT_EQ(0u, table[7].nameId);
}

TEST(Regions, LookUpByExactNameFindsTheFirstOfTwoRegionsSharingAPrefix)
{
    const RegionEntry* table = getRegionNum();
    EXPECT_EQ(&table[5], getNumFromRegion(ResourceText(563).c_str()));
    EXPECT_EQ(&table[6], getNumFromRegion(ResourceText(564).c_str()));
    EXPECT_EQ(&table[0], getNumFromRegion(ResourceText(558).c_str()));

    EXPECT_EQ(nullptr, getNumFromRegion(nullptr));
    EXPECT_EQ(nullptr, getNumFromRegion(""));
    EXPECT_EQ(nullptr, getNumFromRegion((ResourceText(563) + " ").c_str()));
    EXPECT_EQ(nullptr, getNumFromRegion("0086")) << "a prefix is not a name";
}

TEST(ModuleState, InitFriendListForgetsTheOnlineListAndTheManagerButKeepsPanelCounters)
{
    module::SharedState& state = module::State();
    session::State& session = session::Current();
    session.onlineList.numbers = {"111", "222"};
    session.onlineList.names = {"a", "b"};
    session.onlineList.online = {1, 2};
    session.targetGroup = 7;
    state.requestAllowed = true;
    state.listAnswered = true;
    state.listShown = true;
    state.panelCount = 2;
    session.managerWindow = reinterpret_cast<HWND>(0x1000);

    EXPECT_EQ(1, InitFriendList());
    EXPECT_TRUE(session.onlineList.numbers.empty());
    EXPECT_TRUE(session.onlineList.names.empty());
    EXPECT_TRUE(session.onlineList.online.empty());
    EXPECT_EQ(7, session.targetGroup) << "the pending group outlives a reset";
    session.targetGroup = session::kNoTargetGroup;
    EXPECT_FALSE(state.requestAllowed);
    EXPECT_FALSE(state.listAnswered);
    EXPECT_EQ(nullptr, session.managerWindow);
    EXPECT_TRUE(state.listShown);
    EXPECT_EQ(2, state.panelCount);
    state.listShown = false;
    state.panelCount = 0;
}
