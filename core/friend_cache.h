// The contact cache: building, freeing and the lookups every user shares.
#ifndef PELMO_CORE_FRIEND_CACHE_H
#define PELMO_CORE_FRIEND_CACHE_H

#include "pelmo.h"

#include <cstdint>
#include <vector>

// A new, empty cache from the shared allocator; null when memory ran out.
FriendCache* NewFriendCache();
// Empties both arrays, frees their blocks and the cache itself.
void FreeFriendCache(FriendCache* cache);

// Position of the first contact with exactly this number, or -1. Answers
// from an index of the numbers, checked against the array on every hit.
intptr_t FindFriendByNumber(const FriendCache* cache, const char* number);
// Positions of every contact with exactly this number, in array order.
std::vector<intptr_t> FindFriendsByNumber(const FriendCache* cache, const char* number);
intptr_t FindFriendById(const FriendCache* cache, int id);
intptr_t FindGroupById(const FriendCache* cache, int id);

// Supplied by the platform side: the cache that the host configuration
// record names now (null without one).
FriendCache* CurrentFriendCache();

#endif
