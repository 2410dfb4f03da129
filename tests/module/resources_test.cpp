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
    EXPECT_EQ(nullptr, getGlobalRes(IDD_MESSAGEBOX_SKIN, 240)) << "no initialisation data is shipped";
    EXPECT_EQ(nullptr, getGlobalRes(9999, 5));
    releaseGlobalRes();

    EXPECT_NE(nullptr, getGlobalIcon(IDI_APP));
    EXPECT_EQ(nullptr, getGlobalBitmap(9999));
    EXPECT_EQ(nullptr, getGlobalMenu(9999));
}

TEST(ResourceDialogs, InitFunctionsRefuseANullDialogObject)
{
    EXPECT_EQ(0, initModelDialog(nullptr, IDD_MESSAGEBOX_SKIN, nullptr));
    EXPECT_EQ(0, initModelessDialog(nullptr, IDD_MESSAGEBOX_SKIN, nullptr));
}

TEST(Regions, KnownRegionsDialTheirKnownPrefixes)
{
    const struct {
        const char* name;
        const char* prefix;
    } known[] = {{"中国大陆", "0086"}, {"中国台湾", "00886"}, {"中国香港", "00852"}, {"中国澳门", "00853"},
                 {"新加坡", "0065"},   {"美国", "001"},       {"加拿大", "001"}};
    for (const auto& k : known) {
        const RegionEntry* entry = getNumFromRegion(k.name);
        ASSERT_NE(nullptr, entry) << k.name;
        EXPECT_STREQ(k.prefix, entry->prefix) << k.name;
        EXPECT_EQ(k.name, ResourceText(entry->nameId)) << "two regions share a prefix, not a name";
    }
    // The host walks the table to its zero entry: every region once, nothing more.
    size_t count = 0;
    for (const RegionEntry* e = getRegionNum(); e->nameId != 0 && count < 100; ++e)
        ++count;
    EXPECT_EQ(sizeof known / sizeof known[0], count);
}

TEST(Regions, OnlyAWholeNameIsFound)
{
    EXPECT_EQ(nullptr, getNumFromRegion(nullptr));
    EXPECT_EQ(nullptr, getNumFromRegion(""));
    EXPECT_EQ(nullptr, getNumFromRegion("美国 "));
    EXPECT_EQ(nullptr, getNumFromRegion("美")) << "a part of a name";
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
