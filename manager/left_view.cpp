#include "manager/left_view.h"

#include "core/friend_cache.h"
#include "core/resource_text.h"
#include "core/user_notice.h"
#include "framework/Gdi.h"
#include "manager/contact_transfer.h"
#include "manager/dialog_look.h"
#include "manager/group_dlg.h"
#include "manager/manager_pane.h"
#include "resources/string_ids.h"
#include "skin_lib.h"

#include <vector>

using namespace manager;

namespace {

constexpr DWORD kTreeStyle = 0x50800007;  // child, visible, border, buttons, lines, lines at root
constexpr char kDeleteFailedText[] = "删除分组失败";
constexpr char kDeleteCaption[] = "删除组";
constexpr char kHasContactsText[] = "此组下还有记录,请先移去记录,再删除此组!";
constexpr char kHasSubgroupsText[] = "此组下还有分组,请先删除子分组,再删除此组!";

}  // namespace

// ---- tree ---------------------------------------------------------------------

bool CTipTreeCtrl::Create(HWND parent)
{
    HWND tree = ::CreateWindowExA(0, WC_TREEVIEWA, "", kTreeStyle | TVS_INFOTIP, 0, 0, 0, 0, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kId)), ThisModule(), nullptr);
    return tree && SubclassWindow(tree);
}

int CTipTreeCtrl::Value(HTREEITEM item) const
{
    TVITEMA tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!item || !SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)))
        return kNoGroup;
    return static_cast<int>(tv.lParam);
}

std::string CTipTreeCtrl::Text(HTREEITEM item) const
{
    char buffer[256] = {};
    TVITEMA tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = buffer;
    tv.cchTextMax = sizeof buffer;
    if (!item || !SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)))
        return std::string();
    return buffer;
}

HTREEITEM CTipTreeCtrl::Insert(HTREEITEM parent, const std::string& text, int image, int value)
{
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = const_cast<char*>(text.c_str());
    ins.item.iImage = image;
    ins.item.iSelectedImage = image;
    ins.item.lParam = value;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

namespace {

// Depth first: an item, its children, then its next sibling.
template <typename Visit>
void Walk(HWND tree, Visit visit)
{
    std::vector<HTREEITEM> stack;
    if (HTREEITEM first = TreeView_GetRoot(tree))
        stack.push_back(first);
    while (!stack.empty()) {
        HTREEITEM item = stack.back();
        stack.pop_back();
        if (!visit(item))
            return;
        if (HTREEITEM next = TreeView_GetNextSibling(tree, item))
            stack.push_back(next);
        if (HTREEITEM child = TreeView_GetChild(tree, item))
            stack.push_back(child);
    }
}

}  // namespace

HTREEITEM CTipTreeCtrl::Find(int value) const
{
    HTREEITEM found = nullptr;
    Walk(m_hWnd, [&](HTREEITEM item) {
        if (Value(item) == value)
            found = item;
        return found == nullptr;
    });
    return found;
}

std::unordered_map<int, HTREEITEM> CTipTreeCtrl::ItemsByValue() const
{
    std::unordered_map<int, HTREEITEM> items;
    Walk(m_hWnd, [&](HTREEITEM item) {
        items.emplace(Value(item), item);
        return true;
    });
    return items;
}

HTREEITEM CTipTreeCtrl::Selected() const
{
    return TreeView_GetSelection(m_hWnd);
}

bool CTipTreeCtrl::OnReflectedMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result)
{
    if (msg != WM_NOTIFY)
        return false;
    NMHDR& header = decode::Ref<NMHDR>(lp);
    if (header.code == TVN_GETINFOTIPA) {
        auto& tip = reinterpret_cast<NMTVGETINFOTIPA&>(header);
        if (tip.pszText && tip.cchTextMax > 0)
            ::lstrcpynA(tip.pszText, Text(tip.hItem).c_str(), tip.cchTextMax);
        result = 0;
        return true;
    }
    if (header.code == TVN_GETINFOTIPW) {
        auto& tip = reinterpret_cast<NMTVGETINFOTIPW&>(header);
        if (tip.pszText && tip.cchTextMax > 0) {
            const std::string text = Text(tip.hItem);
            const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, tip.pszText, tip.cchTextMax);
            if (n == 0)
                tip.pszText[tip.cchTextMax - 1] = L'\0';
        }
        result = 0;
        return true;
    }
    return false;
}

// ---- view ---------------------------------------------------------------------

bool CLeftView::Create(HWND splitter)
{
    return CreatePane(splitter, kId);
}

LRESULT CLeftView::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_MANAGER_REFRESH:
        OnRefresh(wp);
        return 0;
    }
    return CManagerPane::WindowProc(msg, wp, lp);
}

int CLeftView::OnCreate()
{
    if (!m_tree.Create(m_hWnd))
        return -1;
    Rebuild();
    return 0;
}

void CLeftView::OnSize(int cx, int cy)
{
    if (m_tree.IsWindow())
        ::MoveWindow(m_tree, kPaneMargin, kPaneMargin, cx - 2 * kPaneMargin, cy - 2 * kPaneMargin, TRUE);
}

LRESULT CLeftView::OnNotify(NMHDR& header)
{
    if (header.hwndFrom == m_tree.GetSafeHwnd()) {
        if (header.code == TVN_SELCHANGEDA || header.code == TVN_SELCHANGEDW) {
            OnSelectionChanged(reinterpret_cast<NMTREEVIEWA&>(header).itemNew.hItem);
            return 0;
        }
        if (header.code == NM_RCLICK) {
            OnRightClick();
            return 1;
        }
    }
    return CWnd::OnNotify(header);
}

void CLeftView::OnRefresh(WPARAM what)
{
    switch (static_cast<int>(what)) {
    case PELMO_MANAGER_ADD_GROUP:
        AddGroup();
        break;
    case PELMO_MANAGER_REBUILD:
        Rebuild();
        break;
    case PELMO_MANAGER_EXPORT:
        ++m_exportRequests;
        Export();
        break;
    case PELMO_MANAGER_IMPORT:
        ++m_importRequests;
        Import();
        break;
    }
}

bool CLeftView::OnCommand(UINT id, UINT, HWND)
{
    switch (id) {
    case kCmdAddGroup:
        AddGroup();
        return true;
    case kCmdEditGroup:
        EditGroup();
        return true;
    case kCmdDeleteGroup:
        DeleteGroup();
        return true;
    case kCmdAddContact:
        if (HWND right = SiblingPane(m_hWnd, 1))
            ::PostMessageA(right, WM_MANAGER_REFRESH, 0, 1);
        return true;
    case kCmdEditContact:
    case kCmdDeleteContact:
        Inform(IDS_MSG_SELECT_ITEM, m_hWnd);
        return true;
    case kCmdImport:
        OnRefresh(PELMO_MANAGER_IMPORT);
        return true;
    case kCmdExport:
        OnRefresh(PELMO_MANAGER_EXPORT);
        return true;
    }
    return false;
}

bool CLeftView::OnUpdateCommand(CommandState& state)
{
    return IsManagerCommand(state.id);
}

void CLeftView::OnSelectionChanged(HTREEITEM item)
{
    if (item && !m_quiet)
        TellRightPane(m_tree.Value(item));
}

void CLeftView::TellRightPane(int value)
{
    if (HWND right = SiblingPane(m_hWnd, 1))
        ::PostMessageA(right, WM_MANAGER_REFRESH, static_cast<WPARAM>(value), 0);
}

void CLeftView::OnRightClick()
{
    POINT screen{};
    ::GetCursorPos(&screen);
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ::ScreenToClient(m_tree, &hit.pt);
    HTREEITEM item = TreeView_HitTest(m_tree, &hit);
    const UINT command = TrackPanePopup(m_hWnd, 1, screen);
    if (!command)
        return;
    m_menuTarget = (item && (hit.flags & TVHT_ONITEM)) ? item : nullptr;
    OnCommand(command, 0, nullptr);
    m_menuTarget = nullptr;
}

HTREEITEM CLeftView::Target() const
{
    return m_menuTarget ? m_menuTarget : m_tree.Selected();
}

void CLeftView::Rebuild()
{
    const FriendCache* cache = GetFriendCache();
    if (!cache) {
        // The old cache may be freed (a failed reload): no item may name it.
        m_quiet = true;
        TreeView_DeleteAllItems(m_tree);
        m_quiet = false;
        return;
    }
    const std::vector<TreeEntry> entries =
        GroupTree(cache, Identity(), resources::String(IDS_GROUP_UNGROUPED), resources::String(IDS_GROUP_BLACKLIST));
    m_tree.SendMessage(WM_SETREDRAW, FALSE);
    TreeView_DeleteAllItems(m_tree);
    std::vector<HTREEITEM> items;
    items.reserve(entries.size());
    for (const TreeEntry& e : entries)
        items.push_back(m_tree.Insert(e.parent >= 0 ? items[e.parent] : nullptr, e.text, e.image, e.value));
    if (!items.empty()) {
        TreeView_Expand(m_tree, items[0], TVE_EXPAND);
        m_quiet = true;
        TreeView_SelectItem(m_tree, items[0]);
        m_quiet = false;
    }
    CSetDlgSkin skin;
    if (TreeView_GetBkColor(m_tree) != static_cast<COLORREF>(skin.GetEditBkColor()))
        TreeView_SetBkColor(m_tree, skin.GetEditBkColor());
    m_tree.SendMessage(WM_SETREDRAW, TRUE);
    m_tree.Invalidate();
    // One selection message for the whole rebuild.
    if (!items.empty())
        TellRightPane(kRootValue);
}

bool CLeftView::CheckItem(const FriendCache* cache, HTREEITEM item)
{
    const int value = m_tree.Value(item);
    if (value < 0 || GroupItemMatches(cache, value, m_tree.Text(item)))
        return true;
    Rebuild();
    Inform(IDS_MSG_SELECT_ITEM, m_hWnd);
    return false;
}

HTREEITEM CLeftView::GroupCommandTarget(GroupCommand (*verdict)(const FriendCache*, const int*), UINT selectText,
                                        UINT fixedText, UINT nothingText)
{
    FriendCache* cache = GetFriendCache();
    if (!cache) {
        Inform(IDS_NOT_INITIALISED, m_hWnd);
        return nullptr;
    }
    HTREEITEM item = Target();
    const int value = m_tree.Value(item);
    UINT refusal = 0;
    switch (verdict(cache, item ? &value : nullptr)) {
    case GroupCommand::kSelectGroup:
        refusal = selectText;
        break;
    case GroupCommand::kFixedGroup:
        refusal = fixedText;
        break;
    case GroupCommand::kNothing:
        refusal = nothingText;
        if (!refusal)
            return nullptr;
        break;
    case GroupCommand::kAct:
        return CheckItem(cache, item) ? item : nullptr;
    }
    Inform(refusal, m_hWnd);
    return nullptr;
}

void CLeftView::AddGroup()
{
    FriendCache* cache = GetFriendCache();
    if (!cache) {
        Inform(IDS_NOT_INITIALISED, m_hWnd);
        return;
    }
    FriendGroup group{};
    group.fatherID = kRootValue;
    if (CGroupDlg(cache, &group, dialogs::kAddMode, m_hWnd).Run() != IDOK)
        return;
    CFriendDB db;
    cache = GetFriendCache();  // the dialog ran the host's messages
    if (!cache || !OpenBook(db) || !db.AddGroup(Identity().c_str(), &group, 1)) {
        Inform(IDS_ERR_ADD_GROUP, m_hWnd);
        return;
    }
    const int parentValue = ParentItemValue(cache, group.fatherID);
    HTREEITEM parent = parentValue == kNoGroup ? nullptr : m_tree.Find(parentValue);
    if (parent) {
        m_tree.Insert(parent, dialogs::FieldText(group.name), kGroupImage, static_cast<int>(cache->groups.count - 1));
        TreeView_Expand(m_tree, parent, TVE_EXPAND);
    }
    TellBookChanged();
}

void CLeftView::EditGroup()
{
    HTREEITEM item = GroupCommandTarget(EditVerdict, IDS_MSG_SELECT_GROUP, IDS_ERR_FIXED_GROUP_MODIFY, 0);
    if (!item)
        return;
    const int value = m_tree.Value(item);
    FriendCache* cache = GetFriendCache();
    FriendGroup edited = cache->groups.data[value];
    const FriendGroup before = edited;
    if (CGroupDlg(cache, &edited, dialogs::kEditMode, m_hWnd).Run() != IDOK)
        return;
    cache = GetFriendCache();
    if (!cache || !CheckItem(cache, item))
        return;
    CFriendDB db;
    if (!OpenBook(db) || !db.ModifyGroup(Identity().c_str(), &edited)) {
        Inform(IDS_ERR_MODIFY, m_hWnd);
        return;
    }
    const std::string name = dialogs::FieldText(edited.name);
    if (edited.fatherID == before.fatherID) {
        TVITEMA tv{};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = const_cast<char*>(name.c_str());
        TreeView_SetItem(m_tree, &tv);
    } else {
        TreeView_DeleteItem(m_tree, item);
        const int parentValue = ParentItemValue(cache, edited.fatherID);
        HTREEITEM parent = parentValue == kNoGroup ? nullptr : m_tree.Find(parentValue);
        if (parent) {
            HTREEITEM moved = m_tree.Insert(parent, name, kGroupImage, value);
            std::vector<HTREEITEM> items;
            for (const TreeEntry& e : GroupSubtree(cache, value))
                items.push_back(m_tree.Insert(e.parent >= 0 ? items[e.parent] : moved, e.text, e.image, e.value));
            TreeView_Expand(m_tree, parent, TVE_EXPAND);
        }
    }
    TellBookChanged();
}

void CLeftView::DeleteGroup()
{
    HTREEITEM item = GroupCommandTarget(DeleteVerdict, IDS_MSG_SELECT_GROUP_DELETE, IDS_ERR_FIXED_GROUP_DELETE,
                                        IDS_MSG_SELECT_GROUP_DELETE);
    if (!item)
        return;
    if (MessageBoxSkin(resources::String(IDS_ASK_DELETE).c_str(), resources::String(IDS_MANAGER_CAPTION).c_str(),
                       PELMO_MB_QUESTION, m_hWnd) != 1)
        return;
    FriendCache* cache = GetFriendCache();  // the question ran the host's messages
    if (!cache || !CheckItem(cache, item))
        return;
    const int value = m_tree.Value(item);
    CFriendDB db;
    if (!OpenBook(db)) {
        ::MessageBoxA(m_hWnd, kDeleteFailedText, kDeleteCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const std::vector<FriendGroup> before(cache->groups.data, cache->groups.data + cache->groups.count);
    const FriendGroup group = cache->groups.data[value];
    const int result = db.DeleteGroupTree(Identity().c_str(), &group);
    db.CloseDB();
    if (result >= 1) {
        // The selection may move while the item goes; the pane hears of it
        // once the values are right.
        m_quiet = true;
        TreeView_DeleteItem(m_tree, item);
        m_quiet = false;
        // Renumber: one walk to find the items, then each survivor takes
        // its new index.
        std::unordered_map<int, HTREEITEM> items = m_tree.ItemsByValue();
        const std::vector<int> oldIndex = OldIndices(before, cache);
        std::vector<std::pair<HTREEITEM, int>> updates;
        for (size_t j = 0; j < oldIndex.size(); ++j) {
            auto it = oldIndex[j] >= 0 ? items.find(oldIndex[j]) : items.end();
            if (it != items.end())
                updates.emplace_back(it->second, static_cast<int>(j));
        }
        for (const auto& u : updates) {
            TVITEMA tv{};
            tv.mask = TVIF_PARAM | TVIF_HANDLE;
            tv.hItem = u.first;
            tv.lParam = u.second;
            TreeView_SetItem(m_tree, &tv);
        }
        if (HTREEITEM selected = m_tree.Selected())
            TellRightPane(m_tree.Value(selected));
        TellBookChanged();
        return;
    }
    // Part of the tree may be gone from the cache even so: show what is left.
    Rebuild();
    if (result == kGroupHasContacts)
        ::MessageBoxA(m_hWnd, kHasContactsText, resources::String(IDS_MANAGER_CAPTION).c_str(), MB_OK);
    else if (result == kGroupHasSubgroups)
        ::MessageBoxA(m_hWnd, kHasSubgroupsText, resources::String(IDS_MANAGER_CAPTION).c_str(), MB_OK);
    else
        ::MessageBoxA(m_hWnd, kDeleteFailedText, kDeleteCaption, MB_OK | MB_ICONINFORMATION);
}

void CLeftView::Export()
{
    const FriendCache* cache = GetFriendCache();
    if (!cache)
        return;
    HTREEITEM item = Target();
    const int value = item ? m_tree.Value(item) : kRootValue;
    if (value >= 0 && !CheckItem(cache, item))
        return;
    ExportContacts(m_hWnd, value, m_tree.Text(item));
}

void CLeftView::Import()
{
    const ImportOutcome outcome = ImportContacts(m_hWnd);
    if (!outcome.reloaded)
        return;
    // The old cache is gone whatever the reload gave: show the new book
    // first, then say how it went.
    Rebuild();
    if (outcome.message)
        Inform(outcome.message, m_hWnd);
}
