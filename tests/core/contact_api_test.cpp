// The exported contact API as a host uses it: through pelmo.h, the
// configuration record and the cache read in place.
#include "core/growable_array.h"
#include "core/product.h"
#include "core_host.h"
#include "history_lib.h"
#include "core/session_state.h"
#include "string_ids.h"
#include "support/ui_driver.h"

#include <cstring>
#include <string>

namespace {

constexpr WPARAM kNoticeBookChanged = PELMO_NOTICE_BOOK_CHANGED;
constexpr UINT kManagerRefresh = PELMO_WM_MANAGER_REFRESH;

using testui::ResourceText;

class ContactApiTest : public CoreHostTest {
protected:
    void SetUp() override
    {
        CoreHostTest::SetUp();
        LogIn();
        ASSERT_EQ(1, iniFriends());
        TakeNotices();
        session::Current().onlineList.numbers.clear();
        session::Current().onlineList.names.clear();
        session::Current().targetGroup = session::kNoTargetGroup;
    }
    void TearDown() override
    {
        session::Current().onlineList.numbers.clear();
        session::Current().onlineList.names.clear();
        session::Current().managerWindow = nullptr;
        CoreHostTest::TearDown();
    }
    FriendCache* Cache() { return GetFriendCache(); }
    const FriendInfo* Find(const char* number)
    {
        FriendCache* cache = Cache();
        for (intptr_t i = 0; cache && i < cache->friends.count; ++i)
            if (std::strcmp(cache->friends.data[i].mirrun, number) == 0)
                return &cache->friends.data[i];
        return nullptr;
    }
    void Add(const char* number, const char* nickname = nullptr, const char* name = nullptr)
    {
        UserProfile p{};
        if (nickname)
            std::strcpy(p.nickname, nickname);
        if (name)
            std::strcpy(p.name, name);
        ASSERT_EQ(1, addFriend(number, nickname || name ? &p : nullptr));
    }
};

TEST_F(ContactApiTest, FirstLogInMakesTheBookWithTheServiceContact)
{
    HostConfig config = Config();
    FriendCache* cache = config.friendCache;
    ASSERT_NE(nullptr, cache);
    EXPECT_EQ(cache, GetFriendCache());
    ASSERT_EQ(1, cache->friends.count);
    const FriendInfo& service = cache->friends.data[0];
    EXPECT_STREQ(kServiceNumber, service.mirrun);
    EXPECT_EQ(PELMO_GROUP_SERVICE, service.groupID);
    EXPECT_EQ(ResourceText(IDS_SERVICE_NAME), service.nickname);
    EXPECT_STREQ(kMakerName, service.company);
    EXPECT_EQ(0, service.state) << "a record read from the file is offline";
    EXPECT_EQ(0, cache->groups.count);
    EXPECT_EQ(ResourceText(IDS_MODULE_LABEL), config.moduleLabel);
    EXPECT_EQ(std::string(sizeof config.reserved, 0x5A), std::string(config.reserved, sizeof config.reserved))
        << "the host's own bytes are kept";
    EXPECT_EQ(kTestIdentity, Scalar("select userMirrun from tab_list"));
    EXPECT_TRUE(TakeInfoBoxes().empty());
}

TEST_F(ContactApiTest, ReloadingReplacesTheCacheAndForgetsPresence)
{
    Add("1001");
    ASSERT_EQ(1, setFriendState("1001", 1));
    ASSERT_EQ(1, iniFriends());
    FriendCache* second = Cache();
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(2, second->friends.count);
    EXPECT_EQ(0, getFriendState("1001"));
}

TEST_F(ContactApiTest, ReleasingEmptiesEveryQuery)
{
    Add("1001");
    ASSERT_EQ(1, releaseFriends());
    EXPECT_EQ(nullptr, GetFriendCache());
    EXPECT_EQ(nullptr, Config().friendCache);
    EXPECT_EQ(1, releaseFriends()) << "nothing to free is success";
    EXPECT_EQ(0, pelmo_getFriends(nullptr));
    EXPECT_EQ(0, setFriendState("1001", 1));
    EXPECT_EQ(0, getFriendState("1001"));
    EXPECT_EQ(0, GetNeedFriendsInfo(nullptr, 1, 1));
    char name[50];
    EXPECT_EQ(0, getFriendNickName("1001", name));
    EXPECT_STREQ("1001", name);
    EXPECT_EQ(0, addFriend("1002", nullptr));

    LogOut();
    EXPECT_EQ(0, releaseFriends());
    EXPECT_EQ(-2, getFriendNickName("1001", name));
    EXPECT_EQ(0, iniFriends());
    auto messages = TakeSystemMessages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(std::string("\xd6\xf7\xb3\xcc\xd0\xf2\xce\xb4\xb3\xf5\xca\xbc\xbb\xaf\xa3\xa1"), messages[0])
        << "the fixed message reaches the box in GBK";
}

TEST_F(ContactApiTest, NumberSlotsAreFifteenBytesZeroPaddedOrFull)
{
    Add("12345");
    // The host may write a full 15-byte number into the cache in place.
    Add("99");
    FriendInfo* full = &Cache()->friends.data[2];
    std::memcpy(full->mirrun, "123456789012345", 15);

    ASSERT_EQ(3, pelmo_getFriends(nullptr));
    std::string slots(3 * 15 + 4, '#');
    ASSERT_EQ(3, pelmo_getFriends(&slots[0]));
    EXPECT_EQ(std::string(kServiceNumber) + std::string(15 - std::strlen(kServiceNumber), '\0'), slots.substr(0, 15));
    EXPECT_EQ(std::string("12345") + std::string(10, '\0'), slots.substr(15, 15));
    EXPECT_EQ("123456789012345", slots.substr(30, 15));
    EXPECT_EQ("####", slots.substr(45)) << "nothing beyond the slots";
}

TEST_F(ContactApiTest, OnlineNumbersAreTheOnlineContactsThenTheOnlineList)
{
    Add("2001");
    Add("2002");
    setFriendState("2002", 1);
    setFriendState(kServiceNumber, 2);
    session::Current().onlineList.numbers = {"3001", "3002"};
    ASSERT_EQ(4, S_GetOnLineFriends(nullptr));
    std::string slots(4 * 15, '#');
    ASSERT_EQ(4, S_GetOnLineFriends(&slots[0]));
    EXPECT_EQ(kServiceNumber, std::string(slots.c_str()));
    EXPECT_EQ("2002", std::string(slots.c_str() + 15));
    EXPECT_EQ("3001", std::string(slots.c_str() + 30));
    EXPECT_EQ("3002", std::string(slots.c_str() + 45));

    releaseFriends();
    session::Current().onlineList.numbers = {"1", "2", "3"};
    char untouched[8] = "#######";
    EXPECT_EQ(3, S_GetOnLineFriends(untouched));
    EXPECT_STREQ("#######", untouched) << "without a cache nothing is written";
}

TEST_F(ContactApiTest, NeedFriendsInfoCountsOrCopiesOnlineContacts)
{
    Add("4001");
    Add("4002");
    Add("4003");
    setFriendState("4001", 1);
    setFriendState("4003", 2);
    setFriendState(kServiceNumber, 2);
    EXPECT_EQ(2, GetNeedFriendsInfo(nullptr, 1, 0));
    EXPECT_EQ(3, GetNeedFriendsInfo(nullptr, 1, 1));

    // A host-made list with an old entry in a block from the process heap.
    FriendCache list{};
    list.friends.data = static_cast<FriendInfo*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FriendInfo)));
    list.friends.count = list.friends.capacity = 1;
    std::strcpy(list.friends.data[0].mirrun, "stale");
    FriendGroup marker{};
    list.groups.data = &marker;
    list.groups.count = list.groups.capacity = 1;

    EXPECT_EQ(0, GetNeedFriendsInfo(&list, 1, 0)) << "count-only with a list is refused";
    ASSERT_EQ(2, GetNeedFriendsInfo(&list, 0, 0));
    ASSERT_EQ(2, list.friends.count);
    EXPECT_STREQ("4001", list.friends.data[0].mirrun);
    EXPECT_STREQ("4003", list.friends.data[1].mirrun);
    EXPECT_EQ(2, list.friends.data[1].state);
    EXPECT_EQ(&marker, list.groups.data) << "the groups are not touched";
    ASSERT_EQ(3, GetNeedFriendsInfo(&list, 0, 1));
    EXPECT_STREQ(kServiceNumber, list.friends.data[0].mirrun);
    EXPECT_EQ(0, GetNeedFriendsInfo(nullptr, 0, 1));
    HeapFree(GetProcessHeap(), 0, list.friends.data);
}

TEST_F(ContactApiTest, PresenceGoesToTheFirstContactWithTheNumber)
{
    EXPECT_EQ(0, setFriendState("unknown", 1));
    EXPECT_EQ(0, setFriendState(nullptr, 1));
    EXPECT_EQ(0, getFriendState(nullptr));
    // A second contact with the same number, as the skip flag allows.
    Add("5000");
    FriendInfo twin = Cache()->friends.data[1];
    twin.ID = 51;
    ArrayAdd(Cache()->friends, twin);
    ASSERT_EQ(1, setFriendState("5000", 1));
    EXPECT_EQ(1, Cache()->friends.data[1].state);
    EXPECT_EQ(0, Cache()->friends.data[2].state);
    EXPECT_EQ(1, getFriendState("5000"));
    EXPECT_EQ(0, getFriendState("500")) << "numbers compare whole, not by prefix";
}

TEST_F(ContactApiTest, NickNamesComeFromNicknameNameServiceTextOrOnlineList)
{
    char buffer[50];
    Add("6001", "Nick", "Full Name");
    Add("6002", "", "Only Name");
    Add("6003", "", "");
    EXPECT_EQ(4, getFriendNickName("6001", buffer));
    EXPECT_STREQ("Nick", buffer);
    EXPECT_EQ(9, getFriendNickName("6002", buffer));
    EXPECT_STREQ("Only Name", buffer);
    EXPECT_EQ(4, getFriendNickName("6003", buffer));
    EXPECT_STREQ("6003", buffer);
    getFriendNickName(kServiceNumber, buffer);
    EXPECT_EQ(ResourceText(IDS_SERVICE_NAME), buffer);
    EXPECT_EQ(4, getFriendNickName("7777", buffer));
    EXPECT_STREQ("7777", buffer);

    session::Current().onlineList.numbers = {"8001", "8002"};
    session::Current().onlineList.names = {"Online One", ""};
    getFriendNickName("8001", buffer);
    EXPECT_STREQ("Online One", buffer);
    getFriendNickName("8002", buffer);
    EXPECT_STREQ("8002", buffer);
    session::Current().onlineList.names = {"Only one name"};
    getFriendNickName("8001", buffer);
    EXPECT_STREQ("8001", buffer) << "lists of different lengths are not read";

    EXPECT_EQ(-1, getFriendNickName(nullptr, buffer));
    EXPECT_EQ(-1, getFriendNickName("8001", nullptr));
    std::string longNumber(80, '7');
    EXPECT_EQ(49, getFriendNickName(longNumber.c_str(), buffer));
}

TEST_F(ContactApiTest, AddFriendStoresOnceAndNotifiesTheHost)
{
    testui::TestParent manager;
    session::Current().managerWindow = manager.Handle();
    ASSERT_EQ(1, addFriend("9001", nullptr));
    const FriendInfo* added = Find("9001");
    ASSERT_NE(nullptr, added);
    EXPECT_STREQ("9001", added->nickname);
    EXPECT_EQ(PELMO_GROUP_NONE, added->groupID);
    auto notices = TakeNotices();
    ASSERT_EQ(1u, notices.size());
    EXPECT_EQ(kNoticeBookChanged, notices[0].first);
    EXPECT_EQ(0, notices[0].second);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, manager.Handle(), kManagerRefresh, kManagerRefresh, PM_REMOVE));
    EXPECT_EQ(PELMO_GROUP_NONE, msg.lParam);

    EXPECT_EQ(1, addFriend("9001", nullptr)) << "a known number is success";
    EXPECT_TRUE(TakeNotices().empty());
    EXPECT_TRUE(TakeInfoBoxes().empty()) << "the duplicate box does not appear";
    EXPECT_EQ("1", Scalar("select count(*) from tab_list where mirrun='9001'"));
    EXPECT_EQ(0, addFriend(nullptr, nullptr));
}

TEST_F(ContactApiTest, AddFriendCopiesTheProfileAndEmptiesDefaultTexts)
{
    UserProfile p{};
    p.gender = 2;
    std::strcpy(p.name, "Li Na");
    std::strcpy(p.nickname, "Nana");
    std::strcpy(p.city, "DEFAULT");
    std::strcpy(p.country, "default");
    std::strcpy(p.company, "Defaults Ltd");
    std::strcpy(p.e_mail, "na@example.org");
    std::strcpy(p.office_phone, "0571-1");
    std::memset(p.interests, 'i', sizeof p.interests - 1);
    ASSERT_EQ(1, addFriend("9100", &p));
    const FriendInfo* f = Find("9100");
    ASSERT_NE(nullptr, f);
    EXPECT_STREQ("Li Na", f->name);
    EXPECT_STREQ("Nana", f->nickname);
    EXPECT_EQ(2, f->gender);
    EXPECT_STREQ("", f->city);
    EXPECT_STREQ("", f->country);
    EXPECT_STREQ("Defaults Ltd", f->company);
    EXPECT_STREQ("0571-1", f->company_phone);
    EXPECT_STREQ("na@example.org", f->e_mail);
    EXPECT_EQ(std::string(49, 'i'), f->interest);
    EXPECT_STREQ("", p.city) << "the host's record is emptied too";
    EXPECT_STREQ("", p.country);
    EXPECT_STREQ("Defaults Ltd", p.company);
    EXPECT_EQ("", Scalar("select coalesce(city, '') from tab_list where mirrun='9100'"));
}

TEST_F(ContactApiTest, AddFriendFilesUnderTheDefaultGroupElseThePendingTarget)
{
    session::Current().targetGroup = 7;
    ASSERT_EQ(1, addFriend("9201", nullptr));
    EXPECT_EQ(7, Find("9201")->groupID);
    EXPECT_EQ(session::kNoTargetGroup, session::Current().targetGroup);

    Exec("insert into tab_group values (3, 'x', '" + ResourceText(IDS_GROUP_MY_FRIENDS) + "', -1)");
    ASSERT_EQ(1, iniFriends());
    session::Current().targetGroup = 7;
    ASSERT_EQ(1, addFriend("9202", nullptr));
    EXPECT_EQ(3, Find("9202")->groupID);

    session::Current().targetGroup = 7;
    LogOut();
    EXPECT_EQ(0, addFriend("9203", nullptr));
    EXPECT_EQ(session::kNoTargetGroup, session::Current().targetGroup) << "reset even when the call fails";
}

TEST_F(ContactApiTest, AGbkDataDirectoryWorks)
{
    releaseFriends();
    std::string dir = DataDir() + "\\\xd3\xc3\xbb\xa7";  // "用户" in GBK
    ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
    LogIn(dir);
    ASSERT_EQ(1, iniFriends());
    EXPECT_EQ(1, pelmo_getFriends(nullptr));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((dir + "\\friend.mdb").c_str()));
    releaseFriends();
}

}  // namespace
