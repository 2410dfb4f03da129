// CSubclassWnd: the library's one way to put itself in front of a window
// procedure, for windows it does not own (a host's window, a control) and,
// through CWnd::SubclassWindow, for controls it attaches to.
//
// A hook sees a message before the window's own procedure and passes it on
// with Default() (or CallNext with changed arguments). Several hooks may
// watch one window; they form a chain in which the hook installed last hears
// a message first, and the window's own procedure comes last. Every hooked
// window gets the one shared hook procedure; a module-wide map leads from the
// window to the head of its chain. Hooks can leave in any order, and the
// window gets its procedure back only while ours is still the one installed:
// code that subclassed after us keeps its procedure, which then calls
// through the shared one to the window's own. When the window is destroyed,
// all its hooks are removed (each told through OnWindowDestroyed) before its
// own procedure sees WM_NCDESTROY, so a hook object that outlives its window
// is simply idle.
#pragma once

#include <windows.h>

class CSubclassWnd {
public:
    CSubclassWnd() = default;
    virtual ~CSubclassWnd();
    CSubclassWnd(const CSubclassWnd&) = delete;
    CSubclassWnd& operator=(const CSubclassWnd&) = delete;

    // With a window: installs this hook on it (leaving a previous window
    // first). With null: removes the hook from its window. FALSE only when
    // the window cannot be hooked.
    BOOL HookWindow(HWND hwnd);
    bool IsHooked() const { return m_hooked != nullptr; }
    HWND GetHookedWindow() const { return m_hooked; }

    // Number of hooks now installed on `hwnd` (for diagnostics and tests).
    static int HookCount(HWND hwnd);

protected:
    // Every message of the hooked window that reaches this hook. The base
    // passes it on.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // The window is being destroyed and this hook has just been removed.
    virtual void OnWindowDestroyed(HWND) {}
    // Passes the current message on: to the hook installed before this one,
    // else to the window's own procedure. A hook that removed itself while
    // handling the message hands it straight to the window's own procedure.
    LRESULT Default();
    // The same with arguments of the caller's choosing.
    LRESULT CallNext(UINT msg, WPARAM wp, LPARAM lp);

private:
    static LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Unhook();

    HWND m_hooked = nullptr;
    WNDPROC m_savedProc = nullptr;   // the window's procedure before its first hook
    CSubclassWnd* m_next = nullptr;  // the hook installed before this one
};
