// Entry point of pelmo.dll.
#include "module/module_state.h"
#include "module/unload.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return module::Attach(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        // FreeLibrary (not process exit): our windows must not outlive our code.
        if (!reserved)
            module::CloseWindowsBeforeUnload(instance);
        module::Detach();
        return TRUE;
    }
    return TRUE;
}
