#include "module/unload.h"

#include "framework/Wnd.h"

#include <vector>

namespace module {
namespace {

struct Scan {
    HINSTANCE instance;
    uintptr_t begin;
    uintptr_t end;
    std::vector<HWND> ours;     // outermost windows of ours
    std::vector<HWND> foreign;  // foreign windows that run our procedure
};

bool InImage(const Scan& scan, LONG_PTR address)
{
    const auto at = static_cast<uintptr_t>(address);
    return at >= scan.begin && at < scan.end;
}

bool RunsOurProcedure(const Scan& scan, HWND hwnd)
{
    return InImage(scan, ::IsWindowUnicode(hwnd) ? ::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)
                                                 : ::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}

// Made by us: a class we registered, or a dialog whose procedure is ours.
bool MadeByUs(const Scan& scan, HWND hwnd)
{
    if (reinterpret_cast<HINSTANCE>(::GetClassLongPtrA(hwnd, GCLP_HMODULE)) == scan.instance)
        return true;
    char className[8] = "";
    ::GetClassNameA(hwnd, className, sizeof className);
    return lstrcmpA(className, "#32770") == 0 && InImage(scan, ::GetWindowLongPtrA(hwnd, DWLP_DLGPROC));
}

void Visit(Scan& scan, HWND hwnd)
{
    if (MadeByUs(scan, hwnd)) {
        // Its children go with it.
        scan.ours.push_back(hwnd);
        return;
    }
    if (RunsOurProcedure(scan, hwnd))
        scan.foreign.push_back(hwnd);
}

BOOL CALLBACK VisitChild(HWND hwnd, LPARAM lp)
{
    Scan& scan = *reinterpret_cast<Scan*>(lp);
    // Children of a window of ours are left to it.
    for (HWND parent = ::GetParent(hwnd); parent; parent = ::GetParent(parent))
        if (MadeByUs(scan, parent))
            return TRUE;
    Visit(scan, hwnd);
    return TRUE;
}

BOOL CALLBACK VisitTopLevel(HWND hwnd, LPARAM lp)
{
    Scan& scan = *reinterpret_cast<Scan*>(lp);
    Visit(scan, hwnd);
    if (!MadeByUs(scan, hwnd))
        ::EnumChildWindows(hwnd, VisitChild, lp);
    return TRUE;
}

}  // namespace

int CloseWindowsBeforeUnload(HINSTANCE instance)
{
    if (!instance)
        return 0;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(instance);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(instance) + dos->e_lfanew);
    Scan scan{instance,
              reinterpret_cast<uintptr_t>(instance),
              reinterpret_cast<uintptr_t>(instance) + nt->OptionalHeader.SizeOfImage,
              {},
              {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), VisitTopLevel, reinterpret_cast<LPARAM>(&scan));
    int destroyed = 0;
    for (HWND hwnd : scan.ours)
        if (::IsWindow(hwnd) && ::DestroyWindow(hwnd))
            ++destroyed;
    for (HWND hwnd : scan.foreign)
        if (CWnd* wnd = ::IsWindow(hwnd) ? CWnd::FromHandle(hwnd) : nullptr)
            wnd->UnsubclassWindow();
    CWnd::UnregisterWindowClasses();
    return destroyed;
}

}  // namespace module
