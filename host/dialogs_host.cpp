// pelmo_dialogs_demo: the group and contact dialogs on the sample user.
//
// The dialogs are classes inside the library with no export of their own
// (the manager window opens them), so this program links the library's
// objects instead of pelmo.dll and plays host to that copy.
//
//   pelmo_dialogs_demo.exe                    menu entries open each dialog
//   pelmo_dialogs_demo.exe --shots <folder>   screenshots of each dialog
#include "host/address_book_demo.h"
#include "host/cherry_demo.h"
#include "host/dialogs_demo.h"
#include "host/host_window.h"
#include "host/menu_demo.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr UINT kNotifyMessage = WM_APP + 0x20;

enum Command : UINT {
    kCmdGroupAdd = 100,
    kCmdGroupEdit,
    kCmdContactAdd,
    kCmdContactEdit,
    kCmdExit,
};

const char kClass[] = "PelmoDialogsDemo";
FILE* g_log = stdout;

HMENU BuildMenu()
{
    HMENU dialogs = ::CreatePopupMenu();
    ::AppendMenuA(dialogs, MF_STRING, kCmdGroupAdd, "新建组(&G)...");
    ::AppendMenuA(dialogs, MF_STRING, kCmdGroupEdit, "修改第一个组(&M)...");
    ::AppendMenuA(dialogs, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(dialogs, MF_STRING, kCmdContactAdd, "新建联系人(&C)...");
    ::AppendMenuA(dialogs, MF_STRING, kCmdContactEdit, "修改联系人(&E)...");
    ::AppendMenuA(dialogs, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(dialogs, MF_STRING, kCmdExit, "退出(&X)");
    HMENU bar = ::CreateMenu();
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(dialogs), "对话框(&D)");
    return bar;
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND: {
        int result = 0;
        switch (LOWORD(wp)) {
        case kCmdGroupAdd:
            result = dialogs_demo::OpenGroupDialog(hwnd, false, g_log);
            break;
        case kCmdGroupEdit:
            result = dialogs_demo::OpenGroupDialog(hwnd, true, g_log);
            break;
        case kCmdContactAdd:
            result = dialogs_demo::OpenContactDialog(hwnd, false, g_log);
            break;
        case kCmdContactEdit:
            result = dialogs_demo::OpenContactDialog(hwnd, true, g_log);
            break;
        case kCmdExit:
            ::DestroyWindow(hwnd);
            return 0;
        default:
            return ::DefWindowProcA(hwnd, msg, wp, lp);
        }
        std::fprintf(g_log, "dialog -> %d\n", result);
        std::fflush(g_log);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    if (msg == kNotifyMessage) {
        std::fprintf(g_log, "notice %u\n", static_cast<unsigned>(wp));
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string shots = ShotFolderArgument(argc, argv);
    HWND main = CreateHostWindow(kClass, "pelmo 对话框演示", MainProc, BuildMenu());

    RunAddressBookDemo(main, kNotifyMessage, nullptr, g_log);

    if (!shots.empty()) {
        const int saved = dialogs_demo::ShootDialogs(main, shots, g_log);
        std::fprintf(g_log, "%d dialog screenshots\n", saved);
        cherry_demo::ShootCherryTree(shots, g_log);
        menu_demo::ShootMenus(main, shots, g_log);
        ::DestroyWindow(main);
        return saved == 6 ? 0 : 1;
    }
    return RunMessageLoop();
}
