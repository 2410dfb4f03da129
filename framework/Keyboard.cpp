#include "framework/Keyboard.h"

#include <algorithm>
#include <vector>

namespace keyboard {
namespace {

struct Registered {
    HWND window;
    HACCEL accelerators;
    bool isDialog;
};

std::vector<Registered>& Windows()
{
    static std::vector<Registered> windows;
    return windows;
}

HHOOK g_hook = nullptr;

bool Within(HWND hwnd, HWND window)
{
    return hwnd == window || ::IsChild(window, hwnd);
}

bool Translate(MSG& m)
{
    // A copy: a handled key may destroy a window and so change the list.
    const std::vector<Registered> windows = Windows();
    for (const Registered& r : windows) {
        if (!Within(m.hwnd, r.window))
            continue;
        if (r.accelerators && ::TranslateAcceleratorA(r.window, r.accelerators, &m))
            return true;
        return r.isDialog && ::IsDialogMessageA(r.window, &m);
    }
    return false;
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lp)
{
    auto& m = *reinterpret_cast<MSG*>(lp);
    if (code == HC_ACTION && removal == PM_REMOVE && m.hwnd && m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST &&
        Translate(m)) {
        m.message = WM_NULL;
        m.wParam = 0;
        m.lParam = 0;
    }
    return ::CallNextHookEx(g_hook, code, removal, lp);
}

}  // namespace

void AddWindow(HWND window, HACCEL accelerators, bool isDialog)
{
    if (!window)
        return;
    RemoveWindow(window);
    // The newest first, so a dialog on top of another of ours gets its keys.
    auto& windows = Windows();
    windows.insert(windows.begin(), Registered{window, accelerators, isDialog});
    if (!g_hook)
        g_hook = ::SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, ::GetCurrentThreadId());
}

void RemoveWindow(HWND window)
{
    auto& windows = Windows();
    windows.erase(
        std::remove_if(windows.begin(), windows.end(), [window](const Registered& r) { return r.window == window; }),
        windows.end());
    if (windows.empty() && g_hook) {
        ::UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
    }
}

bool FilterInstalled()
{
    return g_hook != nullptr;
}

}  // namespace keyboard
