// Unloading closes the store file, so it is whole on disk once we are gone.
#include "history_lib.h"

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // At process exit (reserved != null) other threads are gone mid-call;
    // the journal keeps the file whole either way.
    if (reason == DLL_PROCESS_DETACH && !reserved)
        closeHistStore();
    return TRUE;
}
