// CWnd: the one window wrapper of the library.
//
// Where the object lives: a window property (see kObjectProp) holds the
// CWnd* from the moment the object is attached (WM_NCCREATE for windows we
// create, SubclassWindow for existing controls, WM_INITDIALOG for dialogs)
// until the window's end. For windows of our own classes that is after
// WM_NCDESTROY has been handled; an attached window leaves its hook chain
// (see SubclassWnd.h) just before its own procedure sees WM_NCDESTROY. Then
// the object is detached (m_hWnd null) and PostNcDestroy() runs; classes
// whose objects delete themselves override PostNcDestroy with `delete this`
// and say so.
//
// The lifetime rule: no message reaches an object whose destructor has
// started. A C++ destructor runs the derived part and the members before
// ~CWnd, so ~CWnd is too late to take a window down: a window we made must
// be gone before its object goes. Frames, panels and other windows with
// member children live on the heap and delete themselves in PostNcDestroy,
// so their members go after every child window has been destroyed. Dialogs
// and controls that are members of something end with their window (EndDialog,
// DestroyWindow, the parent's destruction) before the owner lets them go.
// Debug builds assert this in ~CWnd; release builds detach first and then
// destroy, so at worst the late messages go to the default procedure.
// Attached windows (SubclassWindow) are only unhooked by the destructor.
//
// Messages arrive in the virtual WindowProc; a class handles what it wants
// in a switch and passes the rest to its base, ending in CWnd::WindowProc,
// which reflects control notifications (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM,
// WM_MEASUREITEM, WM_DELETEITEM, WM_COMPAREITEM, WM_CTLCOLOR*, and
// WM_HSCROLL/WM_VSCROLL from scroll-bar controls) to the sending control's
// object (OnReflectedMessage), hands owner-drawn menu items to the menu seam
// (OwnerDrawMenu.h), then calls the typed OnCommand/OnNotify and finally the
// previous window procedure.
//
// A control of ours whose parent is not ours (a window of the host) gets no
// reflection: the host's procedure sees its notifications and nothing hands
// them back. Such a control must stay self-contained: draw in WM_PAINT rather
// than through WM_DRAWITEM, colour itself rather than answer WM_CTLCOLOR*,
// and track its popup menus through TrackOwnerDrawPopup, whose own owner
// window receives the menu's owner-draw messages.
#pragma once

#include <windows.h>

#include "framework/SubclassWnd.h"

#include <string>

struct CurrentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// The message being handled on this thread.
CurrentMessage& ThreadCurrentMessage();

// The one way a dispatch path (window, dialog, hook) makes a message the
// current one: saved on entry, restored on exit, so a nested send, a nested
// modal loop or a hook chain never leaves its message behind.
class MessageScope {
public:
    MessageScope(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    ~MessageScope();
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;

private:
    CurrentMessage m_saved;
};

// wParam/lParam decoding, named once.
namespace decode {
inline UINT CommandId(WPARAM wp)
{
    return LOWORD(wp);
}
inline UINT CommandCode(WPARAM wp)
{
    return HIWORD(wp);
}
inline HWND CommandControl(LPARAM lp)
{
    return reinterpret_cast<HWND>(lp);
}
// Signed client or screen coordinates (mouse messages, GetMessagePos).
inline POINT Point(LPARAM lp)
{
    return POINT{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp))),
                 static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lp)))};
}
inline POINT Point(DWORD pos)
{
    return Point(static_cast<LPARAM>(pos));
}
inline SIZE Size(LPARAM lp)
{
    return SIZE{LOWORD(lp), HIWORD(lp)};
}
inline HWND Window(WPARAM wp)
{
    return reinterpret_cast<HWND>(wp);
}
inline HWND Window(LPARAM lp)
{
    return reinterpret_cast<HWND>(lp);
}
inline HDC Dc(WPARAM wp)
{
    return reinterpret_cast<HDC>(wp);
}
inline bool Inactive(WPARAM wp)
{
    return LOWORD(wp) == WA_INACTIVE;
}
// The structure an lParam points to (WM_NOTIFY, WM_DRAWITEM, ...).
template <typename T>
T& Ref(LPARAM lp)
{
    return *reinterpret_cast<T*>(lp);
}
}  // namespace decode

// What the update pass asks a command target about one command id.
struct CommandState {
    UINT id = 0;
    bool enabled = true;
    bool checked = false;
};

// The module (DLL or program) this code is linked into.
HINSTANCE ThisModule();

class CWnd {
public:
    CWnd() : m_attach(*this) {}
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    // The object attached to hwnd, or null.
    static CWnd* FromHandle(HWND hwnd);

    // Registers a window class whose procedure dispatches to CWnd objects.
    static bool RegisterWindowClass(const char* className, UINT classStyle = CS_DBLCLKS, HBRUSH background = nullptr,
                                    HICON icon = nullptr, HCURSOR cursor = nullptr);
    // Unregisters them all (unloading: the system keeps a DLL's classes).
    static void UnregisterWindowClasses();
    // Creates a window of a class registered with RegisterWindowClass.
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, const RECT& rect, HWND parent,
                  UINT_PTR idOrMenu);

    // Attaches to an existing window by hooking its procedure (one object per window).
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent);
    // Leaves the window's hook chain and detaches; returns the handle.
    HWND UnsubclassWindow();

    bool DestroyWindow();

    // Thin conveniences over the handle.
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageA(m_hWnd, msg, wp, lp); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageA(m_hWnd, msg, wp, lp); }
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }
    RECT GetClientRect() const
    {
        RECT r{};
        ::GetClientRect(m_hWnd, &r);
        return r;
    }
    RECT GetWindowRect() const
    {
        RECT r{};
        ::GetWindowRect(m_hWnd, &r);
        return r;
    }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }

    // Command targets (frames and their panes). OnCommand: true when this
    // object carried the command out. OnUpdateCommand: true when this object
    // handles `state.id`, with enabled/checked set; commands no target
    // claims are disabled.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    virtual bool OnUpdateCommand(CommandState& state);

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // WM_NOTIFY that no control took back; the base passes it on.
    virtual LRESULT OnNotify(NMHDR& header);
    // A control's handler for the notifications its parent reflects back to it.
    // Return true with `result` set when handled.
    virtual bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Hands a notification to the object of the control that sent it; true
    // when that control swallowed it.
    bool ReflectNotification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Runs once an existing window has been attached by SubclassWindow.
    virtual void PreSubclassWindow() {}
    // Runs after the window's end, once the object is detached.
    virtual void PostNcDestroy() {}

    // Passes the current message on to the previous procedure.
    LRESULT Default();
    LRESULT CallPrevious(UINT msg, WPARAM wp, LPARAM lp);

    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void AttachObject(HWND hwnd);
    void DetachObject();

    HWND m_hWnd = nullptr;
    bool m_subclassed = false;  // attached to a window someone else created
    bool m_ownsWindow = false;  // the window must go before the object (see the rule above)

private:
    // The object's place in the hook chain of a window it attached to.
    class AttachHook : public CSubclassWnd {
    public:
        explicit AttachHook(CWnd& owner) : m_owner(owner) {}
        using CSubclassWnd::CallNext;

    protected:
        LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
        void OnWindowDestroyed(HWND hwnd) override;

    private:
        CWnd& m_owner;
    };

    static bool ReflectToChild(HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void WindowGone();

    AttachHook m_attach;
};
