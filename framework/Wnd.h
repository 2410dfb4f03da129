// CWnd: the one window wrapper of the library.
//
// Where the object lives: a window property (see kObjectProp) holds the
// CWnd* from the moment the object is attached (WM_NCCREATE for windows we
// create, SubclassWindow for existing controls, WM_INITDIALOG for dialogs)
// until WM_NCDESTROY has been handled. After WM_NCDESTROY the object is
// detached (m_hWnd null) and PostNcDestroy() runs; classes whose objects
// delete themselves override PostNcDestroy with `delete this` and say so.
// A destructor that runs while the window still exists unsubclasses it (for
// attached controls) or destroys it (for windows the object created).
//
// Messages arrive in the virtual WindowProc; a class handles what it wants
// in a switch and passes the rest to its base, ending in CWnd::WindowProc,
// which reflects WM_NOTIFY, WM_COMMAND, WM_DRAWITEM, WM_MEASUREITEM and
// WM_CTLCOLOR* to the sending control's object (OnReflectedMessage) and
// otherwise calls the previous window procedure.
#pragma once

#include <windows.h>
#include <string>

struct CurrentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// The message being handled on this thread; saved and restored around every
// dispatch so nested sends see their own message.
CurrentMessage& ThreadCurrentMessage();

// The module (DLL or program) this code is linked into.
HINSTANCE ThisModule();

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    // The object attached to hwnd, or null.
    static CWnd* FromHandle(HWND hwnd);

    // Registers a window class whose procedure dispatches to CWnd objects.
    static bool RegisterWindowClass(const char* className, UINT classStyle = CS_DBLCLKS,
                                    HBRUSH background = nullptr, HICON icon = nullptr,
                                    HCURSOR cursor = nullptr);
    // Creates a window of a class registered with RegisterWindowClass.
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                  const RECT& rect, HWND parent, UINT_PTR idOrMenu);

    // Attaches to an existing window by replacing its procedure.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent);
    // Gives the window its own procedure back and detaches; returns the handle.
    HWND UnsubclassWindow();

    bool DestroyWindow();

    // Thin conveniences over the handle.
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageA(m_hWnd, msg, wp, lp); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageA(m_hWnd, msg, wp, lp); }
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }
    RECT GetClientRect() const { RECT r{}; ::GetClientRect(m_hWnd, &r); return r; }
    RECT GetWindowRect() const { RECT r{}; ::GetWindowRect(m_hWnd, &r); return r; }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // A control's handler for the notifications its parent reflects back to it.
    // Return true with `result` set when handled.
    virtual bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Hands a notification to the object of the control that sent it; true
    // when that control swallowed it.
    bool ReflectNotification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Runs once an existing window has been attached by SubclassWindow.
    virtual void PreSubclassWindow() {}
    // Runs after WM_NCDESTROY, once the object is detached.
    virtual void PostNcDestroy() {}

    // Passes the current message on to the previous procedure.
    LRESULT Default();
    LRESULT CallPrevious(UINT msg, WPARAM wp, LPARAM lp);

    // Dispatch entry shared by all our windows; public to the dialog class.
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void AttachObject(HWND hwnd);
    void DetachObject();

    HWND m_hWnd = nullptr;
    WNDPROC m_prevProc = nullptr;   // null for windows of our own classes
    bool m_subclassed = false;      // attached to a window someone else created

private:
    static bool ReflectToChild(HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
};
