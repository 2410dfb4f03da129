#include "manager/manager_pane.h"

#include "core/host_config.h"
#include "core/provisioning.h"
#include "core/text.h"
#include "core/user_notice.h"
#include "framework/Gdi.h"
#include "manager/dialog_look.h"
#include "resources/resource_ids.h"

#include <cstring>

namespace manager {

const char kPaneClass[] = "pelmo.ManagerPane";

bool IsManagerCommand(UINT id)
{
    return id == kCmdMessage || id == kCmdMail || id == kCmdFax || (id >= kCmdAddGroup && id <= kCmdExport) ||
           id == kCmdCall;
}

HWND SiblingPane(HWND pane, int column)
{
    HWND splitter = pane ? ::GetParent(pane) : nullptr;
    if (!splitter)
        return nullptr;
    // The splitter's panes are its only children, created right pane first;
    // each says its column in its id.
    HWND child = ::GetDlgItem(splitter, 0xE900 + column);
    return child && ::IsWindow(child) ? child : nullptr;
}

std::string Identity()
{
    HostConfig config{};
    if (!ReadHostConfig(&config))
        return std::string();
    return std::string(config.identity, ::strnlen(config.identity, 14));
}

bool OpenBook(CFriendDB& db)
{
    const std::string path = PrepareFriendDB();
    if (path.empty())
        return false;
    db.SetConnectInfo(path, kFriendUser, kFriendPassword);
    return db.OpenDB(0) != 0;
}

void TellBookChanged()
{
    HostConfig config{};
    if (!ReadHostConfig(&config)) {
        TellSystemMessage("主程序未初始化！");
        return;
    }
    if (HWND host = static_cast<HWND>(ULongToHandle(config.notifyWindow)))
        ::PostMessageA(host, config.notifyMessage, PELMO_NOTICE_BOOK_CHANGED, 0);
}

void Inform(unsigned textId, HWND parent)
{
    outPutInfo(textId, dialoglook::kManagerCaption, parent);
}

void PaintPane(HWND pane, bool roundLeft)
{
    PaintDC dc(pane);
    RECT client{};
    ::GetClientRect(pane, &client);
    Brush ground(::CreateSolidBrush(kPaneColour));
    ::FillRect(dc, &client, ground);
    const int left = roundLeft ? 0 : -10;
    const int right = roundLeft ? client.right + 10 : client.right;
    Region band(::CreateRoundRectRgn(left, 0, right, client.bottom, kPaneCorner, kPaneCorner));
    Brush light(::CreateSolidBrush(kPaneBandColour));
    ::FillRgn(dc, band, light);
}

bool RegisterPaneClass()
{
    return CWnd::RegisterWindowClass(kPaneClass, CS_DBLCLKS, nullptr, nullptr, ::LoadCursorA(nullptr, IDC_ARROW));
}

UINT TrackPanePopup(HWND owner, int position, POINT screen)
{
    Menu menu(getGlobalMenu(IDM_MANAGER_POPUPS));
    HMENU popup = menu ? ::GetSubMenu(menu, position) : nullptr;
    if (!popup)
        return 0;
    // The command comes back here rather than as a posted WM_COMMAND, so
    // what the menu was opened on counts for exactly that command.
    return static_cast<UINT>(::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x,
                                              screen.y, 0, owner, nullptr));
}

bool CManagerPane::CreatePane(HWND splitter, UINT id)
{
    return RegisterPaneClass() &&
           CreateEx(0, kPaneClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, RECT{0, 0, 0, 0}, splitter, id);
}

LRESULT CManagerPane::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_SIZE:
        OnSize(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintPane(m_hWnd, m_roundLeft);
        return 0;
    case WM_SETFOCUS:
        ::SetFocus(FocusTarget());
        return 0;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

}  // namespace manager
