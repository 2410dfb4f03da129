#include "controls/combo_tree_dropdown.h"
#include "controls/combo_tree.h"
#include "controls/tree_items.h"

namespace {

const char kCheckBitmap[] = "COMBOTREECHECKS";
constexpr int kCheckImageWidth = 13;
constexpr COLORREF kCheckMaskColour = RGB(255, 255, 255);

}  // namespace

const char kComboTreeNoCheckImagesText[] =
    "无法创建树形控件的复选框图像列表。\n请在资源中加入位图资源 \"COMBOTREECHECKS\"。";

bool CComboTreeDropTree::Create(HWND boxWindow, SIZE size, bool checkMode, HMODULE imageModule)
{
    if (m_hWnd)
        return false;
    m_checkMode = checkMode;
    if (checkMode && !m_stateImages) {
        m_stateImages.Reset(::ImageList_LoadImageA(imageModule, kCheckBitmap, kCheckImageWidth, 0, kCheckMaskColour,
                                                   IMAGE_BITMAP, LR_CREATEDIBSECTION));
        m_missingImages = !m_stateImages;
        if (m_missingImages)
            return false;
    }
    // A popup created with the box as parent is owned by the box's top-level
    // window and sends its notifications to the box.
    HWND tree = ::CreateWindowExA(
        WS_EX_TOOLWINDOW, WC_TREEVIEWA, "",
        WS_POPUP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_NOTOOLTIPS | TVS_SHOWSELALWAYS, 0,
        0, size.cx, size.cy, boxWindow, nullptr, ThisModule(), nullptr);
    if (!tree)
        return false;
    SubclassWindow(tree);
    HWND dialog = ::GetParent(boxWindow);
    if (HFONT font = dialog ? reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0)) : nullptr)
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (m_stateImages)
        SendMessage(TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(m_stateImages.Get()));
    m_itemTip.Install(tree);
    return true;
}

HTREEITEM CComboTreeDropTree::Next(HTREEITEM item, UINT how) const
{
    if (!m_hWnd)
        return nullptr;
    return reinterpret_cast<HTREEITEM>(::SendMessageA(m_hWnd, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM CComboTreeDropTree::InsertItem(const std::string& text, HTREEITEM parent, HTREEITEM after)
{
    if (!m_hWnd)
        return nullptr;
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = after ? after : TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(text.c_str());
    if (m_checkMode) {
        insert.item.mask |= TVIF_STATE;
        insert.item.stateMask = TVIS_STATEIMAGEMASK;
        insert.item.state = INDEXTOSTATEIMAGEMASK(kUnchecked);
    }
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::string CComboTreeDropTree::GetItemText(HTREEITEM item) const
{
    return TreeItemText(m_hWnd, item);
}

std::vector<std::string> CComboTreeDropTree::Split(const std::string& path) const
{
    std::vector<std::string> parts;
    if (path.empty())
        return parts;
    size_t start = 0;
    for (;;) {
        size_t end = path.find(m_separator, start);
        parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts;
}

CComboTreeDropTree::Match CComboTreeDropTree::FindDeepest(HTREEITEM parent, const std::vector<std::string>& parts,
                                                          size_t index) const
{
    Match best{};
    HTREEITEM child = parent ? GetChildItem(parent) : Next(nullptr, TVGN_ROOT);
    for (; child; child = GetNextSiblingItem(child)) {
        if (GetItemText(child) != parts[index])
            continue;
        Match here{child, index + 1};
        if (here.depth < parts.size()) {
            Match below = FindDeepest(child, parts, index + 1);
            if (below.item)
                here = below;
        }
        if (here.depth == parts.size())
            return here;
        if (here.depth > best.depth)
            best = here;
    }
    return best;
}

HTREEITEM CComboTreeDropTree::FindPath(const std::string& path) const
{
    const std::vector<std::string> parts = Split(path);
    if (parts.empty() || !m_hWnd)
        return nullptr;
    Match match = FindDeepest(nullptr, parts, 0);
    return match.depth == parts.size() ? match.item : nullptr;
}

HTREEITEM CComboTreeDropTree::AddPath(const std::string& path)
{
    const std::vector<std::string> parts = Split(path);
    if (parts.empty() || !m_hWnd)
        return nullptr;
    Match match = FindDeepest(nullptr, parts, 0);
    if (match.depth == parts.size())
        return nullptr;
    HTREEITEM parent = match.item ? match.item : TVI_ROOT;
    HTREEITEM inserted = nullptr;
    for (size_t i = match.depth; i < parts.size(); ++i) {
        inserted = InsertItem(parts[i], parent, TVI_LAST);
        if (!inserted)
            return nullptr;
        parent = inserted;
    }
    return inserted;
}

HTREEITEM CComboTreeDropTree::SelectPath(const std::string& path)
{
    HTREEITEM item = FindPath(path);
    if (item)
        SelectItem(item);
    return item;
}

std::string CComboTreeDropTree::GetItemPath(HTREEITEM item) const
{
    std::string path;
    for (HTREEITEM at = item; at; at = GetParentItem(at))
        path = at == item ? GetItemText(at) : GetItemText(at) + m_separator + path;
    return path;
}

bool CComboTreeDropTree::SelectItem(HTREEITEM item)
{
    return m_hWnd && SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
}

bool CComboTreeDropTree::ItemExists(HTREEITEM item) const
{
    if (!m_hWnd || !item)
        return false;
    TVITEMA tvi{};
    tvi.mask = TVIF_HANDLE | TVIF_PARAM;
    tvi.hItem = item;
    return ::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)) != 0;
}

int CComboTreeDropTree::SetItemData(HTREEITEM item, LPARAM value)
{
    if (!IsWindow() || !item)
        return -1;
    TVITEMA tvi{};
    tvi.mask = TVIF_HANDLE | TVIF_PARAM;
    tvi.hItem = item;
    tvi.lParam = value;
    return SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)) ? 0 : -1;
}

LPARAM CComboTreeDropTree::GetItemData(HTREEITEM item) const
{
    if (!IsWindow() || !item)
        return 0;
    TVITEMA tvi{};
    tvi.mask = TVIF_HANDLE | TVIF_PARAM;
    tvi.hItem = item;
    ::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
    return tvi.lParam;
}

void CComboTreeDropTree::DeleteAllItems()
{
    if (IsWindow())
        SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    m_savedItem = nullptr;
}

void CComboTreeDropTree::ExpandAll()
{
    std::vector<HTREEITEM> pending;
    for (HTREEITEM item = GetChildItem(nullptr); item; item = GetNextSiblingItem(item))
        pending.push_back(item);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        for (HTREEITEM child = GetChildItem(item); child; child = GetNextSiblingItem(child))
            pending.push_back(child);
    }
}

void CComboTreeDropTree::RememberCaret()
{
    m_savedItem = GetCaret();
    m_savedPath = GetItemPath(m_savedItem);
}

void CComboTreeDropTree::RestoreCaret()
{
    // The saved item itself, when it is still where it was: a path alone
    // cannot tell two groups of the same name apart.
    if (m_savedItem && ItemExists(m_savedItem) && GetItemPath(m_savedItem) == m_savedPath)
        SelectItem(m_savedItem);
    else
        SelectPath(m_savedPath);
}

int CComboTreeDropTree::GetCheck(HTREEITEM item) const
{
    if (!m_hWnd || !item)
        return kCheckNone;
    const UINT state = static_cast<UINT>(
        ::SendMessageA(m_hWnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
    return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

void CComboTreeDropTree::SetState(HTREEITEM item, int state)
{
    TVITEMA tvi{};
    tvi.mask = TVIF_HANDLE | TVIF_STATE;
    tvi.hItem = item;
    tvi.stateMask = TVIS_STATEIMAGEMASK;
    tvi.state = INDEXTOSTATEIMAGEMASK(state);
    SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
}

void CComboTreeDropTree::SetDescendants(HTREEITEM item, int state)
{
    for (HTREEITEM child = GetChildItem(item); child; child = GetNextSiblingItem(child)) {
        SetState(child, state);
        SetDescendants(child, state);
    }
}

void CComboTreeDropTree::UpdateAncestors(HTREEITEM item)
{
    for (HTREEITEM parent = GetParentItem(item); parent; parent = GetParentItem(parent)) {
        bool all = true, some = false;
        for (HTREEITEM child = GetChildItem(parent); child; child = GetNextSiblingItem(child)) {
            const int state = GetCheck(child);
            all = all && state == kChecked;
            some = some || state == kChecked || state == kPartlyChecked;
        }
        SetState(parent, all ? kChecked : some ? kPartlyChecked : kUnchecked);
    }
}

void CComboTreeDropTree::SetCheck(HTREEITEM item, int mode)
{
    if (!m_checkMode || !item || !m_hWnd)
        return;
    const int current = GetCheck(item);
    int state = current;
    switch (mode) {
    case kSetChecked:
        state = kChecked;
        break;
    case kSetUnchecked:
        state = kUnchecked;
        break;
    case kToggleCheck:
        state = current == kChecked || current == kPartlyChecked ? kUnchecked : kChecked;
        break;
    case kPropagateOnly:
        break;
    default:
        return;
    }
    SetState(item, state);
    if (state == kChecked || state == kUnchecked)
        SetDescendants(item, state);
    UpdateAncestors(item);
    if (mode != kPropagateOnly)
        m_box.Notify(kCtnCheckChanged);
}

void CComboTreeDropTree::OnStateIconClick()
{
    const DWORD pos = ::GetMessagePos();
    TVHITTESTINFO hit{};
    hit.pt = decode::Point(pos);
    ::ScreenToClient(m_hWnd, &hit.pt);
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (item && (hit.flags & TVHT_ONITEMSTATEICON))
        SetCheck(item, kToggleCheck);
}

bool CComboTreeDropTree::OnTreeNotify(const NMHDR& header, LRESULT& result)
{
    switch (header.code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
        // Only the user's doing: a program selecting an item is no news.
        const auto& change = reinterpret_cast<const NMTREEVIEWA&>(header);
        if (change.action == TVC_BYMOUSE || change.action == TVC_BYKEYBOARD)
            m_box.Notify(CBN_SELCHANGE);
        return false;
    }
    case NM_CLICK:
        if (m_checkMode)
            OnStateIconClick();
        return false;
    case NM_DBLCLK:
        m_box.OnTreeDoubleClick();
        result = TRUE;  // no expanding on the way out
        return true;
    }
    return false;
}

bool CComboTreeDropTree::OnReflectedMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result)
{
    if (msg == WM_NOTIFY && lp)
        return OnTreeNotify(decode::Ref<NMHDR>(lp), result);
    return false;
}

LRESULT CComboTreeDropTree::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        if (m_box.PreTranslateKey(m_hWnd, msg, wp, lp))
            return 0;
        break;
    case WM_ACTIVATEAPP:
        if (m_box.IsDropped()) {
            m_box.Notify(CBN_KILLFOCUS);
            m_box.CloseUp(false);
        }
        break;
    case WM_ACTIVATE:
        if (decode::Inactive(wp))
            m_box.OnTreeDeactivated(decode::Window(lp));
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
