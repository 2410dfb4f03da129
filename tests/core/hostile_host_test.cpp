// The core under a careless or hostile host: calls back in from a box, a
// growth step that wraps, damaged and foreign files, long and empty data
// directories, long numbers, a locked book, and a host that writes the
// cache in place.
#include "core/friend_db.h"
#include "core/provisioning.h"
#include "core/text.h"
#include "core/user_notice.h"
#include "core_host.h"
#include "framework/data/database.h"
#include "history_lib.h"

#include <sqlite3.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

class HostileHostTest : public CoreHostTest {
protected:
    void SetUp() override
    {
        CoreHostTest::SetUp();
        LogIn();
    }
    FriendCache* Cache() { return GetFriendCache(); }
    intptr_t Count() { return Cache() ? Cache()->friends.count : -1; }
    // A book with `n` extra contacts 70000.. stored directly in the file.
    void StoreContacts(int n)
    {
        ASSERT_EQ(DatabasePath(), PrepareFriendDB());
        std::string sql = "begin;";
        for (int i = 0; i < n; ++i) {
            const std::string id = std::to_string(100 + i);
            sql += "insert into tab_list (ID, groupID, userMirrun, mirrun, name) values (" + id + ", -10, 'x', '7" +
                   std::to_string(10000 + i) + "', 'Contact with a long enough name to fill pages " + id + "');";
        }
        Exec(sql + "commit;");
    }
    void ExpectOneMessageNaming(const std::string& what)
    {
        auto messages = TakeSystemMessages();
        ASSERT_EQ(1u, messages.size());
        EXPECT_NE(std::string::npos, messages[0].find(what)) << messages[0];
    }
};

// A host whose timer runs while a box is up: it logs out (and in again) from
// inside the box.
class ReenteringSink : public UserNoticeSink {
public:
    void Show(const UserNotice&) override
    {
        if (++shown > 1)
            return;
        cacheAtBox = GetFriendCache();
        releaseFriends();
        resultInside = iniFriends();
    }
    int shown = 0;
    int resultInside = -1;
    FriendCache* cacheAtBox = reinterpret_cast<FriendCache*>(1);
};

TEST_F(HostileHostTest, BoxesComeAfterTheWorkSoAHostCallingBackInFindsItDone)
{
    LogIn(DataDir() + "\\missing");  // the book cannot be made: a message
    ReenteringSink host;
    UserNoticeSink* before = SetUserNoticeSink(&host);
    EXPECT_EQ(0, iniFriends());
    SetUserNoticeSink(before);
    EXPECT_EQ(2, host.shown) << "the outer call's box, then the inner call's own";
    EXPECT_EQ(nullptr, host.cacheAtBox) << "no half-built cache is registered while a box is up";
    EXPECT_EQ(0, host.resultInside);
    EXPECT_EQ(nullptr, GetFriendCache());
}

TEST_F(HostileHostTest, AGrowthStepThatWrapsTheByteCountStillGivesARoomyBlock)
{
    ASSERT_EQ(1, iniFriends());
    for (const char* number : {"401", "402", "403"})
        ASSERT_EQ(1, addFriend(number, nullptr));
    for (const char* number : {"401", "402", "403"})
        setFriendState(number, 1);

    for (intptr_t growBy : {static_cast<intptr_t>(SIZE_MAX / sizeof(FriendInfo)) + 1, INTPTR_MAX, intptr_t{1}}) {
        FriendCache list{};
        list.friends.growBy = growBy;
        ASSERT_EQ(3, GetNeedFriendsInfo(&list, 0, 0)) << growBy;
        ASSERT_EQ(3, list.friends.count);
        ASSERT_GE(list.friends.capacity, 3);
        const SIZE_T block = ::HeapSize(::GetProcessHeap(), 0, list.friends.data);
        EXPECT_GE(block / sizeof(FriendInfo), static_cast<SIZE_T>(list.friends.capacity))
            << "the capacity the host reads is really there";
        EXPECT_STREQ("403", list.friends.data[2].mirrun);
        ::HeapFree(::GetProcessHeap(), 0, list.friends.data);
    }
}

TEST_F(HostileHostTest, AnEmptyBookFileIsMadeAnewFromTheTemplate)
{
    WriteFileBytes(DatabasePath(), "");
    ASSERT_EQ(1, iniFriends());
    EXPECT_EQ(1, Count()) << "the service contact of a new book";
    EXPECT_TRUE(TakeSystemMessages().empty());
}

TEST_F(HostileHostTest, AForeignDatabaseIsReportedAndNeverWritten)
{
    const std::string foreign[] = {
        "create table accounts (id integer, owner text);",
        // the tables as views: they read, but cannot take a row
        "create table t1 (ID, userMirrun, name, fatherID); create view tab_group as select * from t1;"
        "create table t2 (ID, groupID, userMirrun, mirrun, name, gender, nickname, address, country, province, city,"
        " postCode, company, department, title, company_phone, home_phone, cell_phone, fax_phone, e_mail, interest,"
        " rem); create view tab_list as select * from t2;",
        // one bound column missing
        "create table tab_group (ID, userMirrun, name, fatherID); create table tab_list (ID, groupID, userMirrun,"
        " mirrun, name, gender, nickname);",
    };
    for (const std::string& schema : foreign) {
        ::DeleteFileA(DatabasePath().c_str());
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(ToSqlitePath(DatabasePath()).c_str(), &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr)) << schema;
        sqlite3_close(db);
        const std::string before = ReadFileBytes(DatabasePath());

        EXPECT_EQ(0, iniFriends()) << schema;
        ExpectOneMessageNaming(DatabasePath());
        EXPECT_EQ(nullptr, GetFriendCache());
        EXPECT_EQ(0, addFriend("5551", nullptr));
        EXPECT_EQ(before, ReadFileBytes(DatabasePath())) << schema;
    }
}

TEST_F(HostileHostTest, ABookCutOffMidPageIsReportedNotHalfLoaded)
{
    StoreContacts(300);
    const std::string whole = ReadFileBytes(DatabasePath());
    const std::string cut = whole.substr(0, whole.size() - 1000);
    WriteFileBytes(DatabasePath(), cut);
    EXPECT_EQ(0, iniFriends());
    ExpectOneMessageNaming(DatabasePath());
    EXPECT_EQ(nullptr, GetFriendCache());
    EXPECT_EQ(cut, ReadFileBytes(DatabasePath())) << "kept for the user to rescue";

    WriteFileBytes(DatabasePath(), whole);
    ASSERT_EQ(1, iniFriends()) << "the whole file still loads";
    EXPECT_EQ(301, Count());
}

TEST_F(HostileHostTest, ALockedBookIsReportedInUseAndTheCacheNeverDisagreesWithIt)
{
    StoreContacts(2);
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(ToSqlitePath(DatabasePath()).c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr));
    EXPECT_EQ(0, iniFriends());
    auto messages = TakeSystemMessages();
    ASSERT_EQ(1u, messages.size());
    // "正被其他程序使用" (in use by another program) in GBK
    EXPECT_NE(std::string::npos, messages[0].find("\xd5\xfd\xb1\xbb\xc6\xe4\xcb\xfb\xb3\xcc\xd0\xf2\xca\xb9\xd3\xc3"));
    EXPECT_NE(std::string::npos, messages[0].find(DatabasePath()));
    EXPECT_EQ(nullptr, GetFriendCache());
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);

    ASSERT_EQ(1, iniFriends());
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr));
    EXPECT_EQ(0, addFriend("5552", nullptr)) << "an add that cannot reach the file";
    EXPECT_EQ(3, Count()) << "is not in the cache either";
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(1, addFriend("5552", nullptr));
    EXPECT_EQ("1", Scalar("select count(*) from tab_list where mirrun='5552'"));
}

TEST_F(HostileHostTest, DataDirectoriesTooLongOrEmptyAreRefusedWithAMessage)
{
    // The longest directory whose book and journal names still fit MAX_PATH.
    std::string dir = DataDir();
    const size_t longest = MAX_PATH - 1 - std::strlen("\\friend.mdb-journal");
    while (dir.size() < longest) {
        const size_t remaining = longest - dir.size();
        size_t segment = std::min<size_t>(40, remaining - 1);
        if (remaining - 1 - segment == 1)
            --segment;  // never leave room for a bare separator
        dir += "\\" + std::string(segment, 'd');
        ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr)) << dir.size();
    }
    ASSERT_EQ(longest, dir.size());
    LogIn(dir);
    ASSERT_EQ(1, iniFriends());
    EXPECT_EQ(1, addFriend("5553", nullptr)) << "writes need the journal beside the book";
    EXPECT_TRUE(TakeSystemMessages().empty());

    const std::string over = dir.substr(0, dir.size() - 1) + "xy";
    ASSERT_TRUE(::CreateDirectoryA(over.c_str(), nullptr));
    LogIn(over);
    EXPECT_EQ(0, iniFriends());
    ExpectOneMessageNaming(over);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((over + "\\friend.new").c_str())) << "no stray copy";

    const bool rootHadBook = ::GetFileAttributesA("\\friend.mdb") != INVALID_FILE_ATTRIBUTES;
    for (const char* blank : {"", "  "}) {
        LogIn(DataDir());
        HostConfig config = Config();
        std::memset(config.dataDir, 0, sizeof config.dataDir);
        std::strcpy(config.dataDir, blank);
        setConfInfo(TEMBRA_CONF_KEY, &config);
        EXPECT_EQ(0, iniFriends());
        EXPECT_EQ(1u, TakeSystemMessages().size());
    }
    EXPECT_EQ(rootHadBook, ::GetFileAttributesA("\\friend.mdb") != INVALID_FILE_ATTRIBUTES)
        << "nothing made at the root of the drive";
}

TEST_F(HostileHostTest, ANumberLongerThanItsFieldIsFoundAgainAsStored)
{
    ASSERT_EQ(1, iniFriends());
    const char* longNumber = "86138000012345678";
    ASSERT_EQ(1, addFriend(longNumber, nullptr));
    TakeNotices();
    EXPECT_EQ(1, addFriend(longNumber, nullptr));
    EXPECT_TRUE(TakeInfoBoxes().empty());
    EXPECT_TRUE(TakeNotices().empty()) << "a contact already there is no change";
    EXPECT_EQ("1", Scalar("select count(*) from tab_list where mirrun='86138000012345'"));
    EXPECT_EQ(2, Count());

    // One character shorter than the field is stored whole and differs.
    ASSERT_EQ(1, addFriend("8613800001234", nullptr));
    EXPECT_EQ(3, Count());
    EXPECT_EQ(0, addFriend("", nullptr));
}

TEST_F(HostileHostTest, PresenceFollowsTheArrayWhateverChangesIt)
{
    StoreContacts(5);
    ASSERT_EQ(1, iniFriends());
    FriendCache* cache = Cache();
    ASSERT_EQ(6, cache->friends.count);
    const std::string first = cache->friends.data[1].mirrun, second = cache->friends.data[2].mirrun;
    ASSERT_EQ(1, setFriendState(first.c_str(), 3));

    // The host swaps two contacts in place: same block, same count.
    std::swap(cache->friends.data[1], cache->friends.data[2]);
    ASSERT_EQ(1, setFriendState(first.c_str(), 4));
    EXPECT_EQ(4, cache->friends.data[2].state);
    EXPECT_EQ(0, cache->friends.data[1].state);
    EXPECT_EQ(4, getFriendState(first.c_str()));

    // The library changes a number in place.
    CFriendDB db;
    db.SetConnectInfo(DatabasePath(), kFriendUser, kFriendPassword);
    FriendInfo renamed = cache->friends.data[1];
    CopyField(renamed.mirrun, "7999999");
    ASSERT_EQ(1, db.ModifyFriend(kTestIdentity, &renamed));
    EXPECT_EQ(1, setFriendState("7999999", 1));
    EXPECT_EQ(0, setFriendState(second.c_str(), 1)) << "the old number is gone";

    // Deleting the first contact moves every other one up.
    FriendInfo gone = cache->friends.data[0];
    ASSERT_EQ(1, db.DeleteFriend(kTestIdentity, &gone));
    EXPECT_EQ(4, getFriendState(first.c_str()));
    EXPECT_EQ(1, getFriendState("7999999"));
    EXPECT_EQ(0, getFriendState(gone.mirrun));
}

TEST(GbkText, CutsAndPathSplitsKeepWholeCharacters)
{
    // "中" four times: a 6-byte field keeps two characters, never a lead byte.
    char field[6];
    CopyField(field, "\xd6\xd0\xd6\xd0\xd6\xd0\xd6\xd0");
    EXPECT_EQ(std::string("\xd6\xd0\xd6\xd0\0\0", 6), std::string(field, 6));
    CopyField(field, "ab\xd6\xd0\xd6\xd0");
    EXPECT_EQ(std::string("ab\xd6\xd0\0\0", 6), std::string(field, 6));

    // Program folders named 運, 誠, 錦 and 乗 end in the byte of a backslash.
    for (const char* name : {"\xdf\x5c", "\xd5\x5c", "\xe5\x5c", "\x81\x5c"}) {
        const std::string folder = std::string("C:\\Program Files\\") + name;
        EXPECT_EQ(folder.size(), LastPathSeparator(folder + "\\host.exe"));
        EXPECT_EQ(16u, LastPathSeparator(folder)) << "the trail byte is no separator";
    }
    EXPECT_EQ(std::string::npos, LastPathSeparator("host.exe"));
}

}  // namespace
