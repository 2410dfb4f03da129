#include "support/ui_driver.h"

#include "pelmo.h"

#include <map>
#include <vector>

namespace testui {

void Pump(DWORD ms)
{
    const DWORD until = ::GetTickCount() + ms;
    MSG msg;
    do {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(1);
    } while (static_cast<LONG>(until - ::GetTickCount()) > 0);
}

namespace {

struct DialogSearch {
    bool enabledOnly;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lp)
{
    auto* search = reinterpret_cast<DialogSearch*>(lp);
    char name[16] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (std::string(name) == "#32770" && ::IsWindowVisible(hwnd) && (!search->enabledOnly || ::IsWindowEnabled(hwnd))) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(bool enabledOnly)
{
    DialogSearch search{enabledOnly, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::map<UINT_PTR, ModalDriver*>& Drivers()
{
    static std::map<UINT_PTR, ModalDriver*> drivers;
    return drivers;
}

}  // namespace

HWND FindThreadDialog()
{
    return FindDialog(false);
}

HWND InnermostDialog()
{
    return FindDialog(true);
}

ModalDriver::ModalDriver(std::function<void(HWND)> action, UINT periodMs) : m_action(std::move(action))
{
    m_timer = ::SetTimer(nullptr, 0, periodMs, OnTimer);
    Drivers()[m_timer] = this;
}

ModalDriver::~ModalDriver()
{
    if (m_timer) {
        ::KillTimer(nullptr, m_timer);
        Drivers().erase(m_timer);
    }
}

void CALLBACK ModalDriver::OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    auto it = Drivers().find(id);
    if (it == Drivers().end())
        return;
    ModalDriver* driver = it->second;
    HWND dialog = FindThreadDialog();
    if (!dialog || driver->m_ran)
        return;
    driver->m_ran = true;
    ::KillTimer(nullptr, id);
    Drivers().erase(it);
    driver->m_timer = 0;
    driver->m_action(dialog);
}

void ClickButton(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PressEscape(HWND dialog)
{
    HWND target = ::GetFocus();
    if (!target || (target != dialog && !::IsChild(dialog, target)))
        target = dialog;
    ::PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ::PostMessageA(target, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001));
}

void CloseBox(HWND dialog)
{
    ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void PointerTo(POINT screen)
{
    ::SetCursorPos(screen.x, screen.y);
    Pump(10);
}

POINT Centre(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void Click()
{
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, click, sizeof(INPUT));
}

void ClickOn(HWND window)
{
    PointerTo(Centre(window));
    Click();
    Pump(60);
}

void Keys(std::initializer_list<std::pair<WORD, bool>> strokes)
{
    std::vector<INPUT> inputs;
    for (const auto& stroke : strokes) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = stroke.first;
        in.ki.dwFlags = stroke.second ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Press(WORD key)
{
    Keys({{key, true}, {key, false}});
}

std::string WindowText(HWND hwnd)
{
    char text[1024] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string ResourceText(unsigned id)
{
    char buffer[255] = {};
    getGlobalStr(id, buffer, sizeof buffer);
    return buffer;
}

RECT ClientRectOf(HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

namespace {

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// Room a control leaves its text: width taken by a check mark or a frame,
// and DrawText flags that match how it lays the text out; false for
// controls whose text scrolls or is not theirs to fit (edits, lists).
bool TextRoom(HWND control, int& inset, UINT& flags)
{
    char name[32] = {};
    ::GetClassNameA(control, name, sizeof name);
    const LONG_PTR style = ::GetWindowLongPtrA(control, GWL_STYLE);
    if (lstrcmpiA(name, "Static") == 0) {
        const LONG_PTR type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)
            return false;
        inset = 0;
        flags = (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE ? DT_SINGLELINE : DT_WORDBREAK) |
                (style & SS_NOPREFIX ? DT_NOPREFIX : 0);
        return true;
    }
    if (lstrcmpiA(name, "Button") != 0)
        return false;
    switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX:
        inset = 16;
        break;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
        inset = ::GetSystemMetrics(SM_CXMENUCHECK) + 2;
        break;
    default:
        inset = 4;
    }
    flags = DT_SINGLELINE;
    return true;
}

}  // namespace

std::vector<std::string> LayoutFaults(HWND dialog, int bandHeight)
{
    std::vector<std::string> faults;
    RECT client{};
    ::GetClientRect(dialog, &client);
    HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child))
            continue;
        const int id = ::GetDlgCtrlID(child);
        const std::string who = "control " + std::to_string(id) + " \"" + WindowText(child) + "\"";
        const RECT r = ClientRectOf(child);
        RECT inside{};
        if (!::IntersectRect(&inside, &r, &client) || !::EqualRect(&inside, &r))
            faults.push_back(who + " at " + Describe(r) + " leaves the client area " + Describe(client));
        if ((id == IDOK || id == IDCANCEL) && (r.top < client.bottom - bandHeight || r.bottom > client.bottom))
            faults.push_back(who + " at " + Describe(r) + " is not in the band");

        int inset = 0;
        UINT flags = 0;
        const std::string text = WindowText(child);
        if (text.empty() || !TextRoom(child, inset, flags))
            continue;
        RECT room{};
        ::GetClientRect(child, &room);
        room.right -= inset;
        HFONT font = reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0));
        HDC dc = ::GetDC(child);
        HGDIOBJ old = ::SelectObject(dc, font ? font : dialogFont);
        RECT needed{0, 0, room.right, 0};
        ::DrawTextA(dc, text.c_str(), -1, &needed, flags | DT_CALCRECT | DT_EXPANDTABS);
        ::SelectObject(dc, old);
        ::ReleaseDC(child, dc);
        if (needed.right > room.right || needed.bottom > room.bottom)
            faults.push_back(who + " needs " + std::to_string(needed.right) + "x" + std::to_string(needed.bottom) +
                             " but has " + std::to_string(room.right) + "x" + std::to_string(room.bottom));
    }
    return faults;
}

double PictureShown(HWND window, HBITMAP picture, POINT at)
{
    BITMAP info{};
    if (!picture || !::GetObjectA(picture, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return 0;
    const int w = info.bmWidth, h = info.bmHeight;
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC windowDc = ::GetDC(window);
    HDC memory = ::CreateCompatibleDC(windowDc);
    HBITMAP shot = ::CreateCompatibleBitmap(windowDc, w, h);
    HGDIOBJ old = ::SelectObject(memory, shot);
    ::BitBlt(memory, 0, 0, w, h, windowDc, at.x, at.y, SRCCOPY);
    ::SelectObject(memory, old);

    BITMAPINFO format{};
    format.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> seen(static_cast<size_t>(w) * h), wanted(seen.size());
    ::GetDIBits(memory, shot, 0, h, seen.data(), &format, DIB_RGB_COLORS);
    ::GetDIBits(memory, picture, 0, h, wanted.data(), &format, DIB_RGB_COLORS);
    ::DeleteObject(shot);
    ::DeleteDC(memory);
    ::ReleaseDC(window, windowDc);

    size_t same = 0;
    for (size_t i = 0; i < seen.size(); ++i)
        same += (seen[i] & 0xFFFFFF) == (wanted[i] & 0xFFFFFF);
    return static_cast<double>(same) / static_cast<double>(seen.size());
}

TestParent::TestParent()
{
    static const char kClass[] = "pelmo.TestParent";
    RegisterWindowClass(kClass, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    CreateEx(0, kClass, "test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400}, nullptr, 0);
}

LRESULT TestParent::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND)
        commands.emplace_back(LOWORD(wp), HIWORD(wp));
    return CWnd::WindowProc(msg, wp, lp);
}

}  // namespace testui
