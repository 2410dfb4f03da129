#include "framework/SubclassWnd.h"

#include "framework/Wnd.h"

#include <map>

namespace {

// One hooked window: the head of its chain and the procedure it had before
// its first hook. A chain without hooks stays only while someone else's
// procedure, installed over ours, still calls into the shared procedure.
struct Chain {
    CSubclassWnd* head = nullptr;
    WNDPROC original = nullptr;
};

// Module-wide; built on first use, gone with the module.
std::map<HWND, Chain>& HookMap()
{
    static std::map<HWND, Chain> map;
    return map;
}

WNDPROC CurrentProc(HWND hwnd)
{
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}

}  // namespace

CSubclassWnd::~CSubclassWnd()
{
    Unhook();
}

BOOL CSubclassWnd::HookWindow(HWND hwnd)
{
    if (!hwnd) {
        Unhook();
        return TRUE;
    }
    if (hwnd == m_hooked)
        return TRUE;
    if (!::IsWindow(hwnd))
        return FALSE;
    Unhook();

    auto& map = HookMap();
    auto found = map.find(hwnd);
    if (found != map.end()) {
        m_next = found->second.head;
        m_savedProc = found->second.original;
        found->second.head = this;
    } else {
        auto previous =
            reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HookProc)));
        if (!previous)
            return FALSE;  // not ours to change (another process's window)
        map[hwnd] = Chain{this, previous};
        m_next = nullptr;
        m_savedProc = previous;
    }
    m_hooked = hwnd;
    return TRUE;
}

void CSubclassWnd::Unhook()
{
    HWND hwnd = m_hooked;
    if (!hwnd)
        return;
    auto& map = HookMap();
    auto found = map.find(hwnd);
    if (found != map.end()) {
        Chain& chain = found->second;
        if (chain.head == this) {
            chain.head = m_next;
            if (!m_next) {
                // Give the window its procedure back only while ours is still
                // the one installed; code that subclassed the window after us
                // keeps calling the shared procedure, which then passes through.
                if (!::IsWindow(hwnd) || CurrentProc(hwnd) == HookProc) {
                    if (::IsWindow(hwnd))
                        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain.original));
                    map.erase(found);
                }
            }
        } else {
            for (CSubclassWnd* hook = chain.head; hook; hook = hook->m_next) {
                if (hook->m_next == this) {
                    hook->m_next = m_next;
                    break;
                }
            }
        }
    }
    m_hooked = nullptr;
    m_savedProc = nullptr;
    m_next = nullptr;
}

int CSubclassWnd::HookCount(HWND hwnd)
{
    auto& map = HookMap();
    auto found = map.find(hwnd);
    int count = 0;
    if (found != map.end())
        for (CSubclassWnd* hook = found->second.head; hook; hook = hook->m_next)
            ++count;
    return count;
}

LRESULT CSubclassWnd::WindowProc(UINT, WPARAM, LPARAM)
{
    return Default();
}

LRESULT CSubclassWnd::Default()
{
    const CurrentMessage& m = ThreadCurrentMessage();
    return CallNext(m.message, m.wParam, m.lParam);
}

LRESULT CSubclassWnd::CallNext(UINT msg, WPARAM wp, LPARAM lp)
{
    if (m_hooked) {
        if (m_next) {
            // The next hook's Default() must see the arguments it was given.
            MessageScope scope(m_hooked, msg, wp, lp);
            return m_next->WindowProc(msg, wp, lp);
        }
        return ::CallWindowProcA(m_savedProc, m_hooked, msg, wp, lp);
    }
    // This hook left its window while handling the message: the rest of the
    // chain was relinked without it, so give the message to the window itself.
    HWND hwnd = ThreadCurrentMessage().hwnd;
    if (!hwnd || !::IsWindow(hwnd))
        return 0;
    auto& map = HookMap();
    auto found = map.find(hwnd);
    WNDPROC proc = found != map.end() ? found->second.original : CurrentProc(hwnd);
    if (!proc || proc == HookProc)
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    return ::CallWindowProcA(proc, hwnd, msg, wp, lp);
}

LRESULT CALLBACK CSubclassWnd::HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    MessageScope current(hwnd, msg, wp, lp);
    auto& map = HookMap();
    auto found = map.find(hwnd);
    if (found == map.end())
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    const Chain chain = found->second;

    if (msg == WM_NCDESTROY) {
        // Every hook leaves before the window's own procedure sees the end.
        for (;;) {
            auto entry = map.find(hwnd);
            if (entry == map.end() || !entry->second.head)
                break;
            CSubclassWnd* hook = entry->second.head;
            hook->Unhook();
            hook->OnWindowDestroyed(hwnd);
        }
        map.erase(hwnd);
        return ::CallWindowProcA(chain.original, hwnd, msg, wp, lp);
    }
    if (chain.head)
        return chain.head->WindowProc(msg, wp, lp);
    return ::CallWindowProcA(chain.original, hwnd, msg, wp, lp);
}
