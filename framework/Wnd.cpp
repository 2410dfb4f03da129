#include "framework/Wnd.h"

#include "framework/Keyboard.h"
#include "framework/OwnerDrawMenu.h"

#include <cassert>
#include <string>
#include <vector>

namespace {

// Property under which a window carries its CWnd*. A property rather than
// GWLP_USERDATA, which subclassed controls may use themselves.
const char kObjectProp[] = "pelmo.CWnd";

thread_local CurrentMessage t_current;

}  // namespace

CurrentMessage& ThreadCurrentMessage()
{
    return t_current;
}

MessageScope::MessageScope(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) : m_saved(t_current)
{
    t_current = CurrentMessage{hwnd, msg, wp, lp};
}

MessageScope::~MessageScope()
{
    t_current = m_saved;
}

extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE ThisModule()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

CWnd::~CWnd()
{
    if (!m_hWnd)
        return;
    const bool owned = m_ownsWindow;
    HWND hwnd = m_subclassed ? UnsubclassWindow() : m_hWnd;
    DetachObject();
    if (owned && ::IsWindow(hwnd)) {
        // The derived part and the members are already gone: see the lifetime rule.
        assert(!"a window must be destroyed before its object");
        ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<CWnd*>(::GetPropA(hwnd, kObjectProp)) : nullptr;
}

namespace {
std::vector<std::string>& RegisteredClasses()
{
    static std::vector<std::string> names;
    return names;
}
}  // namespace

bool CWnd::RegisterWindowClass(const char* className, UINT classStyle, HBRUSH background, HICON icon, HCURSOR cursor)
{
    HINSTANCE instance = ThisModule();
    WNDCLASSEXA existing{sizeof(existing)};
    if (::GetClassInfoExA(instance, className, &existing))
        return existing.lpfnWndProc == StaticWindowProc;
    WNDCLASSEXA wc{sizeof(wc)};
    wc.style = classStyle;
    wc.lpfnWndProc = StaticWindowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = cursor ? cursor : ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    if (!::RegisterClassExA(&wc))
        return false;
    RegisteredClasses().emplace_back(className);
    return true;
}

void CWnd::UnregisterWindowClasses()
{
    for (const std::string& name : RegisteredClasses())
        ::UnregisterClassA(name.c_str(), ThisModule());
    RegisteredClasses().clear();
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, const RECT& rect, HWND parent,
                    UINT_PTR idOrMenu)
{
    if (m_hWnd)
        return false;
    HWND hwnd =
        ::CreateWindowExA(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(idOrMenu), ThisModule(), this);
    if (hwnd && m_hWnd == hwnd)
        m_ownsWindow = true;
    return hwnd != nullptr && m_hWnd == hwnd;
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (m_hWnd || !hwnd || !::IsWindow(hwnd) || FromHandle(hwnd))
        return false;
    if (!m_attach.HookWindow(hwnd))
        return false;
    AttachObject(hwnd);
    m_subclassed = true;
    PreSubclassWindow();
    return true;
}

bool CWnd::SubclassDlgItem(int id, HWND parent)
{
    return SubclassWindow(::GetDlgItem(parent, id));
}

HWND CWnd::UnsubclassWindow()
{
    HWND hwnd = m_hWnd;
    if (!hwnd || !m_subclassed)
        return nullptr;
    m_attach.HookWindow(nullptr);
    DetachObject();
    return hwnd;
}

bool CWnd::DestroyWindow()
{
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

std::string CWnd::GetWindowText() const
{
    int length = ::GetWindowTextLengthA(m_hWnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(m_hWnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void CWnd::AttachObject(HWND hwnd)
{
    m_hWnd = hwnd;
    ::SetPropA(hwnd, kObjectProp, this);
}

void CWnd::DetachObject()
{
    if (m_hWnd)
        ::RemovePropA(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
    m_subclassed = false;
    m_ownsWindow = false;
}

void CWnd::WindowGone()
{
    keyboard::RemoveWindow(m_hWnd);
    DetachObject();
    PostNcDestroy();
}

LRESULT CWnd::CallPrevious(UINT msg, WPARAM wp, LPARAM lp)
{
    if (m_subclassed)
        return m_attach.CallNext(msg, wp, lp);
    return ::DefWindowProcA(m_hWnd, msg, wp, lp);
}

LRESULT CWnd::AttachHook::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    return m_owner.WindowProc(msg, wp, lp);
}

void CWnd::AttachHook::OnWindowDestroyed(HWND hwnd)
{
    if (m_owner.m_hWnd == hwnd)
        m_owner.WindowGone();
}

LRESULT CWnd::Default()
{
    const CurrentMessage& m = t_current;
    return CallPrevious(m.message, m.wParam, m.lParam);
}

bool CWnd::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

bool CWnd::ReflectToChild(HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    CWnd* control = FromHandle(child);
    return control && control->OnReflectedMessage(msg, wp, lp, result);
}

bool CWnd::ReflectNotification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    HWND child = nullptr;
    switch (msg) {
    case WM_NOTIFY:
        if (lp)
            child = decode::Ref<NMHDR>(lp).hwndFrom;
        break;
    case WM_COMMAND:
        child = decode::CommandControl(lp);
        break;
    case WM_DRAWITEM:
        if (lp && decode::Ref<DRAWITEMSTRUCT>(lp).CtlType != ODT_MENU)
            child = decode::Ref<DRAWITEMSTRUCT>(lp).hwndItem;
        break;
    case WM_MEASUREITEM:
        if (lp && decode::Ref<MEASUREITEMSTRUCT>(lp).CtlType != ODT_MENU)
            child = ::GetDlgItem(m_hWnd, static_cast<int>(decode::Ref<MEASUREITEMSTRUCT>(lp).CtlID));
        break;
    case WM_DELETEITEM:
        if (lp)
            child = decode::Ref<DELETEITEMSTRUCT>(lp).hwndItem;
        break;
    case WM_COMPAREITEM:
        if (lp)
            child = decode::Ref<COMPAREITEMSTRUCT>(lp).hwndItem;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        // lParam is null for the window's own scroll bars.
        child = decode::Window(lp);
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
        child = decode::Window(lp);
        break;
    }
    return child && child != m_hWnd && ReflectToChild(child, msg, wp, lp, result);
}

bool CWnd::OnCommand(UINT, UINT, HWND)
{
    return false;
}

bool CWnd::OnUpdateCommand(CommandState&)
{
    return false;
}

LRESULT CWnd::OnNotify(NMHDR&)
{
    return Default();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (ReflectNotification(message, wp, lp, result))
        return result;
    switch (message) {
    case WM_COMMAND:
        if (OnCommand(decode::CommandId(wp), decode::CommandCode(wp), decode::CommandControl(lp)))
            return 0;
        break;
    case WM_NOTIFY:
        if (lp)
            return OnNotify(decode::Ref<NMHDR>(lp));
        break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (DispatchOwnerDrawMenu(message, lp))
            return TRUE;
        break;
    }
    return Default();
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CWnd* wnd = FromHandle(hwnd);
    if (!wnd && msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        wnd = static_cast<CWnd*>(cs->lpCreateParams);
        if (wnd)
            wnd->AttachObject(hwnd);
    }
    if (!wnd)
        return ::DefWindowProcA(hwnd, msg, wp, lp);

    MessageScope scope(hwnd, msg, wp, lp);
    LRESULT result = wnd->WindowProc(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        // The window is gone: detach first so PostNcDestroy may delete the object.
        if (wnd->m_hWnd == hwnd)
            wnd->WindowGone();
    }
    return result;
}
