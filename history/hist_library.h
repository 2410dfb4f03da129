// The history calls of tembra.dll, found when first needed (like the
// configuration record in core/host_config.cpp): pelmo.dll loads without
// the library, and a call it lacks finds nothing.
#pragma once

#include "pelmo.h"

namespace histlib {

struct Calls {
    int(__cdecl* getHistGroup)(const char*, const char*, char*) = nullptr;
    HistRecord*(__cdecl* getHistItem)(const HistRecord*, int*) = nullptr;
    void(__cdecl* releaseItemBuf)(HistRecord*, int) = nullptr;
    int(__cdecl* updateOneHist)(HistRecord*, const HistRecord*) = nullptr;
    int(__cdecl* delOneHist)(HistRecord*) = nullptr;
    char*(__cdecl* getXMLTextInfo)(const char*, const char*, int) = nullptr;
    void(__cdecl* releaseCharBuf)(char*) = nullptr;
};

const Calls& Library();

}  // namespace histlib
