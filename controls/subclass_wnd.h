// CSubclassWnd: watches the messages of a window that other code owns.
//
// A hook sees a message before the window's own procedure and passes it on
// with Default(). Several hooks may watch one window; they form a chain in
// which the hook installed last hears a message first, and the window's own
// procedure comes last. Every hooked window gets the one shared hook
// procedure; a module-wide map leads from the window to the head of its
// chain. Hooks can leave in any order. When the window is destroyed, all its
// hooks are removed before its own procedure sees WM_NCDESTROY, so a hook
// object that outlives its window is simply idle.
//
// This is the library's way to watch a window it does not own; CWnd is for
// windows the library owns or attaches to for good.
#pragma once

#include <windows.h>

class CSubclassWnd {
public:
    CSubclassWnd() = default;
    virtual ~CSubclassWnd();
    CSubclassWnd(const CSubclassWnd&) = delete;
    CSubclassWnd& operator=(const CSubclassWnd&) = delete;

    // With a window: installs this hook on it (leaving a previous window
    // first). With null: removes the hook from its window. Always 1.
    BOOL HookWindow(HWND hwnd);
    bool IsHooked() const { return m_hooked != nullptr; }
    HWND GetHookedWindow() const { return m_hooked; }

    // Number of hooks now installed on `hwnd` (for diagnostics and tests).
    static int HookCount(HWND hwnd);

protected:
    // Every message of the hooked window that reaches this hook. The base
    // passes it on.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Passes the current message on: to the hook installed before this one,
    // else to the window's own procedure. A hook that removed itself while
    // handling the message hands it straight to the window's own procedure.
    LRESULT Default();

private:
    static LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Unhook();

    HWND m_hooked = nullptr;
    WNDPROC m_savedProc = nullptr;     // the window's procedure before its first hook
    CSubclassWnd* m_next = nullptr;    // the hook installed before this one
};
