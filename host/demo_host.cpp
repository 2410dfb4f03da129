// pelmo_demo: a small host program that uses pelmo.dll the way the real
// client does: it keeps the configuration record in tembra.dll, loads
// pelmo.dll, calls its exports and receives its notices.
//
//   pelmo_demo.exe                    a window for a person to try things in
//   pelmo_demo.exe --shots <folder>   runs the scenario by itself and saves a
//                                     screenshot (.bmp) of every window shown
#include "host/address_book_demo.h"
#include "host/history_demo.h"
#include "host/host_window.h"
#include "host/manager_demo.h"
#include "host/panel_demo.h"
#include "host/screenshot.h"
#include "history_lib.h"
#include "pelmo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace {

constexpr UINT kNotifyMessage = WM_APP + 0x20;
constexpr UINT kShotTimer = 0x5107;
constexpr UINT kShotDelayMs = 700;
constexpr UINT_PTR kPresenceTimer = 0x5108;
constexpr UINT kPresenceEveryMs = 1500;

enum Command : UINT {
    kCmdInfoBox = 100,
    kCmdQuestionBox,
    kCmdErrorBox,
    kCmdRegions,
    kCmdLogIn,
    kCmdManager,
    kCmdExit,
    kCmdHistory,
    kCmdPanel,
    kCmdSimulate,
};
constexpr int kLogListId = 500;

const char kMainClass[] = "PelmoDemoHost";
HWND g_main = nullptr;
HWND g_logList = nullptr;  // the host's log, shown on its main window
std::string g_shotDir;     // empty: interactive
std::string g_pendingShot;
FILE* g_log = stdout;
std::set<HWND> g_presenceWindows;  // the windows notice 4 named, until notice 5
bool g_simulating = false;
unsigned g_simulationStep = 0;

void Log(const char* format, const std::string& text)
{
    std::fprintf(g_log, format, text.c_str());
    std::fflush(g_log);
}

const char* NoticeName(WPARAM code)
{
    switch (code) {
    case 2:
        return "添加号码";
    case 4:
        return "联系人列表窗口已打开";
    case 5:
        return "联系人列表窗口关闭";
    case 6:
        return "通讯录已更改";
    case 8:
        return "通讯录已重新载入";
    }
    return code >= 10 && code <= 15 ? "联系人或工具栏操作" : code >= 20 ? "打开历史记录" : "其他";
}

// One line to the log file and to the list on the main window.
void HostLog(const std::string& line)
{
    std::fprintf(g_log, "%s\n", line.c_str());
    std::fflush(g_log);
    if (g_logList) {
        const LRESULT at = ::SendMessageA(g_logList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        ::SendMessageA(g_logList, LB_SETTOPINDEX, static_cast<WPARAM>(at), 0);
    }
}

// A notice, decoded: its code, what it means and the value it carries.
void OnNotice(WPARAM code, LPARAM value)
{
    std::string line = "通知 " + std::to_string(code) + "：" + NoticeName(code);
    switch (code) {
    case PELMO_NOTICE_ADD_NUMBER:
    case PELMO_NOTICE_CALL:
    case PELMO_NOTICE_MAIL:
    case PELMO_NOTICE_FAX:
    case PELMO_NOTICE_MESSAGE:
        if (value)
            line += std::string(" — ") + reinterpret_cast<const char*>(value);
        break;
    case PELMO_NOTICE_LIST_CREATED:
        g_presenceWindows.insert(reinterpret_cast<HWND>(value));
        break;
    case PELMO_NOTICE_LIST_CLOSING:
        g_presenceWindows.erase(reinterpret_cast<HWND>(value));
        break;
    }
    HostLog(line);
}

// Simulated network traffic: every tick one contact of the book goes online
// or offline, and the windows that asked for presence are told, as the
// client does when the server reports; every other tick the server's online
// list reaches the docked panel too.
void CALLBACK OnPresenceTimer(HWND, UINT, UINT_PTR, DWORD)
{
    const unsigned step = g_simulationStep++;
    if (step % 2 == 0)
        panel_demo::DeliverOnlineList(g_main);
    FriendCache* book = GetFriendCache();
    if (!book || book->friends.count == 0)
        return;
    const intptr_t at = static_cast<intptr_t>((step * 7u) % static_cast<unsigned>(book->friends.count));
    const std::string number = book->friends.data[at].mirrun;
    const int online = getFriendState(number.c_str()) ? 0 : 1;
    setFriendState(number.c_str(), online);
    for (HWND window : g_presenceWindows) {
        if (::IsWindow(window))
            ::SendMessageA(window, PELMO_WM_PRESENCE, online ? PELMO_PRESENCE_ONLINE : PELMO_PRESENCE_OFFLINE,
                           reinterpret_cast<LPARAM>(number.c_str()));
    }
    char name[50] = {};
    getFriendNickName(number.c_str(), name);
    HostLog(std::string("模拟：") + name + " (" + number + ") " + (online ? "上线" : "下线"));
}

void ToggleSimulation()
{
    g_simulating = !g_simulating;
    if (g_simulating)
        ::SetTimer(g_main, kPresenceTimer, kPresenceEveryMs, OnPresenceTimer);
    else
        ::KillTimer(g_main, kPresenceTimer);
    ::CheckMenuItem(::GetMenu(g_main), kCmdSimulate, g_simulating ? MF_CHECKED : MF_UNCHECKED);
    HostLog(g_simulating ? "模拟在线状态和在线列表：开" : "模拟在线状态和在线列表：关");
}

void LayOut()
{
    if (!g_logList)
        return;
    RECT r = panel_demo::FreeArea(g_main);
    ::InflateRect(&r, -8, -8);
    ::MoveWindow(g_logList, r.left, r.top, std::max<LONG>(0, r.right - r.left), std::max<LONG>(0, r.bottom - r.top),
                 TRUE);
}

// Timer that fires inside a modal box's message loop: take the picture, then
// answer the box with Enter as a person would.
void CALLBACK OnShotTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    if (!g_pendingShot.empty()) {
        SaveScreenshot(g_shotDir + "\\" + g_pendingShot + ".bmp");
        Log("screenshot %s\n", g_pendingShot);
        g_pendingShot.clear();
    }
    HWND box = ::GetForegroundWindow();
    if (box && box != g_main)
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}

void ArmShot(const char* name)
{
    if (g_shotDir.empty())
        return;
    g_pendingShot = name;
    ::SetTimer(nullptr, kShotTimer, kShotDelayMs, OnShotTimer);
}

std::string Text(unsigned id)
{
    char buffer[255] = {};
    getGlobalStr(id, buffer, sizeof buffer);
    return buffer;
}

void ShowInfoBox()
{
    ArmShot("messagebox_info");
    const int result = MessageBoxSkin("通讯录已经准备好了。\n联系人、分组和历史记录都可以在这里管理。",
                                      Text(507).c_str(), PELMO_MB_INFO, g_main);
    std::fprintf(g_log, "information box -> %d\n", result);
}

void ShowQuestionBox()
{
    ArmShot("messagebox_question");
    const int result = MessageBoxSkin(Text(514).c_str(), Text(507).c_str(), PELMO_MB_QUESTION, g_main);
    std::fprintf(g_log, "question box -> %d\n", result);
}

void ShowErrorBox()
{
    ArmShot("messagebox_error");
    const int result = outPutInfoErr(515, -1, 507, g_main);
    std::fprintf(g_log, "error box -> %d\n", result);
}

void ListRegions()
{
    for (const RegionEntry* entry = getRegionNum(); entry->nameId != 0; ++entry)
        std::fprintf(g_log, "region %u %s\n", entry->nameId, entry->prefix);
}

// Logs the sample user in: configuration record, address book, contacts.
void LogIn()
{
    RunAddressBookDemo(g_main, kNotifyMessage, nullptr, g_log);
    SeedHistoryDemo(g_log);
    panel_demo::SeedBook(g_log);
    // The book was read anew: the windows that show it list it again.
    for (HWND window : g_presenceWindows)
        if (::IsWindow(window))
            ::SendMessageA(window, PELMO_WM_PRESENCE, PELMO_PRESENCE_REBUILD, 0);
    HostLog("示例用户已登录");
}

HMENU BuildMenu()
{
    HMENU boxes = ::CreatePopupMenu();
    ::AppendMenuA(boxes, MF_STRING, kCmdLogIn, "登录示例用户(&L)");
    ::AppendMenuA(boxes, MF_STRING, kCmdHistory, "历史记录(&H)...");
    ::AppendMenuA(boxes, MF_STRING, kCmdManager, "通讯录管理(&M)...");
    ::AppendMenuA(boxes, MF_STRING, kCmdPanel, "停靠联系人面板(&P)");
    ::AppendMenuA(boxes, MF_STRING, kCmdSimulate, "模拟在线状态和在线列表(&S)");
    ::AppendMenuA(boxes, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(boxes, MF_STRING, kCmdInfoBox, "信息框(&I)");
    ::AppendMenuA(boxes, MF_STRING, kCmdQuestionBox, "询问框(&Q)");
    ::AppendMenuA(boxes, MF_STRING, kCmdErrorBox, "错误框(&E)");
    ::AppendMenuA(boxes, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(boxes, MF_STRING, kCmdRegions, "列出地区代码(&R)");
    ::AppendMenuA(boxes, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(boxes, MF_STRING, kCmdExit, "退出(&X)");
    HMENU bar = ::CreateMenu();
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(boxes), "演示(&D)");
    return bar;
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case kCmdInfoBox:
            ShowInfoBox();
            return 0;
        case kCmdQuestionBox:
            ShowQuestionBox();
            return 0;
        case kCmdErrorBox:
            ShowErrorBox();
            return 0;
        case kCmdRegions:
            ListRegions();
            return 0;
        case kCmdLogIn:
            LogIn();
            return 0;
        case kCmdHistory:
            OpenHistoryViewer(g_log);
            return 0;
        case kCmdManager:
            manager_demo::Open(g_log);
            return 0;
        case kCmdPanel:
            if (!::GetDlgItem(hwnd, 3200)) {
                panel_demo::Dock(hwnd, true, HostLog);
                LayOut();
            }
            return 0;
        case kCmdSimulate:
            ToggleSimulation();
            return 0;
        case kCmdExit:
            ::DestroyWindow(hwnd);
            return 0;
        }
        break;
    case WM_SIZE:
    case WM_PARENTNOTIFY:  // the panel or the tool bar came or went
        LayOut();
        break;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    if (msg == kNotifyMessage) {
        OnNotice(wp, lp);
        return 0;
    }
    if (panel_demo::OnMessage(hwnd, msg, wp, lp)) {
        LayOut();
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

void RunScenario()
{
    LogIn();
    panel_demo::Shoot(g_main, g_shotDir, HostLog);
    // A few seconds of simulated presence traffic into the docked panel.
    if (::GetDlgItem(g_main, 3200)) {
        ToggleSimulation();
        Pump(kPresenceEveryMs * 3 + 500);
        ToggleSimulation();
        Pump(200);
        SaveScreenshot(g_shotDir + "\\demo_presence_traffic.bmp");
    }
    manager_demo::Shoot(g_shotDir, g_log);
    ShowInfoBox();
    ShowQuestionBox();
    ShowErrorBox();
    ListRegions();
    RunHistoryScenario(g_shotDir, g_log);
}

}  // namespace

int main(int argc, char** argv)
{
    g_shotDir = ShotFolderArgument(argc, argv);
    g_main = CreateHostWindow(kMainClass, "pelmo 演示主程序", MainProc, BuildMenu(), getGlobalIcon(3142));
    g_logList = ::CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOSEL, 0, 0,
                                  0, 0, g_main, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kLogListId)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(g_logList, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), 0);
    LayOut();
    HostLog("pelmo 演示主程序：“演示”菜单打开通讯录管理和历史记录，也可模拟在线状态和在线列表。");

    std::fprintf(g_log, "InitFriendList -> %d\n", InitFriendList());

    if (!g_shotDir.empty()) {
        RunScenario();
        ::DestroyWindow(g_main);
        return 0;
    }
    // A person starts where the client's user does: logged in, the panel
    // docked at the right with the tool bar above.
    LogIn();
    panel_demo::Dock(g_main, true, HostLog);
    LayOut();
    return RunMessageLoop();
}
