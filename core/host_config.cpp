#include "core/host_config.h"

#include "core/friend_cache.h"
#include "history_lib.h"

#include <windows.h>

#include <cstring>

namespace {

using ConfInfoGet = int(__cdecl*)(const char*, void*);
using ConfInfoSet = int(__cdecl*)(const char*, const void*);

// tembra.dll is found when first needed rather than imported: pelmo.dll then
// loads without it, and a host that lacks it gets "not initialised" instead
// of a library that will not load.
struct HistoryLibrary {
    ConfInfoGet get = nullptr;
    ConfInfoSet set = nullptr;
};

const HistoryLibrary& History()
{
    static HistoryLibrary library;
    if (!library.get || !library.set) {
        HMODULE module = ::GetModuleHandleA("tembra.dll");
        if (!module)
            module = ::LoadLibraryA("tembra.dll");
        if (module) {
            library.get =
                reinterpret_cast<ConfInfoGet>(reinterpret_cast<void*>(::GetProcAddress(module, "getConfInfo")));
            library.set =
                reinterpret_cast<ConfInfoSet>(reinterpret_cast<void*>(::GetProcAddress(module, "setConfInfo")));
        }
    }
    return library;
}
}  // namespace

bool ReadHostConfig(HostConfig* config)
{
    if (!config || !History().get)
        return false;
    return History().get(TEMBRA_CONF_KEY, config) >= 0;
}

void WriteHostConfig(const HostConfig& config)
{
    if (History().set)
        History().set(TEMBRA_CONF_KEY, &config);
}

// Read anew on every call: a cache rebuilt by iniFriends is found at once.
FriendCache* CurrentFriendCache()
{
    HostConfig config;
    if (!ReadHostConfig(&config))
        return nullptr;
    return config.friendCache;
}

extern "C" FriendCache* PELMO_API GetFriendCache(void)
{
    return CurrentFriendCache();
}
