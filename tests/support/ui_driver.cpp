#include "support/ui_driver.h"

#include "pelmo.h"

#include <map>

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
