#include "core/friend_cache.h"

#include "core/growable_array.h"
#include "core/records.h"

FriendCache* NewFriendCache() {
    auto* cache = static_cast<FriendCache*>(SharedAlloc(sizeof(FriendCache)));
    if (!cache) return nullptr;
    InitGroupArray(cache->groups);
    InitFriendArray(cache->friends);
    return cache;
}

void FreeFriendCache(FriendCache* cache) {
    if (!cache) return;
    ArrayRemoveAll(cache->groups);
    ArrayRemoveAll(cache->friends);
    SharedFree(cache);
}

intptr_t FindFriendByNumber(const FriendCache* cache, const char* number) {
    if (!cache || !number || !ArrayIsSane(cache->friends)) return -1;
    for (intptr_t i = 0; i < cache->friends.count; ++i)
        if (SameNumber(cache->friends.data[i], number)) return i;
    return -1;
}

intptr_t FindFriendById(const FriendCache* cache, int id) {
    if (!cache || !ArrayIsSane(cache->friends)) return -1;
    for (intptr_t i = 0; i < cache->friends.count; ++i)
        if (cache->friends.data[i].ID == id) return i;
    return -1;
}

intptr_t FindGroupById(const FriendCache* cache, int id) {
    if (!cache || !ArrayIsSane(cache->groups)) return -1;
    for (intptr_t i = 0; i < cache->groups.count; ++i)
        if (cache->groups.data[i].ID == id) return i;
    return -1;
}
