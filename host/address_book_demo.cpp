#include "host/address_book_demo.h"

#include "history_lib.h"
#include "pelmo.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kSampleIdentity[] = "8613800001111";

void DispatchPending(HWND window)
{
    MSG msg;
    while (::PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
}

std::vector<std::string> Slots(const std::vector<char>& buffer, int count)
{
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.emplace_back(&buffer[static_cast<size_t>(i) * PELMO_NUMBER_SLOT],
                         strnlen(&buffer[static_cast<size_t>(i) * PELMO_NUMBER_SLOT], PELMO_NUMBER_SLOT));
    return out;
}

void SeedHistory(FILE* log)
{
    struct Sample {
        const char* type;
        const char* group;
        const char* status;
        const char* partyA;
        const char* partyB;
        const char* content;
        const char* detail;
    } samples[] = {
        {"text", "2024-05", "未读", "13900002222", kSampleIdentity, "<BODY>晚上一起吃饭吗？</BODY>", "05-12 18:20"},
        {"text", "2024-05", "已发", kSampleIdentity, "13900002222", "<BODY>好的，七点见。</BODY>", "05-12 18:25"},
        {"text", "2024-06", "已读", "13700004444", kSampleIdentity, "<BODY>Meeting moved to Friday.</BODY>",
         "06-03 09:10"},
        {"tel", "2024-06", "", "13900002222", kSampleIdentity, "", "00:03:12"},
        {"tel", "2024-06", "", kSampleIdentity, "13600005555", "", "00:00:45"},
    };
    clearHistStore();
    for (const Sample& s : samples) {
        HistRecord r{};
        std::strncpy(r.owner, kSampleIdentity, sizeof r.owner - 1);
        std::strncpy(r.type, s.type, sizeof r.type - 1);
        std::strncpy(r.group, s.group, sizeof r.group - 1);
        std::strncpy(r.status, s.status, sizeof r.status - 1);
        std::strncpy(r.detail, s.detail, sizeof r.detail - 1);
        std::strncpy(r.info, s.type, sizeof r.info - 1);
        r.partyA = const_cast<char*>(s.partyA);
        r.partyB = const_cast<char*>(s.partyB);
        r.content = const_cast<char*>(s.content);
        addOneHist(&r);
    }
    std::fprintf(log, "history: %u sample entries stored\n", static_cast<unsigned>(sizeof samples / sizeof samples[0]));
}

}  // namespace

void RunAddressBookDemo(HWND notifyWindow, UINT notifyMessage, const char* dataDir, FILE* log)
{
    std::string dir;
    if (dataDir) {
        dir = dataDir;
    } else {
        char current[MAX_PATH] = {};
        ::GetCurrentDirectoryA(sizeof current, current);
        dir = std::string(current) + "\\demo-user";
        ::CreateDirectoryA(dir.c_str(), nullptr);
        ::DeleteFileA((dir + "\\friend.mdb").c_str());
    }

    HostConfig config;
    if (getConfInfo(TEMBRA_CONF_KEY, &config) < 0)
        std::memset(&config, 0, sizeof config);
    config.notifyWindow = HandleToULong(notifyWindow);
    config.notifyMessage = static_cast<unsigned short>(notifyMessage);
    std::memset(config.identity, 0, sizeof config.identity);
    std::strncpy(config.identity, kSampleIdentity, sizeof config.identity - 1);
    std::memset(config.dataDir, 0, sizeof config.dataDir);
    std::strncpy(config.dataDir, dir.c_str(), sizeof config.dataDir - 1);
    setConfInfo(TEMBRA_CONF_KEY, &config);
    std::fprintf(log, "log-in: user %s, data in %s\n", kSampleIdentity, dir.c_str());
    SeedHistory(log);

    std::fprintf(log, "iniFriends -> %d\n", iniFriends());
    FriendCache* cache = GetFriendCache();
    std::fprintf(log, "cache at HostConfig.friendCache: %d groups, %d contacts\n",
                 cache ? static_cast<int>(cache->groups.count) : -1,
                 cache ? static_cast<int>(cache->friends.count) : -1);

    std::fprintf(log, "addFriend(13900002222, no profile) -> %d\n", addFriend("13900002222", nullptr));
    DispatchPending(notifyWindow);

    UserProfile profile{};
    profile.gender = 2;
    std::strcpy(profile.name, "王小梅");
    std::strcpy(profile.nickname, "小梅");
    std::strcpy(profile.city, "杭州");
    std::strcpy(profile.company, "Default");
    std::strcpy(profile.e_mail, "xiaomei@example.org");
    std::fprintf(log, "addFriend(13700004444, profile) -> %d (profile company now \"%s\")\n",
                 addFriend("13700004444", &profile), profile.company);
    DispatchPending(notifyWindow);
    std::fprintf(log, "addFriend(13700004444) again -> %d\n", addFriend("13700004444", nullptr));
    DispatchPending(notifyWindow);

    std::fprintf(log, "setFriendState(13700004444, 1) -> %d\n", setFriendState("13700004444", 1));
    std::fprintf(log, "setFriendState(19999999999, 1) -> %d\n", setFriendState("19999999999", 1));

    int count = pelmo_getFriends(nullptr);
    std::vector<char> buffer(static_cast<size_t>(count) * PELMO_NUMBER_SLOT + 1, '\0');
    pelmo_getFriends(buffer.data());
    std::fprintf(log, "contacts (%d):\n", count);
    for (const std::string& number : Slots(buffer, count)) {
        char name[50];
        getFriendNickName(number.c_str(), name);
        std::fprintf(log, "  %-15s %-20s state %d\n", number.c_str(), name, getFriendState(number.c_str()));
    }

    int online = S_GetOnLineFriends(nullptr);
    std::vector<char> onlineBuffer(static_cast<size_t>(online) * PELMO_NUMBER_SLOT + 1, '\0');
    S_GetOnLineFriends(onlineBuffer.data());
    std::fprintf(log, "online numbers (%d):", online);
    for (const std::string& number : Slots(onlineBuffer, online))
        std::fprintf(log, " %s", number.c_str());
    std::fprintf(log, "\nGetNeedFriendsInfo(count, without service) -> %d\n", GetNeedFriendsInfo(nullptr, 1, 0));

    cache = GetFriendCache();
    if (cache) {
        std::fprintf(log, "cache read in place:\n");
        for (intptr_t i = 0; i < cache->friends.count; ++i) {
            const FriendInfo& f = cache->friends.data[i];
            std::fprintf(log, "  [%d] id %d group %d %s \"%s\" state %d\n", static_cast<int>(i), f.ID, f.groupID,
                         f.mirrun, f.nickname, f.state);
        }
    }
    std::fflush(log);
}
