// The panel's commands: its context menu, the commands the menu and the
// host give, label edits, moves by drag and drop and files dropped on a
// contact. What each decides is in panel_commands.h; here it is applied.
//
// A menu, a question or a dialog runs a message loop in which the host may
// reload the book, the refresh timer may rebuild the tree and the host may
// even close the panel: every command takes the cache again after each of
// them, finds its item again by what it stands for, and stops when the
// panel is gone.
#include "panel/friend_sel_wnd.h"

#include "controls/menu_xp.h"
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/resource_text.h"
#include "core/session_state.h"
#include "core/text.h"
#include "manager/contact_dlg.h"
#include "manager/group_dlg.h"
#include "manager/manager_pane.h"
#include "string_ids.h"

#include <windowsx.h>

#include <algorithm>

namespace {

std::string Text(UINT id)
{
    return resources::String(id);
}

bool Ask(UINT textId, HWND parent)
{
    return MessageBoxSkin(Text(textId).c_str(), Text(IDS_MANAGER_CAPTION).c_str(), PELMO_MB_QUESTION, parent) == 1;
}

void Tell(UINT textId, HWND parent)
{
    outPutInfo(textId, IDS_MANAGER_CAPTION, parent);
}

void Tell(const char* text, HWND parent)
{
    MessageBoxSkin(text, Text(IDS_MANAGER_CAPTION).c_str(), PELMO_MB_INFO, parent);
}

// How many groups and contacts the book holds: a failed operation that
// still changed something shows in these.
std::pair<intptr_t, intptr_t> Counts(const FriendCache* cache)
{
    return cache ? std::make_pair(cache->groups.count, cache->friends.count) : std::make_pair<intptr_t, intptr_t>(0, 0);
}

}  // namespace

bool CFriendSelWnd::GroupsCurrent(const FriendCache* cache) const
{
    const size_t count =
        cache && cache->groups.data && cache->groups.count > 0 ? static_cast<size_t>(cache->groups.count) : 0;
    if (count != m_groupIdOfValue.size())
        return false;
    for (size_t g = 0; g < count; ++g)
        if (cache->groups.data[g].ID != m_groupIdOfValue[g])
            return false;
    return true;
}

std::optional<CFriendSelWnd::ItemRef> CFriendSelWnd::RefOf(HTREEITEM item)
{
    if (!item || !m_tree.ItemExists(item))
        return std::nullopt;
    ItemRef ref{panel::KindOf(static_cast<int>(m_tree.GetItemData(item))), static_cast<int>(m_tree.GetItemData(item))};
    if (ref.kind == panel::ItemKind::kContact) {
        const auto number = m_numberOfItem.find(item);
        if (number == m_numberOfItem.end())
            return std::nullopt;
        ref.number = number->second;
    } else if (ref.kind == panel::ItemKind::kGroup) {
        const intptr_t g = panel::GroupIndexOf(ref.value);
        if (g < 0 || static_cast<size_t>(g) >= m_groupIdOfValue.size())
            return std::nullopt;
        ref.groupId = m_groupIdOfValue[static_cast<size_t>(g)];
    }
    return ref;
}

intptr_t CFriendSelWnd::ContactIndex(const FriendCache* cache, const ItemRef& ref) const
{
    if (ref.kind != panel::ItemKind::kContact || !cache)
        return -1;
    if (panel::ContactMatches(cache, ref.value, ref.number))
        return ref.value;
    return FindFriendByNumber(cache, ref.number.c_str());
}

HTREEITEM CFriendSelWnd::ContactItem(const ItemRef& ref)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto found = m_itemByNumber.find(ref.number);
        if (found != m_itemByNumber.end() &&
            panel::ContactMatches(GetFriendCache(), static_cast<int>(m_tree.GetItemData(found->second)), ref.number))
            return found->second;
        Rebuild();
    }
    return nullptr;
}

void CFriendSelWnd::TakeTarget(HTREEITEM selected, HTREEITEM kept)
{
    m_commandItem = RefOf(selected);
    std::optional<int> value, parentValue;
    if (kept && m_tree.ItemExists(kept)) {
        value = static_cast<int>(m_tree.GetItemData(kept));
        if (HTREEITEM parent = m_tree.Next(kept, TVGN_PARENT))
            parentValue = static_cast<int>(m_tree.GetItemData(parent));
    }
    m_menuGroup = panel::GroupForNewContact(GetFriendCache(), value, parentValue);
}

void CFriendSelWnd::OnContextMenu(bool fromLabel)
{
    if (!GroupsCurrent(GetFriendCache())) {
        Rebuild();  // the items no longer say which group they are
        return;
    }
    ::GetCursorPos(&m_cursorPos);
    POINT at = m_cursorPos;
    ::ScreenToClient(m_tree, &at);
    UINT flags = 0;
    HTREEITEM hit = m_tree.HitTestEx(at, &flags);
    const bool onItem = hit && (flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON));
    // The tree's plain click toggled the item open or shut; a right click
    // asks for the menu and leaves the item as it was.
    if (fromLabel && onItem && (flags & TVHT_ONITEMLABEL) && (m_tree.GetStyle() & kCherryClickExpands) &&
        ::GetKeyState(VK_SHIFT) >= 0 && ::GetKeyState(VK_CONTROL) >= 0 && hit != m_tree.Next(nullptr, TVGN_ROOT) &&
        m_tree.Next(hit, TVGN_CHILD))
        m_tree.SendMessage(TVM_EXPAND, TVE_TOGGLE, reinterpret_cast<LPARAM>(hit));
    HTREEITEM selected = onItem ? m_tree.GetCaret() : nullptr;
    if (onItem && !selected)
        selected = hit;
    TakeTarget(selected, onItem ? selected : hit);
    std::optional<panel::ItemKind> kind;
    if (selected)
        kind = panel::KindOf(static_cast<int>(m_tree.GetItemData(selected)));
    const panel::ContextMenu menu = panel::ContextMenuFor(kind);
    void* self = this;
    if (menu.pickFirst)
        OnPick();
    const auto xp = panel::BuildContextMenu(menu.entries, Text);
    const UINT command = xp->Track(m_cursorPos, TPM_LEFTALIGN | TPM_LEFTBUTTON);
    if (!command || !Live(self))
        return;
    m_fromMenu = true;
    OnCommand(command, 0, nullptr);
    if (Live(self))
        m_fromMenu = false;
}

void CFriendSelWnd::OnTreePress(WPARAM code, LPARAM point)
{
    if (::GetKeyState(VK_RBUTTON) < 0) {
        // A right press on an item's picture: the menu of that item.
        POINT at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
        UINT flags = 0;
        if (HTREEITEM item = m_tree.HitTestEx(at, &flags)) {
            m_tree.DeselectAllExcept(false, item);
            m_tree.SetItemStateEx(item, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
        }
        OnContextMenu(false);
        return;
    }
    if (code != kCherryImagePress)
        return;
    // The extra root's picture adds a contact to no group.
    m_commandItem.reset();
    m_menuGroup = PELMO_GROUP_NONE;
    m_fromMenu = true;
    void* self = this;
    OnCommand(panel::kCmdAddContact, 0, nullptr);
    if (Live(self))
        m_fromMenu = false;
}

void CFriendSelWnd::RunCommand(UINT id)
{
    switch (id) {
    case panel::kCmdCall:
        PostAction(panel::kActionCall);
        break;
    case panel::kCmdCallAlt:
        PostAction(panel::kActionCallAlt);
        break;
    case panel::kCmdMessage:
        PostAction(panel::kActionMessage);
        break;
    case panel::kCmdAddContact:
        AddContact(m_menuGroup);
        break;
    case panel::kCmdAddGroup:
        AddGroup();
        break;
    case panel::kCmdModifyGroup:
        ModifyGroup();
        break;
    case panel::kCmdDeleteGroup:
        DeleteGroup();
        break;
    case panel::kCmdRenameContact:
        StartRename();
        break;
    case panel::kCmdDeleteContact:
        DeleteContact();
        break;
    case panel::kCmdViewHistory:
        ViewHistory();
        break;
    default:  // shown disabled: nothing to do
        break;
    }
}

void CFriendSelWnd::PostAction(LPARAM what)
{
    Post(PELMO_WM_PANEL_ACTION, m_pickedText, what);
}

void CFriendSelWnd::BookChanged()
{
    if (m_notifyWindow && ::IsWindow(m_notifyWindow))
        ::PostMessageA(m_notifyWindow, m_notifyMessage, PELMO_NOTICE_BOOK_CHANGED, 0);
}

void CFriendSelWnd::AddContact(int groupId)
{
    void* self = this;
    int& target = session::Current().targetGroup;
    FriendInfo record = panel::NewContactRecord(groupId, m_pickedText);
    const INT_PTR answer = CContactDlg(&record, dialogs::kAddMode, m_hWnd).Run();
    if (!Live(self) || answer != IDOK) {
        target = session::kNoTargetGroup;
        return;
    }
    // The group the dialog ended on, if it is still there.
    FriendCache* cache = GetFriendCache();
    int group = record.groupID;
    if (group != PELMO_GROUP_NONE && group != PELMO_GROUP_SERVICE && FindGroupById(cache, group) < 0)
        group = PELMO_GROUP_NONE;
    if (!cache || FindFriendByNumber(cache, record.mirrun) >= 0 || !m_notifyWindow || !::IsWindow(m_notifyWindow)) {
        target = session::kNoTargetGroup;
        return;
    }
    target = group;
    CopyField(m_newNumber, record.mirrun);
    ::SendMessageA(m_notifyWindow, m_notifyMessage, PELMO_NOTICE_ADD_NUMBER, reinterpret_cast<LPARAM>(m_newNumber));
    // The host adds the number while it handles the notice; a later add of
    // its own must not land in this group.
    target = session::kNoTargetGroup;
    if (Live(self) && FindFriendByNumber(GetFriendCache(), record.mirrun) >= 0)
        Rebuild();
}

void CFriendSelWnd::AddGroup()
{
    FriendCache* cache = GetFriendCache();
    if (!cache)
        return;
    void* self = this;
    FriendGroup group{};
    group.fatherID = -1;
    const INT_PTR answer = CGroupDlg(cache, &group, dialogs::kAddMode, m_hWnd).Run();
    if (!Live(self) || answer != IDOK || !GetFriendCache())
        return;
    CFriendDB db;
    if (!manager::OpenBook(db) || !db.AddGroup(m_identity.c_str(), &group, 1)) {
        Tell(IDS_ERR_ADD_GROUP, m_hWnd);
        return;
    }
    db.CloseDB();
    Rebuild();  // under the father the dialog chose, not only at the top level
    BookChanged();
}

void CFriendSelWnd::ModifyGroup()
{
    FriendCache* cache = GetFriendCache();
    if (!cache)
        return;
    if (!m_commandItem) {
        Tell(IDS_MSG_SELECT_GROUP, m_hWnd);
        return;
    }
    if (m_commandItem->kind != panel::ItemKind::kGroup)
        return;
    const intptr_t at = FindGroupById(cache, m_commandItem->groupId);
    if (at < 0)
        return;
    void* self = this;
    FriendGroup edited = cache->groups.data[at];
    const INT_PTR answer = CGroupDlg(cache, &edited, dialogs::kEditMode, m_hWnd).Run();
    if (!Live(self) || answer != IDOK || FindGroupById(GetFriendCache(), edited.ID) < 0)
        return;
    CFriendDB db;
    if (!manager::OpenBook(db) || !db.ModifyGroup(m_identity.c_str(), &edited)) {
        Tell(IDS_ERR_MODIFY, m_hWnd);
        return;
    }
    db.CloseDB();
    Rebuild();
    BookChanged();
}

void CFriendSelWnd::DeleteGroup()
{
    if (!GetFriendCache())
        return;
    if (!m_commandItem) {
        Tell(IDS_MSG_SELECT_GROUP, m_hWnd);
        return;
    }
    if (m_commandItem->kind != panel::ItemKind::kGroup)
        return;
    const int id = m_commandItem->groupId;
    void* self = this;
    if (!Ask(IDS_ASK_DELETE, m_hWnd) || !Live(self))
        return;
    FriendCache* cache = GetFriendCache();
    intptr_t at = FindGroupById(cache, id);
    if (at < 0)
        return;
    const auto before = Counts(cache);
    FriendGroup group = cache->groups.data[at];
    panel::GroupDeleteStep step = panel::GroupDeleteStep::kReportFailure;
    {
        CFriendDB db;
        if (manager::OpenBook(db))
            step = panel::AfterGroupRowDeletion(db.DeleteGroupRow(m_identity.c_str(), &group));
    }
    if (step == panel::GroupDeleteStep::kAskAboutContacts) {
        // OK deletes the contacts with the group; anything else keeps them,
        // in the extra root, with every group below taken away in the same
        // step so that none of them is left out of reach.
        const bool withContacts = Ask(IDS_ASK_DELETE_GROUP_CONTACTS, m_hWnd);
        if (!Live(self))
            return;
        cache = GetFriendCache();
        at = FindGroupById(cache, id);
        if (at < 0) {
            Rebuild();
            return;
        }
        group = cache->groups.data[at];
        CFriendDB db;
        int result = kGroupDeleteFailed;
        if (manager::OpenBook(db))
            result = withContacts ? db.DeleteGroupTree(m_identity.c_str(), &group)
                                  : db.DissolveGroupTree(m_identity.c_str(), &group, PELMO_GROUP_NONE);
        step = panel::AfterGroupTreeDeletion(result);
    }
    switch (step) {
    case panel::GroupDeleteStep::kRemoveItem:
        Rebuild();
        BookChanged();
        return;
    case panel::GroupDeleteStep::kReportSubgroups:
        Tell(panel::kSubgroupsText, m_hWnd);
        return;
    default:
        // A deletion of contacts one by one may have gone part of the way.
        if (Counts(GetFriendCache()) != before) {
            Rebuild();
            BookChanged();
        }
        if (Live(self))
            Tell(IDS_ERR_DELETE, m_hWnd);
        return;
    }
}

void CFriendSelWnd::StartRename()
{
    if (!m_commandItem || m_commandItem->kind != panel::ItemKind::kContact)
        return;
    HTREEITEM item = ContactItem(*m_commandItem);
    if (!item)
        return;
    m_tree.SetItemStateEx(item, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
    ::SetFocus(m_tree);
    TreeView_EditLabel(m_tree, item);
}

bool CFriendSelWnd::OnEndLabelEdit(const NMTVDISPINFOA& info)
{
    HTREEITEM item = info.item.hItem;
    const std::optional<ItemRef> ref = RefOf(item);
    if (!ref || ref->kind != panel::ItemKind::kContact)
        return false;
    FriendCache* cache = GetFriendCache();
    if (!panel::ContactMatches(cache, ref->value, ref->number))
        return false;
    // Compared with the whole name, which the edit started from.
    const std::optional<FriendInfo> renamed =
        panel::RenamedContact(cache->friends.data[ref->value], info.item.pszText, m_tree.GetItemFullText(item));
    if (!renamed)
        return false;
    CFriendDB db;
    if (!manager::OpenBook(db) || !db.ModifyFriend(m_identity.c_str(), &*renamed))
        return false;
    db.CloseDB();
    // The new name shows with the rebuild, as stored (cut to its field);
    // the tree is still inside its edit here and keeps the old text.
    PostMessage(kWmRebuildLater);
    BookChanged();
    return false;
}

void CFriendSelWnd::DeleteContact()
{
    if (!m_commandItem || m_commandItem->kind != panel::ItemKind::kContact)
        return;
    const ItemRef ref = *m_commandItem;  // a command the host sends meanwhile takes another
    if (ContactIndex(GetFriendCache(), ref) < 0)
        return;
    void* self = this;
    if (!Ask(IDS_ASK_DELETE, m_hWnd) || !Live(self))
        return;
    FriendCache* cache = GetFriendCache();
    const intptr_t index = ContactIndex(cache, ref);
    if (index < 0) {
        Rebuild();
        return;
    }
    const FriendInfo victim = cache->friends.data[index];
    CFriendDB db;
    if (!manager::OpenBook(db) || !db.DeleteFriend(m_identity.c_str(), &victim)) {
        Tell(IDS_ERR_DELETE, m_hWnd);
        return;
    }
    db.CloseDB();
    Rebuild();
    BookChanged();
}

void CFriendSelWnd::ViewHistory()
{
    if (!m_commandItem || m_commandItem->kind != panel::ItemKind::kContact)
        return;
    const FriendCache* cache = GetFriendCache();
    const intptr_t index = ContactIndex(cache, *m_commandItem);
    HWND main = ::GetAncestor(m_hWnd, GA_ROOT);
    if (index < 0 || !main || main == m_hWnd)
        return;
    // Copies: the main window may change the book while it handles this.
    char identity[16] = {};
    char number[16] = {};
    CopyField(identity, m_identity);
    CopyField(number, cache->friends.data[index].mirrun);
    ::SendMessageA(main, panel::kWmViewHistory, reinterpret_cast<WPARAM>(identity), reinterpret_cast<LPARAM>(number));
}

void CFriendSelWnd::OnCherryDrop(HTREEITEM dragged, HTREEITEM target)
{
    FriendCache* cache = GetFriendCache();
    if (!cache || !m_tree.ItemExists(dragged) || !m_tree.ItemExists(target))
        return;
    if (!GroupsCurrent(cache)) {
        Rebuild();
        return;
    }
    const std::optional<int> group = panel::MoveTargetGroup(cache, static_cast<int>(m_tree.GetItemData(target)));
    if (!group)
        return;
    // The dragged item carries the other selected contacts with it.
    std::vector<HTREEITEM> items;
    if (m_tree.IsSelected(dragged))
        m_tree.GetSelectedItems(items);
    else
        items.push_back(dragged);
    std::vector<FriendInfo> moves;
    for (HTREEITEM item : items) {
        const std::optional<ItemRef> ref = RefOf(item);
        if (!ref || ref->kind != panel::ItemKind::kContact || !panel::ContactMatches(cache, ref->value, ref->number))
            continue;
        FriendInfo moved = cache->friends.data[ref->value];
        if (moved.groupID == *group || moved.groupID == PELMO_GROUP_SERVICE)
            continue;
        moved.groupID = *group;
        moves.push_back(moved);
    }
    if (moves.empty())
        return;
    CFriendDB db;
    if (!manager::OpenBook(db))
        return;
    size_t done = 0;
    for (const FriendInfo& moved : moves)
        done += db.ModifyFriend(m_identity.c_str(), &moved) ? 1 : 0;
    db.CloseDB();
    if (!done)
        return;  // nothing moved: the tree stays as it is
    if (*group == PELMO_GROUP_NONE)
        m_extraExpanded = true;
    else
        m_groupExpanded[*group] = true;
    // The rebuild keeps what was open, read from the items: open the
    // target's item too so the moved contacts show where they went.
    TreeView_Expand(m_tree, target, TVE_EXPAND);
    Rebuild();
    BookChanged();
}

void CFriendSelWnd::OnDropFiles(HDROP drop)
{
    if (!drop)
        return;
    POINT at{};
    ::DragQueryPoint(drop, &at);
    std::vector<std::string> paths;
    const UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileA(drop, i, nullptr, 0);
        std::string path(length + 1, '\0');
        path.resize(::DragQueryFileA(drop, i, &path[0], length + 1));
        paths.push_back(path);
    }
    ::DragFinish(drop);  // released whatever follows

    ::MapWindowPoints(m_hWnd, m_tree, &at, 1);
    UINT flags = 0;
    HTREEITEM item = m_tree.HitTestEx(at, &flags);
    if (!item || !(flags & TVHT_ONITEM))
        return;
    const int value = static_cast<int>(m_tree.GetItemData(item));
    const panel::ItemKind kind = panel::KindOf(value);
    std::string pickValue;
    if (kind == panel::ItemKind::kContact) {
        const std::optional<ItemRef> ref = RefOf(item);
        const FriendCache* cache = GetFriendCache();
        if (!ref || !panel::ContactMatches(cache, value, ref->number))
            return;
        pickValue = panel::PickValue(cache->friends.data[value], m_pickMode);
    } else if (kind == panel::ItemKind::kListEntry) {
        const session::OnlineList& list = session::Current().onlineList;
        const size_t entry = static_cast<size_t>(panel::ListEntryOf(value));
        if (entry >= list.numbers.size())
            return;
        pickValue = list.numbers[entry];
    } else {
        return;  // a root, a group or a placeholder takes no files
    }
    if (panel::DropPathTooLong(paths)) {
        Tell(panel::kPathTooLongText, m_hWnd);
        return;
    }
    const std::optional<std::string> text = panel::DropMessageText(kind, pickValue, paths);
    HWND parent = GetParent();
    if (text && parent)
        ::SendMessageA(parent, PELMO_WM_PANEL_ACTION, reinterpret_cast<WPARAM>(text->c_str()), panel::kActionMessage);
}
