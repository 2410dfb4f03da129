// Finding and making the user's friend.mdb.
#include "core/product.h"
#include "core_host.h"
#include "core/provisioning.h"

#include <windows.h>

#include <string>

namespace {

class ProvisioningTest : public CoreHostTest {};

TEST_F(ProvisioningTest, WithoutARecordThereIsNoPath)
{
    EXPECT_EQ("", PrepareFriendDB());
    EXPECT_TRUE(TakeSystemMessages().empty());
}

TEST_F(ProvisioningTest, FirstUseCopiesTheTemplateAndStoresTheServiceContactOnce)
{
    LogIn();
    ASSERT_EQ(DatabasePath(), PrepareFriendDB());
    EXPECT_EQ("1", Scalar("select count(*) from tab_list"));
    EXPECT_EQ(kServiceNumber, Scalar("select mirrun from tab_list where groupID=-50"));
    EXPECT_EQ(kMakerEmail, Scalar("select e_mail from tab_list"));
    EXPECT_EQ("0", Scalar("select count(*) from tab_group"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((DatabasePath() + ".new").c_str()));

    ASSERT_EQ(DatabasePath(), PrepareFriendDB());
    EXPECT_EQ("1", Scalar("select count(*) from tab_list")) << "a second call finds the file";
}

TEST_F(ProvisioningTest, AnExistingDatabaseIsUsedAsItIs)
{
    LogIn();
    ASSERT_EQ(DatabasePath(), PrepareFriendDB());
    Exec("delete from tab_list");
    std::string before = ReadFileBytes(DatabasePath());
    ASSERT_EQ(DatabasePath(), PrepareFriendDB());
    EXPECT_EQ(before, ReadFileBytes(DatabasePath()));
    ASSERT_EQ(1, iniFriends());
    EXPECT_EQ(0, pelmo_getFriends(nullptr)) << "no service contact is added to an existing book";
}

TEST_F(ProvisioningTest, AFileThatIsNotADatabaseFailsClearlyAndIsKept)
{
    LogIn();
    const std::string junk = "This is a spreadsheet, not an address book.\r\n" + std::string(3000, '\x7f');
    WriteFileBytes(DatabasePath(), junk);
    EXPECT_EQ(0, iniFriends());
    auto messages = TakeSystemMessages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_NE(std::string::npos, messages[0].find(DatabasePath()));
    EXPECT_EQ(junk, ReadFileBytes(DatabasePath())) << "never overwritten";
    EXPECT_EQ(nullptr, GetFriendCache()) << "no cache that disagrees with the file";
    EXPECT_EQ(0, pelmo_getFriends(nullptr));
    EXPECT_EQ(0, addFriend("123", nullptr));
    EXPECT_EQ(junk, ReadFileBytes(DatabasePath()));

    // A truncated database is no better.
    RemoveScratchDir(DataDir());
    ::CreateDirectoryA(DataDir().c_str(), nullptr);
    ASSERT_EQ(DatabasePath(), PrepareFriendDB());
    std::string whole = ReadFileBytes(DatabasePath());
    WriteFileBytes(DatabasePath(), whole.substr(0, 1000));
    EXPECT_EQ(0, iniFriends());
    EXPECT_EQ(whole.substr(0, 1000), ReadFileBytes(DatabasePath()));
}

TEST_F(ProvisioningTest, AMissingDataDirectoryGivesThePathAFailingOpenAndOneMessage)
{
    const std::string missing = DataDir() + "\\does-not-exist";
    LogIn(missing);
    EXPECT_EQ(missing + "\\friend.mdb", PrepareFriendDB());
    auto messages = TakeSystemMessages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_NE(std::string::npos, messages[0].find(missing));
    EXPECT_EQ(0, iniFriends());
    EXPECT_EQ(1u, TakeSystemMessages().size()) << "said once, not again by the failing open";
}

}  // namespace
