// The exported contact API: the host builds and frees the contact cache,
// lists contacts and online contacts, keeps their presence and adds the
// contacts the network reports.
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/growable_array.h"
#include "core/host_config.h"
#include "core/product.h"
#include "core/records.h"
#include "framework/Wnd.h"
#include "module/module_state.h"
#include "module/provisioning.h"
#include "pelmo.h"
#include "string_ids.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

constexpr char kNotInitialised[] = "主程序未初始化！";
constexpr char kDatabaseUnusable[] = "好友数据库文件无法打开，它已损坏或不是数据库：";
constexpr char kDefaultText[] = "Default";
constexpr WPARAM kNoticeBookChanged = 6;
constexpr UINT WM_MANAGER_REFRESH = WM_USER + 0x66;
constexpr size_t kNameBuffer = 50;

bool IsOnline(const FriendInfo& f) { return f.state != PELMO_STATE_OFFLINE; }

// Frees the cache the record names, if any, and forgets it in `config`.
void DropCache(HostConfig& config) {
    FreeFriendCache(config.friendCache);
    config.friendCache = nullptr;
}

void WriteSlot(char* slot, const char* number) {
    std::memset(slot, 0, PELMO_NUMBER_SLOT);
    std::memcpy(slot, number, strnlen(number, PELMO_NUMBER_SLOT));
}

std::string ResourceString(unsigned id, size_t size) {
    std::vector<char> buffer(size + 1, '\0');
    getGlobalStr(id, buffer.data(), static_cast<int>(size));
    return buffer.data();
}

// A profile text of at most `extent` bytes, which need not end inside it.
std::string ProfileText(const char* field, size_t extent) { return FieldText(field, extent); }

bool IsDefaultText(const std::string& text) { return lstrcmpiA(text.c_str(), kDefaultText) == 0; }

// Copies one of the profile's optional texts: "Default" (any case) means
// "not given" and is emptied in the host's record as well.
template <size_t Extent, size_t Width> void CopyOptional(char (&profileField)[Extent], char (&field)[Width]) {
    std::string text = ProfileText(profileField, Extent);
    if (IsDefaultText(text)) {
        profileField[0] = '\0';
        std::memset(field, 0, Width);
        return;
    }
    CopyField(field, text);
}

// A database that exists but does not open is a foreign or broken file:
// say so once at log-in, and leave the file as it is.
void ReportUnusableDatabase(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES) return;
    ShowSystemMessage((std::string(kDatabaseUnusable) + path).c_str());
}

} // namespace

extern "C" {

int PELMO_API iniFriends(void) {
    HostConfig config;
    if (!ReadHostConfig(&config)) {
        ShowSystemMessage(kNotInitialised);
        return 0;
    }
    DropCache(config);
    FriendCache* cache = NewFriendCache();
    config.friendCache = cache;
    WriteHostConfig(config);
    if (!cache) return 0;

    CFriendDB db;
    db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
    // Provisioning may have put the service contact in: the load brings it
    // back from the file with everything else.
    ArrayRemoveAll(cache->groups);
    ArrayRemoveAll(cache->friends);
    const std::string identity = FieldText(config.identity);
    if (!db.OpenDB(0)) {
        ReportUnusableDatabase(db.m_path);
        return 0;
    }
    if (!db.LoadGroups(identity.c_str(), cache)) return 0;
    if (!db.LoadFriends(identity.c_str(), &cache->friends)) return 0;

    CopyField(config.moduleLabel, ResourceString(IDS_MODULE_LABEL, sizeof config.moduleLabel - 1));
    config.friendCache = cache;
    WriteHostConfig(config);
    return 1;
}

int PELMO_API releaseFriends(void) {
    HostConfig config;
    if (!ReadHostConfig(&config)) return 0;
    if (!config.friendCache) return 1;
    DropCache(config);
    WriteHostConfig(config);
    return 1;
}

int PELMO_API pelmo_getFriends(char* buffer) {
    FriendCache* cache = CurrentFriendCache();
    if (!cache || !ArrayIsSane(cache->friends)) return 0;
    const int count = static_cast<int>(cache->friends.count);
    if (!buffer) return count;
    for (int i = 0; i < count; ++i) WriteSlot(buffer + i * PELMO_NUMBER_SLOT, cache->friends.data[i].mirrun);
    return count;
}

int PELMO_API S_GetOnLineFriends(char* buffer) {
    const std::vector<std::string>& list = module::State().listNumbers;
    const int listed = static_cast<int>(list.size());
    FriendCache* cache = CurrentFriendCache();
    if (!cache || !ArrayIsSane(cache->friends)) return listed;
    int written = 0;
    for (intptr_t i = 0; i < cache->friends.count; ++i) {
        if (!IsOnline(cache->friends.data[i])) continue;
        if (buffer) WriteSlot(buffer + written * PELMO_NUMBER_SLOT, cache->friends.data[i].mirrun);
        ++written;
    }
    if (!buffer) return written + listed;
    for (const std::string& number : list) WriteSlot(buffer + written++ * PELMO_NUMBER_SLOT, number.c_str());
    return written;
}

int PELMO_API GetNeedFriendsInfo(FriendCache* list, int countOnly, int includeService) {
    FriendCache* cache = CurrentFriendCache();
    if (!cache || !ArrayIsSane(cache->friends)) return 0;
    auto wanted = [includeService](const FriendInfo& f) {
        return IsOnline(f) && (includeService || f.groupID != PELMO_GROUP_SERVICE);
    };
    if (countOnly) {
        if (list) return 0;
        int count = 0;
        for (intptr_t i = 0; i < cache->friends.count; ++i) count += wanted(cache->friends.data[i]) ? 1 : 0;
        return count;
    }
    if (!list || !ArrayIsSane(list->friends)) return 0;
    // Copied aside first: the host may hand over the cache itself.
    std::vector<FriendInfo> online;
    for (intptr_t i = 0; i < cache->friends.count; ++i)
        if (wanted(cache->friends.data[i])) online.push_back(cache->friends.data[i]);
    ArrayRemoveAll(list->friends);
    int appended = 0;
    for (const FriendInfo& f : online) {
        if (ArrayAdd(list->friends, f) < 0) break;
        ++appended;
    }
    return appended;
}

int PELMO_API setFriendState(const char* number, int state) {
    if (!number) return 0;
    FriendCache* cache = CurrentFriendCache();
    intptr_t at = FindFriendByNumber(cache, number);
    if (at < 0) return 0;
    cache->friends.data[at].state = state;
    return 1;
}

int PELMO_API getFriendState(const char* number) {
    if (!number) return 0;
    FriendCache* cache = CurrentFriendCache();
    intptr_t at = FindFriendByNumber(cache, number);
    return at < 0 ? 0 : cache->friends.data[at].state;
}

int PELMO_API getFriendNickName(const char* number, char* buffer) {
    if (!number || !buffer) return -1;
    HostConfig config;
    if (!ReadHostConfig(&config)) return -2;
    CopyField(buffer, kNameBuffer, number);
    FriendCache* cache = config.friendCache;
    if (!cache || !ArrayIsSane(cache->friends)) return 0;

    bool matched = false;
    for (intptr_t i = 0; i < cache->friends.count; ++i) {
        const FriendInfo& f = cache->friends.data[i];
        if (!SameNumber(f, number)) continue;
        matched = true;
        if (f.nickname[0])
            CopyField(buffer, kNameBuffer, FieldText(f.nickname));
        else if (f.name[0])
            CopyField(buffer, kNameBuffer, FieldText(f.name));
        if (std::strcmp(number, kServiceNumber) == 0)
            CopyField(buffer, kNameBuffer, ResourceString(IDS_SERVICE_NAME, kNameBuffer - 1));
    }
    if (!matched) {
        const auto& numbers = module::State().listNumbers;
        const auto& names = module::State().listNames;
        if (!numbers.empty() && numbers.size() == names.size()) {
            for (size_t i = 0; i < numbers.size(); ++i) {
                if (numbers[i] != number) continue;
                CopyField(buffer, kNameBuffer, names[i].empty() ? numbers[i] : names[i]);
            }
        }
    }
    return static_cast<int>(strnlen(buffer, kNameBuffer));
}

int PELMO_API addFriend(const char* number, UserProfile* profile) {
    // The pending group is used once, whatever happens next.
    module::SharedState& state = module::State();
    const int pendingGroup = state.targetGroup;
    state.targetGroup = module::kNoTargetGroup;

    CFriendDB db;
    db.SetConnectInfo(PrepareFriendDB(), kFriendUser, kFriendPassword);
    HostConfig config;
    if (!ReadHostConfig(&config) || !config.friendCache || !number) return 0;
    FriendCache* cache = config.friendCache;
    if (!ArrayIsSane(cache->groups) || !ArrayIsSane(cache->friends)) return 0;
    if (FindFriendByNumber(cache, number) >= 0) return 1;

    int group = pendingGroup;
    const std::string defaultGroup = ResourceString(IDS_GROUP_MY_FRIENDS, sizeof(FriendGroup::name) - 1);
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
    CopyField(info.mirrun, number);
    if (!profile) {
        CopyField(info.nickname, number);
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
    if (!db.AddFriendRec(FieldText(config.identity).c_str(), &info, 1, 1, 0)) return 0;

    if (config.notifyWindow)
        ::PostMessageA(static_cast<HWND>(ULongToHandle(config.notifyWindow)), config.notifyMessage, kNoticeBookChanged, 0);
    CWnd* manager = state.managerWindow;
    if (manager && manager->IsWindow())
        ::PostMessageA(manager->GetSafeHwnd(), WM_MANAGER_REFRESH, 0, info.groupID);
    return 1;
}

} // extern "C"
