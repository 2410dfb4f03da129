// The demo functions of the dialogs on a real sample user: what the demo
// host shows, stored through the database, and its screenshots. What the
// dialogs look like is checked in dialogs_test.
#include "host/dialogs_demo.h"
#include "manager/dialog_rules.h"
#include "pelmo.h"
#include "resources/resource_ids.h"
#include "support/dialog_run.h"
#include "support/ui_driver.h"

#include "core/host_config.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>
#include <string>

namespace {

// A logged-in sample user whose friend.mdb is made from the template.
class SampleUser : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        m_dir = std::string(temp) + "pelmo-dialogs-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        HostConfig config;
        std::memset(&config, 0, sizeof config);
        std::strcpy(config.identity, "8613800001111");
        std::snprintf(config.dataDir, sizeof config.dataDir, "%s", m_dir.c_str());
        WriteHostConfig(config);
        ASSERT_EQ(1, iniFriends());
        ASSERT_NE(nullptr, GetFriendCache());
    }
    void TearDown() override
    {
        releaseFriends();
        ::DeleteFileA((m_dir + "\\friend.mdb").c_str());
        ::RemoveDirectoryA(m_dir.c_str());
    }
    // Reads the address book anew from the file.
    void Reload()
    {
        releaseFriends();
        ASSERT_EQ(1, iniFriends());
    }
    const FriendInfo* Contact(const char* number) const
    {
        FriendCache* cache = GetFriendCache();
        for (intptr_t i = 0; cache && i < cache->friends.count; ++i)
            if (dialogs::FieldText(cache->friends.data[i].mirrun) == number)
                return &cache->friends.data[i];
        return nullptr;
    }

    testui::TestParent owner;
    std::string m_dir;
};

std::string ShotFolder()
{
    const char* wanted = std::getenv("PELMO_DIALOG_SHOTS");
    std::string folder = wanted && *wanted ? wanted : "dialog-shots";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

}  // namespace

TEST_F(SampleUser, EditedContactIsStoredAndANewGroupAppearsInTheCache)
{
    testui::OkRun addGroup([](HWND d) { ::SetDlgItemTextA(d, IDC_GROUP_NAME, "老同学"); });
    EXPECT_EQ(IDOK, dialogs_demo::OpenGroupDialog(owner.Handle(), false));
    FriendCache* cache = GetFriendCache();
    ASSERT_EQ(1, cache->groups.count);
    EXPECT_EQ("老同学", dialogs::FieldText(cache->groups.data[0].name));
    EXPECT_EQ(-1, cache->groups.data[0].fatherID);

    // The first ordinary contact: the one just made.
    testui::OkRun addContact([](HWND d) { ::SetDlgItemTextA(d, IDC_CONTACT_NUMBER, "0571887777"); });
    ASSERT_EQ(IDOK, dialogs_demo::OpenContactDialog(owner.Handle(), false));
    EXPECT_TRUE(addContact.BoxTexts().empty());
    testui::OkRun edit([](HWND d) {
        ::SetDlgItemTextA(d, IDC_CONTACT_NAME, "陈静");
        ::SetDlgItemTextA(d, IDC_CONTACT_CITY, "宁波");
    });
    EXPECT_EQ(IDOK, dialogs_demo::OpenContactDialog(owner.Handle(), true));
    Reload();
    const FriendInfo* stored = Contact("0571887777");
    ASSERT_NE(nullptr, stored);
    EXPECT_EQ("陈静", dialogs::FieldText(stored->name));
    EXPECT_EQ("宁波", dialogs::FieldText(stored->city));
    EXPECT_EQ(PELMO_GROUP_NONE, stored->groupID) << "added without choosing a group";
}

TEST_F(SampleUser, DemoShootsEveryDialogInBothModes)
{
    const std::string folder = ShotFolder();
    const int saved = dialogs_demo::ShootDialogs(owner.Handle(), folder);
    EXPECT_EQ(6, saved);
    EXPECT_EQ(nullptr, testui::InnermostDialog()) << "a dialog was left open";
}
