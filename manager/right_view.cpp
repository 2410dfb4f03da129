#include "manager/right_view.h"

#include "core/friend_cache.h"
#include "core/growable_array.h"
#include "core/host_config.h"
#include "core/resource_text.h"
#include "core/session_state.h"
#include "manager/contact_dlg.h"
#include "manager/dialog_look.h"
#include "manager/manager_pane.h"
#include "resources/resource_ids.h"
#include "resources/string_ids.h"
#include "skin_lib.h"

#include <cstring>

using namespace manager;

namespace {

constexpr DWORD kListStyle = 0x50800009;  // child, visible, border, report, always show selection
constexpr DWORD kListExStyle = LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP;
constexpr int kColumnWidthPerByte = 10;
constexpr int kMaxHeaders = 50;
constexpr COLORREF kTransparent = RGB(255, 0, 255);
// Presence news waits for this, so that a burst is one refresh.
constexpr UINT WM_PRESENCE_DUE = WM_APP + 0x466;

}  // namespace

bool CRightView::Create(HWND splitter)
{
    return CreatePane(splitter, kId);
}

LRESULT CRightView::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_MANAGER_REFRESH:
        OnRefresh(wp, lp);
        return 0;
    case WM_PRESENCE:
        OnPresence(wp);
        return 0;
    case WM_PRESENCE_DUE:
        OnPresenceDue();
        return 0;
    }
    return CManagerPane::WindowProc(msg, wp, lp);
}

int CRightView::OnCreate()
{
    HostConfig config{};
    if (ReadHostConfig(&config)) {
        m_notifyWindow = static_cast<HWND>(ULongToHandle(config.notifyWindow));
        m_notifyMessage = config.notifyMessage;
    }
    Bitmap states(getGlobalBitmap(IDB_CONTACT_STATES));
    m_images.Reset(ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 0));
    if (m_images && states)
        ImageList_AddMasked(m_images, states, kTransparent);

    const RECT client = GetClientRect();
    m_list = ::CreateWindowExA(0, WC_LISTVIEWA, "", kListStyle, 0, 0, client.right, client.bottom, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kListId)), ThisModule(), nullptr);
    if (!m_list)
        return -1;
    ListView_SetExtendedListViewStyleEx(m_list, ~0u, kListExStyle);
    ListView_SetImageList(m_list, m_images.Get(), LVSIL_SMALL);
    for (int i = 0; i < kMaxHeaders && kHeaderIds[i]; ++i) {
        const std::string text = resources::String(kHeaderIds[i]);
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumnWidthPerByte * static_cast<int>(text.size());
        column.pszText = const_cast<char*>(text.c_str());
        column.iSubItem = i;
        ::SendMessageA(m_list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    CSetDlgSkin skin;
    ListView_SetBkColor(m_list, skin.GetEditBkColor());
    ListView_SetTextBkColor(m_list, skin.GetEditBkColor());
    Notify(PELMO_NOTICE_LIST_CREATED, reinterpret_cast<LPARAM>(m_hWnd), false);
    return 0;
}

void CRightView::OnSize(int cx, int cy)
{
    if (m_list)
        ::MoveWindow(m_list, kPaneMargin, kPaneMargin, cx - 2 * kPaneMargin, cy - 2 * kPaneMargin, TRUE);
}

void CRightView::OnDestroy()
{
    Notify(PELMO_NOTICE_LIST_CLOSING, reinterpret_cast<LPARAM>(m_hWnd), false);
}

void CRightView::Notify(WPARAM code, LPARAM lp, bool post) const
{
    if (!m_notifyWindow)
        return;
    if (post)
        ::PostMessageA(m_notifyWindow, m_notifyMessage, code, lp);
    else
        ::SendMessageA(m_notifyWindow, m_notifyMessage, code, lp);
}

LRESULT CRightView::OnNotify(NMHDR& header)
{
    if (header.hwndFrom == m_list && header.code == NM_RCLICK) {
        OnRightClick();
        return 0;
    }
    if (header.hwndFrom == m_list && header.code == LVN_GETDISPINFOA) {
        OnGetImage(reinterpret_cast<NMLVDISPINFOA&>(header));
        return 0;
    }
    return CWnd::OnNotify(header);
}

// Rows take their picture from the cache when shown, so presence news costs
// one repaint, not one item update per row.
void CRightView::OnGetImage(NMLVDISPINFOA& info) const
{
    if (!(info.item.mask & LVIF_IMAGE))
        return;
    const FriendCache* cache = GetFriendCache();
    const intptr_t index = info.item.lParam;
    if (!cache || index < 0 || index >= cache->friends.count) {
        info.item.iImage = RowIcon(PELMO_STATE_OFFLINE, 0);
        return;
    }
    const FriendInfo& contact = cache->friends.data[index];
    info.item.iImage = RowIcon(contact.state, contact.gender);
}

CRightView::ListedCache CRightView::Snapshot(const FriendCache* cache)
{
    ListedCache listed;
    if (!cache)
        return listed;
    listed.cache = cache;
    listed.data = cache->friends.data;
    listed.count = cache->friends.count;
    listed.changes = ArrayChangeCount();
    return listed;
}

void CRightView::OnRightClick()
{
    POINT screen{};
    ::GetCursorPos(&screen);
    if (const UINT command = TrackPanePopup(m_hWnd, 2, screen))
        OnCommand(command, 0, nullptr);
}

void CRightView::OnRefresh(WPARAM wp, LPARAM lp)
{
    if (lp == 0)
        ShowGroup(static_cast<int>(wp));
    else
        AddContact();
}

void CRightView::OnPresence(WPARAM code)
{
    // Only the first notice of a burst posts: the rest find a refresh due.
    const bool alreadyDue = m_iconsDue || m_relistDue;
    if (code == PELMO_PRESENCE_ONLINE || code == PELMO_PRESENCE_OFFLINE)
        m_iconsDue = true;
    else if (code == PELMO_PRESENCE_REBUILD)
        m_relistDue = true;
    else
        return;
    if (!alreadyDue)
        ::PostMessageA(m_hWnd, WM_PRESENCE_DUE, 0, 0);
}

void CRightView::OnPresenceDue()
{
    const bool relist = m_relistDue;
    const bool icons = m_iconsDue;
    m_relistDue = m_iconsDue = false;
    if (relist)
        ListGroup(m_currentGroup);
    else if (icons)
        RefreshIcons();
}

void CRightView::ShowGroup(int value)
{
    const FriendCache* cache = GetFriendCache();
    if (!cache) {
        ListView_DeleteAllItems(m_list);
        return;
    }
    int group = 0;
    if (!ShownGroup(cache, value, &group))
        return;
    m_currentGroup = group;
    ListGroup(group);
}

void CRightView::ListGroup(int group)
{
    const FriendCache* cache = GetFriendCache();
    ::SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(m_list);
    const std::vector<Row> rows = ListRows(cache, group);
    ListView_SetItemCount(m_list, static_cast<int>(rows.size()));
    int position = 0;
    for (const Row& row : rows) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = position;
        item.pszText = const_cast<char*>(row.texts[0].c_str());
        item.iImage = I_IMAGECALLBACK;
        item.lParam = row.index;
        const int at = static_cast<int>(::SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < kColumnCount; ++c) {
            if (row.texts[c].empty())
                continue;
            LVITEMA cell{};
            cell.iSubItem = c;
            cell.pszText = const_cast<char*>(row.texts[c].c_str());
            ::SendMessageA(m_list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&cell));
        }
        ++position;
    }
    m_listed = Snapshot(cache);
    ::SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_list, nullptr, TRUE);
}

void CRightView::RefreshIcons()
{
    const FriendCache* cache = GetFriendCache();
    if (!cache)
        return;
    if (Snapshot(cache) == m_listed) {
        ::InvalidateRect(m_list, nullptr, FALSE);
        return;
    }
    // The cache changed under the list: its rows may name other contacts.
    const int count = ListView_GetItemCount(m_list);
    for (int i = 0; i < count; ++i) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ListView_GetItem(m_list, &item);
        if (!RowMatches(cache, static_cast<int>(item.lParam), CellText(i, 1), CellText(i, 2))) {
            ListGroup(m_currentGroup);
            return;
        }
    }
    m_listed = Snapshot(cache);
    ::InvalidateRect(m_list, nullptr, FALSE);
}

std::string CRightView::CellText(int row, int column) const
{
    char buffer[256] = {};
    ListView_GetItemText(m_list, row, column, buffer, sizeof buffer);
    return buffer;
}

int CRightView::SelectedContact(const FriendCache* cache)
{
    const int row = ListView_GetNextItem(m_list, -1, LVNI_SELECTED);
    if (row < 0) {
        Inform(IDS_MSG_SELECT_ITEM, m_hWnd);
        return -1;
    }
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    ListView_GetItem(m_list, &item);
    const int index = static_cast<int>(item.lParam);
    if (!RowMatches(cache, index, CellText(row, 1), CellText(row, 2))) {
        ListGroup(m_currentGroup);
        Inform(IDS_MSG_SELECT_ITEM, m_hWnd);
        return -1;
    }
    return index;
}

bool CRightView::OnCommand(UINT id, UINT, HWND)
{
    switch (id) {
    case kCmdAddContact:
        AddContact();
        return true;
    case kCmdEditContact:
        EditContact();
        return true;
    case kCmdDeleteContact:
        DeleteContact();
        return true;
    case kCmdAddGroup:
        if (HWND left = SiblingPane(m_hWnd, 0))
            ::PostMessageA(left, WM_MANAGER_REFRESH, PELMO_MANAGER_ADD_GROUP, 1);
        return true;
    case kCmdEditGroup:
    case kCmdDeleteGroup:
        Inform(IDS_MSG_SELECT_ITEM, m_hWnd);
        return true;
    case kCmdMessage:
    case kCmdMail:
    case kCmdFax:
    case kCmdCall:
        HandOver(id);
        return true;
    }
    return false;
}

bool CRightView::OnUpdateCommand(CommandState& state)
{
    return IsManagerCommand(state.id) && state.id != kCmdImport && state.id != kCmdExport;
}

void CRightView::HandOver(UINT command)
{
    FriendCache* cache = GetFriendCache();
    if (!cache) {
        Inform(IDS_NOT_INITIALISED, m_hWnd);
        return;
    }
    const int index = SelectedContact(cache);
    if (index < 0)
        return;
    FriendInfo& info = cache->friends.data[index];
    const char* field = info.mirrun;
    WPARAM code = PELMO_NOTICE_MESSAGE;
    switch (command) {
    case kCmdMessage:
        code = PELMO_NOTICE_CALL;
        break;
    case kCmdMail:
        code = PELMO_NOTICE_MAIL;
        field = info.e_mail;
        break;
    case kCmdFax:
        code = PELMO_NOTICE_FAX;
        field = info.fax_phone;
        break;
    }
    Notify(code, reinterpret_cast<LPARAM>(field), true);
}

void CRightView::AddContact()
{
    FriendInfo info{};
    info.groupID = m_currentGroup;
    if (CContactDlg(&info, dialogs::kAddMode, m_hWnd).Run() != IDOK)
        return;
    const FriendCache* cache = GetFriendCache();
    if (!cache) {
        Inform(IDS_NOT_INITIALISED, m_hWnd);
        return;
    }
    if (FindFriendByNumber(cache, info.mirrun) >= 0) {
        Inform(IDS_ERR_NUMBER_EXISTS, m_hWnd);
        Inform(IDS_ERR_ALREADY_CONTACT, m_hWnd);
        return;
    }
    if (!m_notifyWindow) {
        // The host alone stores contacts: without it the number would vanish.
        Inform(IDS_NOT_INITIALISED, m_hWnd);
        return;
    }
    // addFriend files the contact under targetGroup: make that the group
    // the user chose.
    session::Current().targetGroup = info.groupID;
    Notify(PELMO_NOTICE_ADD_NUMBER, reinterpret_cast<LPARAM>(info.mirrun), false);
}

void CRightView::EditContact()
{
    const FriendCache* cache = GetFriendCache();
    if (!cache) {
        Inform(IDS_NOT_INITIALISED, m_hWnd);
        return;
    }
    const int index = SelectedContact(cache);
    if (index < 0)
        return;
    FriendInfo edited = cache->friends.data[index];
    const FriendInfo before = edited;
    if (CContactDlg(&edited, dialogs::kEditMode, m_hWnd).Run() != IDOK)
        return;
    // The dialog ran the host's messages: the cache may have moved on.
    cache = GetFriendCache();
    if (!cache || !RowMatches(cache, index, dialogs::FieldText(before.mirrun), dialogs::FieldText(before.name))) {
        ListGroup(m_currentGroup);
        Inform(IDS_MSG_SELECT_ITEM, m_hWnd);
        return;
    }
    edited.state = cache->friends.data[index].state;
    CFriendDB db;
    if (!OpenBook(db) || !db.ModifyFriend(Identity().c_str(), &edited)) {
        Inform(IDS_ERR_MODIFY, m_hWnd);
        return;
    }
    db.CloseDB();
    if (edited.groupID == before.groupID) {
        ListGroup(edited.groupID);
    } else {
        const int row = ListView_GetNextItem(m_list, -1, LVNI_SELECTED);
        if (row >= 0)
            ListView_DeleteItem(m_list, row);
    }
    TellBookChanged();
}

void CRightView::DeleteContact()
{
    const FriendCache* cache = GetFriendCache();
    if (!cache) {
        Inform(IDS_NOT_INITIALISED, m_hWnd);
        return;
    }
    if (SelectedContact(cache) < 0)
        return;
    if (MessageBoxSkin(resources::String(IDS_ASK_DELETE).c_str(), resources::String(IDS_MANAGER_CAPTION).c_str(),
                       PELMO_MB_QUESTION, m_hWnd) != 1)
        return;
    cache = GetFriendCache();
    if (!cache) {
        ListView_DeleteAllItems(m_list);
        return;
    }
    const int index = SelectedContact(cache);
    if (index < 0)
        return;
    const FriendInfo victim = cache->friends.data[index];
    CFriendDB db;
    if (!OpenBook(db) || !db.DeleteFriend(Identity().c_str(), &victim)) {
        Inform(IDS_ERR_DELETE, m_hWnd);
        return;
    }
    db.CloseDB();
    ListGroup(m_currentGroup);
    TellBookChanged();
}
