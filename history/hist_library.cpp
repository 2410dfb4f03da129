#include "history/hist_library.h"

#include <windows.h>

namespace histlib {
namespace {

template <typename F>
void Find(HMODULE module, const char* name, F& f)
{
    f = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

const Calls& Library()
{
    static Calls calls;
    static bool found = false;
    if (!found) {
        HMODULE module = ::GetModuleHandleA("tembra.dll");
        if (!module)
            module = ::LoadLibraryA("tembra.dll");
        if (module) {
            Find(module, "getHistGroup", calls.getHistGroup);
            Find(module, "getHistItem", calls.getHistItem);
            Find(module, "releaseItemBuf", calls.releaseItemBuf);
            Find(module, "updateOneHist", calls.updateOneHist);
            Find(module, "delOneHist", calls.delOneHist);
            Find(module, "getXMLTextInfo", calls.getXMLTextInfo);
            Find(module, "releaseCharBuf", calls.releaseCharBuf);
            found = true;
        }
    }
    return calls;
}

}  // namespace histlib
