#include "host/manager_demo.h"

#include "host/screenshot.h"
#include "pelmo.h"

#include <commctrl.h>

#include <vector>

namespace manager_demo {

namespace {

constexpr int kTreeId = 7035;
constexpr int kListId = 7034;
constexpr UINT_PTR kMenuShotTimer = 0x5108;
constexpr UINT kMenuShotDelayMs = 600;

std::string g_menuShot;
bool g_menuShotSaved = false;

void Pump(DWORD ms)
{
    const DWORD end = ::GetTickCount() + ms;
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(10);
    } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM lp)
{
    auto* search = reinterpret_cast<ChildSearch*>(lp);
    if (::GetDlgCtrlID(child) != search->id)
        return TRUE;
    search->found = child;
    return FALSE;
}

HWND FindChild(HWND parent, int id)
{
    ChildSearch search{id, nullptr};
    ::EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Fires inside the pop-up menu's own loop: the picture, then the menu goes.
void CALLBACK OnMenuShot(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    g_menuShotSaved = SaveScreenshot(g_menuShot);
    ::EndMenu();
}

void RightClick(POINT screen)
{
    ::SetCursorPos(screen.x, screen.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(2, input, sizeof(INPUT));
}

}  // namespace

void Open(FILE* log)
{
    std::fprintf(log, "showFriendMain -> %s\n", showFriendMain(0) ? "the manager" : "null");
}

int Shoot(const std::string& folder, FILE* log)
{
    void* manager = showFriendMain(0);
    if (!manager) {
        std::fprintf(log, "showFriendMain -> null\n");
        return 0;
    }
    char title[255] = {};
    getGlobalStr(507, title, sizeof title);
    HWND frame = ::FindWindowA(nullptr, title);
    HWND tree = FindChild(frame, kTreeId);
    HWND list = FindChild(frame, kListId);
    if (!frame || !tree || !list)
        return 0;
    Pump(300);

    // The group whose list is longest, as a person would pick the busy one.
    HTREEITEM best = nullptr;
    int bestRows = -1;
    std::vector<HTREEITEM> pending{TreeView_GetRoot(tree)};
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        if (!item)
            continue;
        TreeView_SelectItem(tree, item);
        Pump(60);
        const int rows = ListView_GetItemCount(list);
        if (rows > bestRows && item != TreeView_GetRoot(tree)) {
            best = item;
            bestRows = rows;
        }
        pending.push_back(TreeView_GetNextSibling(tree, item));
        pending.push_back(TreeView_GetChild(tree, item));
    }
    TreeView_SelectItem(tree, best);
    ::SetFocus(tree);
    Pump(700);
    int saved = 0;
    if (SaveScreenshot(folder + "\\manager_group.bmp"))
        ++saved;
    std::fprintf(log, "manager: group with %d contacts listed\n", bestRows);

    // The first contact's pop-up menu.
    if (bestRows > 0) {
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        RECT row{};
        ListView_GetItemRect(list, 0, &row, LVIR_LABEL);
        POINT at{row.left + 40, (row.top + row.bottom) / 2};
        ::ClientToScreen(list, &at);
        g_menuShot = folder + "\\manager_contact_menu.bmp";
        g_menuShotSaved = false;
        ::SetTimer(nullptr, kMenuShotTimer, kMenuShotDelayMs, OnMenuShot);
        RightClick(at);
        Pump(1500);
        if (g_menuShotSaved)
            ++saved;
    }
    ::SendMessageA(frame, WM_CLOSE, 0, 0);
    hideFriendMain(&manager);
    Pump(200);
    return saved;
}

}  // namespace manager_demo
