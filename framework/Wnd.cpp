#include "framework/Wnd.h"

namespace {

// Property under which a window carries its CWnd*. A property rather than
// GWLP_USERDATA, which subclassed controls may use themselves.
const char kObjectProp[] = "pelmo.CWnd";

thread_local CurrentMessage t_current;

// Saves the thread's current-message record and restores it on scope exit.
class CurrentMessageScope {
public:
    CurrentMessageScope(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) : m_saved(t_current)
    {
        t_current = CurrentMessage{hwnd, msg, wp, lp};
    }
    ~CurrentMessageScope() { t_current = m_saved; }

private:
    CurrentMessage m_saved;
};

}  // namespace

CurrentMessage& ThreadCurrentMessage()
{
    return t_current;
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
    if (m_subclassed) {
        UnsubclassWindow();
    } else {
        // The object goes first: detach so no late message reaches it.
        HWND hwnd = m_hWnd;
        DetachObject();
        ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<CWnd*>(::GetPropA(hwnd, kObjectProp)) : nullptr;
}

bool CWnd::RegisterWindowClass(const char* className, UINT classStyle, HBRUSH background,
                               HICON icon, HCURSOR cursor)
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
    return ::RegisterClassExA(&wc) != 0;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                    const RECT& rect, HWND parent, UINT_PTR idOrMenu)
{
    if (m_hWnd)
        return false;
    HWND hwnd = ::CreateWindowExA(exStyle, className, title, style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(idOrMenu), ThisModule(), this);
    return hwnd != nullptr && m_hWnd == hwnd;
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (m_hWnd || !hwnd || !::IsWindow(hwnd) || FromHandle(hwnd))
        return false;
    AttachObject(hwnd);
    m_subclassed = true;
    m_prevProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWindowProc)));
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
    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
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
    m_prevProc = nullptr;
    m_subclassed = false;
}

LRESULT CWnd::CallPrevious(UINT msg, WPARAM wp, LPARAM lp)
{
    if (m_prevProc)
        return ::CallWindowProcA(m_prevProc, m_hWnd, msg, wp, lp);
    return ::DefWindowProcA(m_hWnd, msg, wp, lp);
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
            child = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
        break;
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lp);
        break;
    case WM_DRAWITEM:
        if (lp && reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->CtlType != ODT_MENU)
            child = reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem;
        break;
    case WM_MEASUREITEM:
        if (lp && reinterpret_cast<const MEASUREITEMSTRUCT*>(lp)->CtlType != ODT_MENU)
            child = ::GetDlgItem(m_hWnd, static_cast<int>(reinterpret_cast<const MEASUREITEMSTRUCT*>(lp)->CtlID));
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
        child = reinterpret_cast<HWND>(lp);
        break;
    }
    return child && child != m_hWnd && ReflectToChild(child, msg, wp, lp, result);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (ReflectNotification(msg, wp, lp, result))
        return result;
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

    CurrentMessageScope scope(hwnd, msg, wp, lp);
    LRESULT result = wnd->WindowProc(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        // The window is gone: detach first so PostNcDestroy may delete the object.
        if (wnd->m_hWnd == hwnd) {
            wnd->DetachObject();
            wnd->PostNcDestroy();
        }
    }
    return result;
}
