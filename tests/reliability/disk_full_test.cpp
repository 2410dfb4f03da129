// A disk that fills during a change, at every write the change makes: an
// SQLite file system in front of the real one refuses to let files grow
// after a given number of writes, as a full disk does (overwriting pages in
// place still works, so a rollback can restore them). Each change must then
// fail whole or succeed whole, in the file and the cache alike, and leave a
// book that passes SQLite's integrity check. Runs on any machine; the
// reliability suite also fills a real small file system where it may mount.
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/growable_array.h"
#include "core/provisioning.h"
#include "core/text.h"
#include "core_host.h"

#include <sqlite3.h>

#include <cstring>
#include <functional>
#include <memory>

namespace {

// ---- A file system that fills up ------------------------------------------

sqlite3_vfs* g_real = nullptr;
int g_writesLeft = -1;  // -1: no limit
bool g_refused = false;

struct LimitedFile {
    sqlite3_file base;
    sqlite3_file* real;  // lies right behind this struct
};

sqlite3_file* Real(sqlite3_file* f)
{
    return reinterpret_cast<LimitedFile*>(f)->real;
}

int Write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset)
{
    sqlite3_file* real = Real(f);
    if (g_writesLeft == 0) {
        sqlite3_int64 size = 0;
        real->pMethods->xFileSize(real, &size);
        if (offset + amount > size) {
            g_refused = true;
            return SQLITE_FULL;
        }
    } else if (g_writesLeft > 0) {
        --g_writesLeft;
    }
    return real->pMethods->xWrite(real, data, amount, offset);
}

int Close(sqlite3_file* f)
{
    return Real(f)->pMethods->xClose(Real(f));
}
int Read(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset)
{
    return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size)
{
    return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags)
{
    return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size)
{
    return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level)
{
    return Real(f)->pMethods->xLock(Real(f), level);
}
int Unlock(sqlite3_file* f, int level)
{
    return Real(f)->pMethods->xUnlock(Real(f), level);
}
int CheckReservedLock(sqlite3_file* f, int* out)
{
    return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg)
{
    return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f)
{
    return Real(f)->pMethods->xSectorSize(Real(f));
}
int DeviceCharacteristics(sqlite3_file* f)
{
    return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}

// Version 1: no shared memory, so no write-ahead log either.
const sqlite3_io_methods kLimitedIo = {1,
                                       Close,
                                       Read,
                                       Write,
                                       Truncate,
                                       Sync,
                                       FileSize,
                                       Lock,
                                       Unlock,
                                       CheckReservedLock,
                                       FileControl,
                                       SectorSize,
                                       DeviceCharacteristics};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<LimitedFile*>(f);
    file->base.pMethods = nullptr;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    if (file->real->pMethods)
        file->base.pMethods = &kLimitedIo;
    return rc;
}

// The limited file system, made the default while a test runs.
class FillingDisk {
public:
    FillingDisk()
    {
        g_real = sqlite3_vfs_find(nullptr);
        m_vfs = *g_real;
        m_vfs.iVersion = 1;
        m_vfs.szOsFile = static_cast<int>(sizeof(LimitedFile)) + g_real->szOsFile;
        m_vfs.zName = "filling";
        m_vfs.pAppData = nullptr;
        m_vfs.xOpen = Open;
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~FillingDisk()
    {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(g_real, 1);
    }

private:
    sqlite3_vfs m_vfs;
};

// ---- The changes ------------------------------------------------------------

class DiskFullTest : public CoreHostTest {
protected:
    void SetUp() override
    {
        CoreHostTest::SetUp();
        LogIn();
        ASSERT_EQ(1, iniFriends());
        for (const char* number : {"5550001", "5550002", "5550003"})
            ASSERT_EQ(1, addFriend(number, nullptr));
        FriendGroup empty{};
        CopyField(empty.name, "Empty");
        empty.fatherID = -1;
        CFriendDB db;
        db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
        ASSERT_EQ(1, db.AddGroup(kTestIdentity, &empty, 1));
        m_group = empty;
        FriendGroup full{};
        CopyField(full.name, "Full");
        full.fatherID = -1;
        ASSERT_EQ(1, db.AddGroup(kTestIdentity, &full, 1));
        m_full = full;
        FriendInfo member = *Cached("5550001");
        member.groupID = full.ID;
        ASSERT_EQ(1, db.ModifyFriend(kTestIdentity, &member));
        releaseFriends();
        m_pristine = ReadFileBytes(DatabasePath());
    }

    const FriendInfo* Cached(const char* number)
    {
        const intptr_t at = FindFriendByNumber(GetFriendCache(), number);
        return at < 0 ? nullptr : &GetFriendCache()->friends.data[at];
    }

    // Runs `change` on the pristine book once for every write it makes, the
    // disk full from that write on; `changed` says whether the change is
    // visible (in the cache, then in the book loaded again). Returns how
    // many writes the change needed.
    int FillAtEveryWrite(const std::function<bool()>& change, const std::function<bool()>& changed)
    {
        FillingDisk disk;
        for (int writes = 0; writes < 200; ++writes) {
            releaseFriends();
            WriteFileBytes(DatabasePath(), m_pristine);
            EXPECT_EQ(1, iniFriends());
            g_writesLeft = writes;
            g_refused = false;
            const bool done = change();
            g_writesLeft = -1;
            const bool refused = g_refused;
            EXPECT_EQ(done, changed()) << "the cache, " << writes << " writes";
            EXPECT_EQ("ok", Scalar("pragma integrity_check")) << writes << " writes";
            EXPECT_EQ(std::to_string(GetFriendCache()->friends.count), Scalar("select count(*) from tab_list"))
                << writes << " writes";
            releaseFriends();
            EXPECT_EQ(1, iniFriends());
            EXPECT_EQ(done, changed()) << "the book, " << writes << " writes";
            TakeSystemMessages();
            TakeInfoBoxes();
            if (!refused) {
                EXPECT_TRUE(done) << "a change that met no full disk";
                return writes;
            }
        }
        ADD_FAILURE() << "the change never finished";
        return -1;
    }

    std::string m_pristine;
    FriendGroup m_group{};  // an empty group of the pristine book
    FriendGroup m_full{};   // a group holding 5550001
};

TEST_F(DiskFullTest, AnAddFailsWholeAtEveryWriteItMakes)
{
    const int writes = FillAtEveryWrite([] { return addFriend("5550009", nullptr) == 1; },
                                        [this] { return Cached("5550009") != nullptr; });
    EXPECT_GT(writes, 1) << "a write to the journal and one to the book at least";
}

TEST_F(DiskFullTest, AnEditFailsWholeAtEveryWriteItMakes)
{
    FillAtEveryWrite(
        [this] {
            FriendInfo edited = *Cached("5550002");
            CopyField(edited.name, "Edited");
            CFriendDB db;
            db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
            return db.ModifyFriend(kTestIdentity, &edited) == 1;
        },
        [this] { return FieldText(Cached("5550002")->name) == "Edited"; });
}

TEST_F(DiskFullTest, ADeleteFailsWholeAtEveryWriteItMakes)
{
    FillAtEveryWrite(
        [this] {
            FriendInfo victim = *Cached("5550003");
            CFriendDB db;
            db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
            return db.DeleteFriend(kTestIdentity, &victim) == 1;
        },
        [this] { return Cached("5550003") == nullptr; });
}

TEST_F(DiskFullTest, GroupDeletionsFailWholeAtEveryWriteTheyMake)
{
    const auto gone = [this] { return FindGroupById(GetFriendCache(), m_group.ID) < 0; };
    FillAtEveryWrite(
        [this] {
            CFriendDB db;
            db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
            return db.DeleteGroupRow(kTestIdentity, &m_group) == kGroupDeleted;
        },
        gone);
    FillAtEveryWrite(
        [this] {
            CFriendDB db;
            db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
            return db.RemoveGroup(&m_group) == 1;
        },
        gone);
}

TEST_F(DiskFullTest, GroupsAddedRenamedAndDissolvedFailWholeAtEveryWrite)
{
    const auto named = [this](const char* name) {
        const FriendCache* cache = GetFriendCache();
        for (intptr_t i = 0; i < cache->groups.count; ++i)
            if (FieldText(cache->groups.data[i].name) == name)
                return true;
        return false;
    };
    const auto change = [](const std::function<bool(CFriendDB&)>& step) {
        return [step] {
            CFriendDB db;
            db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
            return step(db);
        };
    };
    FillAtEveryWrite(change([](CFriendDB& db) {
                         FriendGroup added{};
                         CopyField(added.name, "Added");
                         added.fatherID = -1;
                         return db.AddGroup(kTestIdentity, &added, 1) == 1;
                     }),
                     [&] { return named("Added"); });
    FillAtEveryWrite(change([this](CFriendDB& db) {
                         FriendGroup renamed = m_group;
                         CopyField(renamed.name, "Renamed");
                         return db.ModifyGroup(kTestIdentity, &renamed) == 1;
                     }),
                     [&] { return named("Renamed") && !named("Empty"); });
    FillAtEveryWrite(change([this](CFriendDB& db) {
                         return db.DissolveGroupTree(kTestIdentity, &m_full, PELMO_GROUP_NONE) == kGroupDeleted;
                     }),
                     [&] {
                         const bool moved = Cached("5550001")->groupID == PELMO_GROUP_NONE;
                         EXPECT_EQ(moved, !named("Full")) << "the group goes with its contacts moved, or neither";
                         return moved;
                     });
}

TEST_F(DiskFullTest, AnImportFailsWholeAtEveryWriteItMakes)
{
    std::unique_ptr<FriendCache, void (*)(FriendCache*)> file(NewFriendCache(), FreeFriendCache);
    FriendGroup group{};
    group.ID = 7;
    group.fatherID = -1;
    CopyField(group.name, "Imported");
    ArrayAdd(file->groups, group);
    for (const char* number : {"5560001", "5560002", "5560003"}) {
        FriendInfo info{};
        info.groupID = 7;
        CopyField(info.mirrun, number);
        ArrayAdd(file->friends, info);
    }
    FillAtEveryWrite(
        [&] {
            CFriendDB db;
            db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
            return db.OpenDB(0) && db.CopyGroupTrees(kTestIdentity, file.get(), {0}, -1, 1, 0) == 0;
        },
        [this] {
            const bool all = Cached("5560001") && Cached("5560002") && Cached("5560003");
            const bool any = Cached("5560001") || Cached("5560002") || Cached("5560003");
            EXPECT_EQ(all, any) << "all of the import or none";
            return all;
        });
}

}  // namespace
