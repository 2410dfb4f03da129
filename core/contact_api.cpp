// The exported contact API: the host builds and frees the contact cache,
// lists contacts and online contacts, keeps their presence and adds the
// contacts the network reports.
//
// Every export that may tell the user something holds a NoticeDeferral from
// its first line: the boxes come after the work is done and the record is
// written, so a host that calls back in from a box finds a finished state.
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/growable_array.h"
#include "core/host_config.h"
#include "core/product.h"
#include "core/provisioning.h"
#include "core/records.h"
#include "core/resource_text.h"
#include "core/session_state.h"
#include "core/user_notice.h"
#include "pelmo.h"
#include "string_ids.h"

#include <windows.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr char kNotInitialised[] = "主程序未初始化！";
constexpr char kDatabaseUnusable[] = "好友数据库文件无法打开，它已损坏或不是数据库：";
constexpr char kDatabaseForeign[] = "好友数据库文件不是本程序的通讯录（缺少表或字段），未作任何改动：";
constexpr char kDatabaseInUse[] = "好友数据库文件正被其他程序使用，请稍后再登录：";
constexpr char kDatabaseNoAccess[] = "好友数据库文件无法读写：";
constexpr char kDefaultText[] = "Default";
constexpr size_t kNameBuffer = 50;

bool IsOnline(const FriendInfo& f)
{
    return f.state != PELMO_STATE_OFFLINE;
}

// Frees the cache the record names, if any, and forgets it in `config`.
void DropCache(HostConfig& config)
{
    FreeFriendCache(config.friendCache);
    config.friendCache = nullptr;
}

void WriteSlot(char* slot, const char* number)
{
    std::memset(slot, 0, PELMO_NUMBER_SLOT);
    std::memcpy(slot, number, strnlen(number, PELMO_NUMBER_SLOT));
}

// A profile text of at most `extent` bytes, which need not end inside it.
std::string ProfileText(const char* field, size_t extent)
{
    return FieldText(field, extent);
}

bool IsDefaultText(const std::string& text)
{
    return lstrcmpiA(text.c_str(), kDefaultText) == 0;
}

// Copies one of the profile's optional texts: "Default" (any case) means
// "not given" and is emptied in the host's record as well.
template <size_t Extent, size_t Width>
void CopyOptional(char (&profileField)[Extent], char (&field)[Width])
{
    std::string text = ProfileText(profileField, Extent);
    if (IsDefaultText(text)) {
        profileField[0] = '\0';
        std::memset(field, 0, Width);
        return;
    }
    CopyField(field, text);
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Says why the book could not be loaded. An empty path means provisioning
// found nothing to open and has said why already; so has it when the file
// could not be made.
void ReportLoadFailure(const CFriendDB& db)
{
    const std::string& path = db.m_path;
    if (path.empty())
        return;
    switch (db.LastFailure()) {
    case DbFailure::kInUse:
        TellSystemMessage(kDatabaseInUse + path);
        return;
    case DbFailure::kForeign:
        TellSystemMessage(kDatabaseForeign + path);
        return;
    case DbFailure::kUnreadable:
        if (FileExists(path))
            TellSystemMessage(kDatabaseNoAccess + path);
        return;
    default:
        TellSystemMessage(kDatabaseUnusable + path);
        return;
    }
}

// Takes `cache` out of the record again, when the record still names it.
void Unregister(FriendCache* cache)
{
    HostConfig config;
    if (!ReadHostConfig(&config) || config.friendCache != cache)
        return;
    DropCache(config);
    WriteHostConfig(config);
}

}  // namespace

extern "C" {

int PELMO_API iniFriends(void)
{
    NoticeDeferral deferral;
    HostConfig config;
    if (!ReadHostConfig(&config)) {
        TellSystemMessage(kNotInitialised);
        return 0;
    }
    DropCache(config);
    FriendCache* cache = NewFriendCache();
    config.friendCache = cache;
    WriteHostConfig(config);
    if (!cache)
        return 0;

    CFriendDB db;
    db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
    // Provisioning may have put the service contact in: the load brings it
    // back from the file with everything else.
    ArrayRemoveAll(cache->groups);
    ArrayRemoveAll(cache->friends);
    const std::string identity = FieldText(config.identity);
    if (!db.OpenDB(0) || !db.LoadGroups(identity.c_str(), cache) ||
        !db.LoadFriends(identity.c_str(), &cache->friends)) {
        // No cache rather than one that lacks what the file holds: additions
        // to it would leave the two disagreeing.
        ReportLoadFailure(db);
        Unregister(cache);
        return 0;
    }

    CopyField(config.moduleLabel, resources::String(IDS_MODULE_LABEL, sizeof config.moduleLabel - 1));
    config.friendCache = cache;
    WriteHostConfig(config);
    return 1;
}

int PELMO_API releaseFriends(void)
{
    HostConfig config;
    if (!ReadHostConfig(&config))
        return 0;
    if (!config.friendCache)
        return 1;
    DropCache(config);
    WriteHostConfig(config);
    return 1;
}

int PELMO_API pelmo_getFriends(char* buffer)
{
    FriendCache* cache = CurrentFriendCache();
    if (!cache || !ArrayIsSane(cache->friends))
        return 0;
    const int count = static_cast<int>(cache->friends.count);
    if (!buffer)
        return count;
    for (int i = 0; i < count; ++i)
        WriteSlot(buffer + i * PELMO_NUMBER_SLOT, cache->friends.data[i].mirrun);
    return count;
}

int PELMO_API S_GetOnLineFriends(char* buffer)
{
    const std::vector<std::string>& list = session::Current().onlineList.numbers;
    const int listed = static_cast<int>(list.size());
    FriendCache* cache = CurrentFriendCache();
    if (!cache || !ArrayIsSane(cache->friends))
        return listed;
    int written = 0;
    for (intptr_t i = 0; i < cache->friends.count; ++i) {
        if (!IsOnline(cache->friends.data[i]))
            continue;
        if (buffer)
            WriteSlot(buffer + written * PELMO_NUMBER_SLOT, cache->friends.data[i].mirrun);
        ++written;
    }
    if (!buffer)
        return written + listed;
    for (const std::string& number : list)
        WriteSlot(buffer + written++ * PELMO_NUMBER_SLOT, number.c_str());
    return written;
}

int PELMO_API GetNeedFriendsInfo(FriendCache* list, int countOnly, int includeService)
{
    FriendCache* cache = CurrentFriendCache();
    if (!cache || !ArrayIsSane(cache->friends))
        return 0;
    auto wanted = [includeService](const FriendInfo& f) {
        return IsOnline(f) && (includeService || f.groupID != PELMO_GROUP_SERVICE);
    };
    if (countOnly) {
        if (list)
            return 0;
        int count = 0;
        for (intptr_t i = 0; i < cache->friends.count; ++i)
            count += wanted(cache->friends.data[i]) ? 1 : 0;
        return count;
    }
    // A block the host did not take from the process heap cannot be grown
    // or freed there: refused, the host's array untouched.
    if (!list || !ArrayIsSane(list->friends) || (list->friends.data && !IsSharedBlock(list->friends.data)))
        return 0;
    // Copied aside first: the host may hand over the cache itself.
    std::vector<FriendInfo> online;
    for (intptr_t i = 0; i < cache->friends.count; ++i)
        if (wanted(cache->friends.data[i]))
            online.push_back(cache->friends.data[i]);
    ArrayRemoveAll(list->friends);
    // All at once: the capacity ends where single appends would take it,
    // without a reallocation per step of the host's growth rule.
    if (!ArrayAppendMany(list->friends, online.data(), static_cast<intptr_t>(online.size())))
        return 0;
    return static_cast<int>(online.size());
}

int PELMO_API setFriendState(const char* number, int state)
{
    FriendCache* cache = CurrentFriendCache();
    intptr_t at = FindFriendByNumber(cache, number);
    if (at < 0)
        return 0;
    cache->friends.data[at].state = state;
    return 1;
}

int PELMO_API getFriendState(const char* number)
{
    FriendCache* cache = CurrentFriendCache();
    intptr_t at = FindFriendByNumber(cache, number);
    return at < 0 ? 0 : cache->friends.data[at].state;
}

int PELMO_API getFriendNickName(const char* number, char* buffer)
{
    if (!number || !buffer)
        return -1;
    HostConfig config;
    if (!ReadHostConfig(&config))
        return -2;
    CopyField(buffer, kNameBuffer, number);
    FriendCache* cache = config.friendCache;
    if (!cache || !ArrayIsSane(cache->friends))
        return 0;

    const std::vector<intptr_t> matches = FindFriendsByNumber(cache, number);
    for (intptr_t at : matches) {
        const FriendInfo& f = cache->friends.data[at];
        if (f.nickname[0])
            CopyField(buffer, kNameBuffer, FieldText(f.nickname));
        else if (f.name[0])
            CopyField(buffer, kNameBuffer, FieldText(f.name));
        if (std::strcmp(number, kServiceNumber) == 0)
            CopyField(buffer, kNameBuffer, resources::String(IDS_SERVICE_NAME, kNameBuffer - 1));
    }
    if (matches.empty()) {
        const session::OnlineList& list = session::Current().onlineList;
        if (!list.numbers.empty() && list.numbers.size() == list.names.size()) {
            for (size_t i = 0; i < list.numbers.size(); ++i) {
                if (list.numbers[i] != number)
                    continue;
                CopyField(buffer, kNameBuffer, list.names[i].empty() ? list.numbers[i] : list.names[i]);
            }
        }
    }
    return static_cast<int>(strnlen(buffer, kNameBuffer));
}

int PELMO_API addFriend(const char* number, UserProfile* profile)
{
    NoticeDeferral deferral;
    // The pending group is used once, whatever happens next.
    session::State& state = session::Current();
    const int pendingGroup = std::exchange(state.targetGroup, session::kNoTargetGroup);

    CFriendDB db;
    db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
    HostConfig config;
    if (!ReadHostConfig(&config) || !config.friendCache || !number)
        return 0;
    FriendCache* cache = config.friendCache;
    if (!ArrayIsSane(cache->groups) || !ArrayIsSane(cache->friends))
        return 0;
    // The number as the record keeps it: a longer one is cut when stored,
    // and must be found again as cut.
    const std::string stored = AsStored(number, sizeof(FriendInfo::mirrun));
    if (stored.empty())
        return 0;
    if (FindFriendByNumber(cache, stored.c_str()) >= 0)
        return 1;

    int group = pendingGroup;
    const std::string defaultGroup = resources::String(IDS_GROUP_MY_FRIENDS, sizeof(FriendGroup::name) - 1);
    if (!defaultGroup.empty()) {
        for (intptr_t i = 0; i < cache->groups.count; ++i) {
            if (FieldText(cache->groups.data[i].name) == defaultGroup) {
                group = cache->groups.data[i].ID;
                break;
            }
        }
    }

    FriendInfo info{};
    info.groupID = group;
    CopyField(info.mirrun, stored);
    if (!profile) {
        CopyField(info.nickname, stored);
    } else {
        CopyField(info.name, ProfileText(profile->name, sizeof profile->name));
        info.gender = profile->gender;
        CopyField(info.nickname, ProfileText(profile->nickname, sizeof profile->nickname));
        CopyOptional(profile->address, info.address);
        CopyOptional(profile->country, info.country);
        CopyOptional(profile->province, info.province);
        CopyOptional(profile->city, info.city);
        CopyOptional(profile->postCode, info.postCode);
        CopyOptional(profile->company, info.company);
        CopyOptional(profile->department, info.department);
        CopyOptional(profile->title, info.title);
        CopyOptional(profile->office_phone, info.company_phone);
        CopyOptional(profile->home_phone, info.home_phone);
        CopyOptional(profile->cell_phone, info.cell_phone);
        CopyOptional(profile->fax, info.fax_phone);
        CopyOptional(profile->e_mail, info.e_mail);
        CopyOptional(profile->interests, info.interest);
    }
    if (!db.AddFriendRec(FieldText(config.identity).c_str(), &info, 1, 1, 0))
        return 0;

    if (config.notifyWindow)
        ::PostMessageA(static_cast<HWND>(ULongToHandle(config.notifyWindow)), config.notifyMessage,
                       PELMO_NOTICE_BOOK_CHANGED, 0);
    HWND manager = state.managerWindow;
    if (manager && ::IsWindow(manager))
        ::PostMessageA(manager, PELMO_WM_MANAGER_REFRESH, 0, info.groupID);
    return 1;
}

}  // extern "C"
