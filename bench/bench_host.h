// The host the window benchmarks play: a book built in memory and a
// configuration record that names it, a message-only notify window and the
// temporary folder as data directory.
#pragma once

#include "core/friend_cache.h"
#include "core/growable_array.h"
#include "history_lib.h"
#include "pelmo.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

// `count` groups: 100 at the top, nine children under each.
inline void AddGroupTree(FriendCache* cache, int count)
{
    for (int i = 0; i < count; ++i) {
        FriendGroup g{};
        g.ID = i;
        std::snprintf(g.name, sizeof g.name, "分组 %04d", i);
        g.fatherID = i < 100 ? -1 : (i - 100) / 9;
        ArrayAdd(cache->groups, g);
    }
}

// Stores the record that makes `cache` the logged-in user's book.
inline HostConfig RegisterBook(FriendCache* cache)
{
    HWND notify = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    HostConfig config{};
    config.notifyWindow = HandleToULong(notify);
    config.notifyMessage = WM_APP + 1;
    std::strcpy(config.identity, "8613800000001");
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::strncpy(config.dataDir, temp, sizeof config.dataDir - 1);
    config.dataDir[std::strlen(config.dataDir) - 1] = '\0';  // no trailing backslash
    config.friendCache = cache;
    setConfInfo(TEMBRA_CONF_KEY, &config);
    return config;
}
