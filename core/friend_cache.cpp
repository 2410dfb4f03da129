#include "core/friend_cache.h"

#include "core/growable_array.h"
#include "core/records.h"

#include <cstring>
#include <string>
#include <unordered_map>

namespace {

// Number -> (first position, how many) for one cache's contact array.
// The host polls presence for every contact, so lookups must not scan.
// The index follows one cache: elements appended since the last look are
// added to it, any other change the library makes (the change counter)
// builds it anew. The host may also write the array in place; a hit that
// does not match the array falls back to the scan and the index is built
// anew.
struct NumberIndex {
    const FriendCache* cache = nullptr;
    intptr_t count = -1;
    uint64_t changes = 0;
    std::unordered_map<std::string, std::pair<intptr_t, intptr_t>> where;

    void Forget() { cache = nullptr; }
    // Brings the index up to the array: appends since the last look are
    // added, any other change builds it anew.
    void Follow(const FriendCache* c)
    {
        if (cache != c || changes != ArrayChangeCount() || c->friends.count < count) {
            where.clear();
            where.reserve(static_cast<size_t>(c->friends.count));
            count = 0;
        }
        for (intptr_t i = count; i < c->friends.count; ++i) {
            auto inserted = where.emplace(FieldText(c->friends.data[i].mirrun), std::make_pair(i, intptr_t{1}));
            if (!inserted.second)
                ++inserted.first->second.second;
        }
        cache = c;
        count = c->friends.count;
        changes = ArrayChangeCount();
    }
};

NumberIndex g_index;

bool Usable(const FriendCache* cache, const char* number)
{
    // A number longer than the field can never equal a stored one.
    return cache && number && ArrayIsSane(cache->friends) &&
           strnlen(number, sizeof(FriendInfo::mirrun)) < sizeof(FriendInfo::mirrun);
}

std::vector<intptr_t> ScanNumber(const FriendCache* cache, const char* number, bool firstOnly)
{
    std::vector<intptr_t> found;
    for (intptr_t i = 0; i < cache->friends.count; ++i) {
        if (!SameNumber(cache->friends.data[i], number))
            continue;
        found.push_back(i);
        if (firstOnly)
            break;
    }
    return found;
}

// The first position of `number` by the index, -1 when it has none, or -2
// when the index no longer matches the array and the scan must answer.
intptr_t IndexedFirst(const FriendCache* cache, const char* number, intptr_t* howMany)
{
    g_index.Follow(cache);
    auto it = g_index.where.find(number);
    if (it == g_index.where.end())
        return -1;
    const intptr_t first = it->second.first;
    *howMany = it->second.second;
    if (first < cache->friends.count && SameNumber(cache->friends.data[first], number))
        return first;
    g_index.Forget();
    return -2;
}

}  // namespace

FriendCache* NewFriendCache()
{
    auto* cache = static_cast<FriendCache*>(SharedAlloc(sizeof(FriendCache)));
    if (!cache)
        return nullptr;
    InitGroupArray(cache->groups);
    InitFriendArray(cache->friends);
    return cache;
}

void FreeFriendCache(FriendCache* cache)
{
    if (!cache)
        return;
    if (g_index.cache == cache)
        g_index.Forget();
    ArrayRemoveAll(cache->groups);
    ArrayRemoveAll(cache->friends);
    SharedFree(cache);
}

intptr_t FindFriendByNumber(const FriendCache* cache, const char* number)
{
    if (!Usable(cache, number))
        return -1;
    intptr_t howMany = 0;
    const intptr_t first = IndexedFirst(cache, number, &howMany);
    if (first != -2)
        return first;
    std::vector<intptr_t> found = ScanNumber(cache, number, true);
    return found.empty() ? -1 : found.front();
}

std::vector<intptr_t> FindFriendsByNumber(const FriendCache* cache, const char* number)
{
    if (!Usable(cache, number))
        return {};
    intptr_t howMany = 0;
    const intptr_t first = IndexedFirst(cache, number, &howMany);
    if (first == -1)
        return {};
    if (first >= 0 && howMany == 1)
        return {first};
    return ScanNumber(cache, number, false);
}

intptr_t FindFriendById(const FriendCache* cache, int id)
{
    if (!cache || !ArrayIsSane(cache->friends))
        return -1;
    for (intptr_t i = 0; i < cache->friends.count; ++i)
        if (cache->friends.data[i].ID == id)
            return i;
    return -1;
}

intptr_t FindGroupById(const FriendCache* cache, int id)
{
    if (!cache || !ArrayIsSane(cache->groups))
        return -1;
    for (intptr_t i = 0; i < cache->groups.count; ++i)
        if (cache->groups.data[i].ID == id)
            return i;
    return -1;
}
