#include "sample_book.h"

#include "core/friend_cache.h"
#include "core/growable_array.h"
#include "core/host_config.h"
#include "manager/dialog_rules.h"

#include <cstring>

FriendGroup MakeGroup(int id, const char* name, int father)
{
    FriendGroup g;
    std::memset(&g, 0, sizeof g);
    g.ID = id;
    dialogs::CopyText(g.name, sizeof g.name, name);
    g.fatherID = father;
    return g;
}

FriendInfo MakeContact(int id, const char* number, int group)
{
    FriendInfo f;
    std::memset(&f, 0, sizeof f);
    f.ID = id;
    f.groupID = group;
    dialogs::CopyText(f.mirrun, sizeof f.mirrun, number);
    return f;
}

SampleBook::SampleBook() : m_cache(NewFriendCache())
{
    const FriendGroup groups[] = {MakeGroup(0, "同事", -1),    MakeGroup(1, "市场部", 0), MakeGroup(2, "家人", -1),
                                  MakeGroup(3, "隐藏组", -10), MakeGroup(4, "华东区", 1), MakeGroup(5, "同学", -1)};
    for (const auto& g : groups)
        ArrayAdd(m_cache->groups, g);
    const FriendInfo contacts[] = {MakeContact(0, "0571880001", 0), MakeContact(1, "0571880002", -10),
                                   MakeContact(2, "0571880003", -40)};
    for (const auto& f : contacts)
        ArrayAdd(m_cache->friends, f);
    Publish(m_cache);
}

SampleBook::~SampleBook()
{
    Publish(nullptr);
    FreeFriendCache(m_cache);
}

void SampleBook::Publish(FriendCache* cache)
{
    HostConfig config;
    std::memset(&config, 0, sizeof config);
    ReadHostConfig(&config);
    std::strcpy(config.identity, "8613800000002");
    config.friendCache = cache;
    WriteHostConfig(config);
}

void SampleBook::Hide()
{
    Publish(nullptr);
}

void SampleBook::Show()
{
    Publish(m_cache);
}

const FriendGroup& SampleBook::Group(int id) const
{
    return m_cache->groups.data[FindGroupById(m_cache, id)];
}

const FriendInfo& SampleBook::Contact(const std::string& number) const
{
    return m_cache->friends.data[FindFriendByNumber(m_cache, number.c_str())];
}
