// The address book as a host program sees it: pelmo.dll loaded by name, its
// exports found with GetProcAddress, and the configuration record, the cache
// and its growable arrays read as bytes at the offsets the host was built
// with. Nothing here uses the library's structs, so a field that the library
// writes or reads at another place than the host fails, and so does a
// pointer, count or allocator of the wrong width in the running build.
#include "history_lib.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Byte offsets and sizes of the records as the host lays them out.
struct HostLayout {
    size_t word;  // pointers and the arrays' counts
    size_t configSize, configCache, configDataDir, configModuleLabel;
    size_t arrayData, arrayCount, arrayCapacity, arrayGrowBy;
    size_t cacheFriends, cacheSize;
};
#if defined(_WIN64)
constexpr HostLayout k{8, 6488, 24, 32, 1407, 8, 16, 24, 32, 40, 80};
#else
// The client itself: a 32-bit program.
constexpr HostLayout k{4, 6484, 24, 28, 1403, 4, 8, 12, 16, 20, 40};
#endif
static_assert(sizeof(void*) == k.word, "the layout table of the other build");

// Same in both builds.
constexpr size_t kGroupSize = 60, kGroupName = 4, kGroupFather = 56;
constexpr size_t kInfoSize = 1036, kInfoGroup = 4, kInfoMirrun = 8, kInfoName = 23, kInfoGender = 56,
                 kInfoNickname = 60, kInfoCountry = 365, kInfoCity = 417, kInfoCompany = 457, kInfoDepartment = 507,
                 kInfoEmail = 727, kInfoInterest = 777, kInfoState = 1032;
constexpr size_t kProfileGender = 0, kProfileNickname = 19, kProfileCountry = 54, kProfileCity = 114,
                 kProfileEmail = 254, kProfileName = 394, kProfileCompany = 444, kProfileDepartment = 474,
                 kProfileSize = 524;
constexpr size_t kSlot = 15;

constexpr char kIdentity[] = "8613800000042";

using IntFn = int(__cdecl*)();
using NumberFn = int(__cdecl*)(char*);
using SetStateFn = int(__cdecl*)(const char*, int);
using GetStateFn = int(__cdecl*)(const char*);
using AddFriendFn = int(__cdecl*)(const char*, void*);
using NeedInfoFn = int(__cdecl*)(void*, int, int);
using CacheFn = void*(__cdecl*)();

uintptr_t Word(const unsigned char* p, size_t off)
{
    uintptr_t v = 0;
    std::memcpy(&v, p + off, k.word);
    return v;
}
void PutWord(unsigned char* p, size_t off, uintptr_t v)
{
    std::memcpy(p + off, &v, k.word);
}
int32_t Int(const unsigned char* p, size_t off)
{
    int32_t v;
    std::memcpy(&v, p + off, 4);
    return v;
}
const unsigned char* Bytes(uintptr_t address)
{
    return reinterpret_cast<const unsigned char*>(address);
}
std::string Text(const unsigned char* p, size_t off, size_t width)
{
    const char* s = reinterpret_cast<const char*>(p + off);
    return std::string(s, strnlen(s, width));
}

// The heap block behind an array's data must be the process heap's and hold
// `capacity` elements: the host grows and frees it there.
void ExpectProcessHeapBlock(uintptr_t data, size_t capacity, size_t elementSize)
{
    ASSERT_NE(0u, data);
    void* block = reinterpret_cast<void*>(data);
    ASSERT_TRUE(::HeapValidate(::GetProcessHeap(), 0, block)) << "not a process-heap block";
    EXPECT_GE(::HeapSize(::GetProcessHeap(), 0, block), capacity * elementSize);
}

void Sql(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr));
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(SQLITE_OK, rc) << (error ? error : "") << " in: " << sql;
    sqlite3_free(error);
    sqlite3_close(db);
}

std::string Number(int i)
{
    return "86139" + std::to_string(10000000 + i);
}

class HostView : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_pelmo = ::LoadLibraryA("pelmo.dll");
        ASSERT_NE(nullptr, s_pelmo) << "error " << ::GetLastError();
    }
    static void TearDownTestSuite() { ::FreeLibrary(s_pelmo); }

    template <class Fn>
    static Fn Export(const char* name)
    {
        auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(s_pelmo, name)));
        EXPECT_NE(nullptr, reinterpret_cast<void*>(fn)) << name;
        return fn;
    }

    void SetUp() override
    {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        m_dir = std::string(temp) + "pelmo-hostview-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        m_notify = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_notify);

        // The host's record: every byte it owns is set, so any the library
        // touches beyond the cache pointer and the module label shows.
        m_record.assign(k.configSize, 0x5A);
        const uint32_t window = HandleToULong(m_notify);
        std::memcpy(&m_record[0], &window, 4);
        const uint16_t message = WM_APP + 7;
        std::memcpy(&m_record[4], &message, 2);
        std::memset(&m_record[6], 0, 18);
        std::memcpy(&m_record[6], kIdentity, sizeof kIdentity);
        PutWord(m_record.data(), k.configCache, 0);
        std::memset(&m_record[k.configDataDir], 0, 1375);
        std::memcpy(&m_record[k.configDataDir], m_dir.c_str(), m_dir.size());
        ASSERT_EQ(0, setConfInfo(TEMBRA_CONF_KEY, m_record.data()));
    }

    void TearDown() override
    {
        Export<IntFn>("releaseFriends")();
        clearConfInfo(TEMBRA_CONF_KEY);
        ::DestroyWindow(m_notify);
        ::DeleteFileA((m_dir + "\\friend.mdb").c_str());
        ::RemoveDirectoryA(m_dir.c_str());
    }

    // The record as the history library hands it back, checked to be no
    // longer than the host's.
    std::vector<unsigned char> Record()
    {
        std::vector<unsigned char> out(k.configSize + 32, 0xEE);
        EXPECT_GE(getConfInfo(TEMBRA_CONF_KEY, out.data()), 0);
        for (size_t i = k.configSize; i < out.size(); ++i)
            if (out[i] != 0xEE) {
                ADD_FAILURE() << "the record is copied beyond the host's " << k.configSize << " bytes";
                break;
            }
        out.resize(k.configSize);
        return out;
    }

    // A provisioned book holding `groups` groups and `contacts` contacts
    // spread over them; row i has texts derived from i.
    void MakeBook(int groups, int contacts)
    {
        ASSERT_EQ(1, Export<IntFn>("iniFriends")()) << "provisioning from the template";
        ASSERT_EQ(1, Export<IntFn>("releaseFriends")());
        // Only these rows: the template's own contact would sit among them.
        std::string sql = "BEGIN;DELETE FROM tab_list;DELETE FROM tab_group;";
        for (int g = 0; g < groups; ++g)
            sql += "INSERT INTO tab_group VALUES(" + std::to_string(g) + ",'" + kIdentity + "','group " +
                   std::to_string(g) + "'," + std::to_string(g == 0 ? -1 : g - 1) + ");";
        for (int i = 0; i < contacts; ++i) {
            const std::string n = std::to_string(i);
            sql += "INSERT INTO tab_list VALUES(" + n + "," + std::to_string(i % groups) + ",'" + kIdentity + "','" +
                   Number(i) + "','name " + n + "'," + std::to_string(1 + i % 2) + ",'nick " + n +
                   "','addr','cn','prov','city " + n + "','100000','company " + n +
                   "','dept','title','1','2','3','4','e" + n + "@x','interest " + n + "','');";
        }
        Sql(m_dir + "\\friend.mdb", sql + "COMMIT;");
        ASSERT_EQ(1, Export<IntFn>("iniFriends")());
    }

    static HMODULE s_pelmo;
    std::string m_dir;
    HWND m_notify = nullptr;
    std::vector<unsigned char> m_record;
};
HMODULE HostView::s_pelmo = nullptr;

TEST_F(HostView, RecordNamesTheCacheAndKeepsEveryHostByte)
{
    ASSERT_EQ(1, Export<IntFn>("iniFriends")());
    const std::vector<unsigned char> after = Record();
    const uintptr_t cache = Word(after.data(), k.configCache);
    EXPECT_NE(0u, cache);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(Export<CacheFn>("GetFriendCache")()), cache);
    // Before the pointer, and from its end to the module label: the host's.
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + k.configCache, m_record.begin()));
    EXPECT_TRUE(std::equal(after.begin() + k.configCache + k.word, after.begin() + k.configModuleLabel,
                           m_record.begin() + k.configCache + k.word))
        << "dataDir changed";
    EXPECT_TRUE(
        std::equal(after.begin() + k.configModuleLabel + 50, after.end(), m_record.begin() + k.configModuleLabel + 50))
        << "the host's reserved bytes changed";

    ASSERT_EQ(1, Export<IntFn>("releaseFriends")());
    EXPECT_EQ(0u, Word(Record().data(), k.configCache));
    EXPECT_EQ(nullptr, Export<CacheFn>("GetFriendCache")());
}

TEST_F(HostView, CacheArraysReadInPlace)
{
    constexpr int kGroups = 3, kContacts = 300;
    MakeBook(kGroups, kContacts);
    const unsigned char* cache = Bytes(Word(Record().data(), k.configCache));
    ASSERT_NE(nullptr, cache);

    const unsigned char* groups = cache;
    ASSERT_EQ(static_cast<uintptr_t>(kGroups), Word(groups, k.arrayCount));
    ASSERT_GE(Word(groups, k.arrayCapacity), Word(groups, k.arrayCount));
    ExpectProcessHeapBlock(Word(groups, k.arrayData), Word(groups, k.arrayCapacity), kGroupSize);
    std::set<int> groupIds;
    for (int i = 0; i < kGroups; ++i) {
        const unsigned char* g = Bytes(Word(groups, k.arrayData)) + i * kGroupSize;
        const int id = Int(g, 0);
        groupIds.insert(id);
        EXPECT_EQ("group " + std::to_string(id), Text(g, kGroupName, 50));
        EXPECT_EQ(id == 0 ? -1 : id - 1, Int(g, kGroupFather));
    }
    EXPECT_EQ((std::set<int>{0, 1, 2}), groupIds);

    const unsigned char* friends = cache + k.cacheFriends;
    ASSERT_EQ(static_cast<uintptr_t>(kContacts), Word(friends, k.arrayCount));
    ASSERT_GE(Word(friends, k.arrayCapacity), Word(friends, k.arrayCount));
    EXPECT_LE(static_cast<intptr_t>(Word(friends, k.arrayGrowBy)), 1024);
    ExpectProcessHeapBlock(Word(friends, k.arrayData), Word(friends, k.arrayCapacity), kInfoSize);
    EXPECT_EQ(kContacts, Export<NumberFn>("pelmo_getFriends")(nullptr));

    const unsigned char* data = Bytes(Word(friends, k.arrayData));
    std::set<int> seen;
    for (int i = 0; i < kContacts; ++i) {
        const unsigned char* f = data + i * kInfoSize;
        const int id = Int(f, 0);
        const std::string n = std::to_string(id);
        ASSERT_TRUE(seen.insert(id).second) << "element " << i;
        EXPECT_EQ(id % kGroups, Int(f, kInfoGroup));
        EXPECT_EQ(Number(id), Text(f, kInfoMirrun, 15));
        EXPECT_EQ("name " + n, Text(f, kInfoName, 32));
        EXPECT_EQ(1 + id % 2, Int(f, kInfoGender));
        EXPECT_EQ("nick " + n, Text(f, kInfoNickname, 50));
        EXPECT_EQ("city " + n, Text(f, kInfoCity, 20));
        EXPECT_EQ("company " + n, Text(f, kInfoCompany, 50));
        EXPECT_EQ("e" + n + "@x", Text(f, kInfoEmail, 50));
        EXPECT_EQ("interest " + n, Text(f, kInfoInterest, 255));
        EXPECT_EQ(0, Int(f, kInfoState));
    }

    // Presence lands in the element's own state field and nowhere else.
    const int target = 257;
    const std::string number = Text(data + target * kInfoSize, kInfoMirrun, 15);
    ASSERT_EQ(1, Export<SetStateFn>("setFriendState")(number.c_str(), 2));
    for (int i = 0; i < kContacts; ++i)
        EXPECT_EQ(i == target ? 2 : 0, Int(data + i * kInfoSize, kInfoState)) << "element " << i;
    EXPECT_EQ(2, Export<GetStateFn>("getFriendState")(number.c_str()));

    // Number slots follow the array's order, 15 bytes each, nothing beyond.
    std::vector<char> slots(kContacts * kSlot + 16, '#');
    ASSERT_EQ(kContacts, Export<NumberFn>("pelmo_getFriends")(slots.data()));
    for (int i = 0; i < kContacts; ++i)
        EXPECT_EQ(Text(data + i * kInfoSize, kInfoMirrun, 15),
                  Text(reinterpret_cast<unsigned char*>(slots.data()), i * kSlot, kSlot));
    EXPECT_EQ(std::string(16, '#'), std::string(slots.end() - 16, slots.end()));
}

TEST_F(HostView, AddFriendReadsTheHostsProfile)
{
    ASSERT_EQ(1, Export<IntFn>("iniFriends")());
    const uintptr_t before = Word(Bytes(Word(Record().data(), k.configCache)) + k.cacheFriends, k.arrayCount);
    unsigned char profile[kProfileSize] = {};
    const int32_t gender = 2;
    std::memcpy(profile + kProfileGender, &gender, 4);
    auto put = [&](size_t off, const char* text) { std::memcpy(profile + off, text, std::strlen(text)); };
    put(kProfileNickname, "Lily");
    put(kProfileName, "Li Li");
    put(kProfileCity, "Hangzhou");
    put(kProfileCountry, "Default");
    put(kProfileEmail, "lily@x");
    put(kProfileCompany, "ACME");
    put(kProfileDepartment, "Radio");
    ASSERT_EQ(1, Export<AddFriendFn>("addFriend")("8613912345678", profile));

    const unsigned char* friends = Bytes(Word(Record().data(), k.configCache)) + k.cacheFriends;
    ASSERT_EQ(before + 1, Word(friends, k.arrayCount));
    const unsigned char* f = Bytes(Word(friends, k.arrayData)) + before * kInfoSize;
    EXPECT_EQ("8613912345678", Text(f, kInfoMirrun, 15)) << "appended at the end";
    EXPECT_EQ(2, Int(f, kInfoGender));
    EXPECT_EQ("Lily", Text(f, kInfoNickname, 50));
    EXPECT_EQ("Li Li", Text(f, kInfoName, 32));
    EXPECT_EQ("Hangzhou", Text(f, kInfoCity, 20));
    EXPECT_EQ("", Text(f, kInfoCountry, 32));
    EXPECT_EQ("", Text(profile, kProfileCountry, 30)) << "\"Default\" is emptied in the host's record";
    EXPECT_EQ("lily@x", Text(f, kInfoEmail, 50));
    EXPECT_EQ("ACME", Text(f, kInfoCompany, 50));
    EXPECT_EQ("Radio", Text(f, kInfoDepartment, 50));
}

TEST_F(HostView, OnlineListGrowsTheHostsArrayOnTheProcessHeap)
{
    MakeBook(2, 300);
    std::set<std::string> online;
    for (int i = 3; i < 300; i += 7) {
        ASSERT_EQ(1, Export<SetStateFn>("setFriendState")(Number(i).c_str(), 1));
        online.insert(Number(i));
    }

    // The host's list: its own group part, and a friends block of one
    // element from the process heap, which the library must grow there.
    std::vector<unsigned char> list(k.cacheSize, 0x77);
    unsigned char* friends = list.data() + k.cacheFriends;
    void* block = ::HeapAlloc(::GetProcessHeap(), 0, kInfoSize);
    ASSERT_NE(nullptr, block);
    PutWord(friends, 0, 0);
    PutWord(friends, k.arrayData, reinterpret_cast<uintptr_t>(block));
    PutWord(friends, k.arrayCount, 1);
    PutWord(friends, k.arrayCapacity, 1);
    PutWord(friends, k.arrayGrowBy, 0);

    ASSERT_EQ(static_cast<int>(online.size()), Export<NeedInfoFn>("GetNeedFriendsInfo")(list.data(), 0, 1));
    EXPECT_EQ(std::vector<unsigned char>(k.cacheFriends, 0x77),
              std::vector<unsigned char>(list.begin(), list.begin() + k.cacheFriends))
        << "the group part is the host's";
    ASSERT_EQ(online.size(), Word(friends, k.arrayCount));
    ASSERT_GE(Word(friends, k.arrayCapacity), online.size());
    ExpectProcessHeapBlock(Word(friends, k.arrayData), Word(friends, k.arrayCapacity), kInfoSize);
    std::set<std::string> listed;
    for (size_t i = 0; i < online.size(); ++i) {
        const unsigned char* f = Bytes(Word(friends, k.arrayData)) + i * kInfoSize;
        listed.insert(Text(f, kInfoMirrun, 15));
        EXPECT_EQ(1, Int(f, kInfoState));
    }
    EXPECT_EQ(online, listed);
    EXPECT_TRUE(::HeapFree(::GetProcessHeap(), 0, reinterpret_cast<void*>(Word(friends, k.arrayData))));
}

}  // namespace
