// Entry point of pelmo.dll.
#include "module/module_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return module::Attach(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        module::Detach();
        return TRUE;
    }
    return TRUE;
}
