#include "panel/friend_sel_wnd.h"

#include "core/friend_db.h"
#include "core/host_config.h"
#include "core/resource_text.h"
#include "core/session_state.h"
#include "core/text.h"
#include "manager/manager_pane.h"
#include "resource_ids.h"
#include "string_ids.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

namespace {

constexpr char kPanelClass[] = "PelmoFriendSel";
constexpr UINT WM_PANEL_ACTION = PELMO_WM_PANEL_ACTION;
constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_EDITLABELS | TVS_SHOWSELALWAYS |
                             TVS_NOTOOLTIPS | TVS_FULLROWSELECT | kCherryHotParents | kCherryClickExpands;
constexpr COLORREF kTreeBack = 0xF7EFEF;
constexpr COLORREF kGround = 0xCCB7B5;
constexpr COLORREF kFrameOuter = 0xCCB6AB;
constexpr COLORREF kFrameInner = 0xF2EAEB;
constexpr COLORREF kFrameShade = 0xFCF8F8;
constexpr int kItemHeight = 18;
constexpr int kDefaultIndent = 20;
constexpr size_t kMaxNumberChars = 15;
constexpr char kFontFace[] = "Bodoni MT";
constexpr int kFontPoints = 9;
constexpr int kSmallImageWidth = 8;
constexpr int kSmallImageHeight = 14;
constexpr COLORREF kMagenta = RGB(255, 0, 255);
const UINT kPictureIds[3] = {IDB_PANEL_OFFLINE, IDB_PANEL_ONLINE, IDB_PANEL_SPECIAL};

HFONT MakeFont(HWND window)
{
    HDC dc = ::GetDC(window);
    const int height = -::MulDiv(kFontPoints, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    ::ReleaseDC(window, dc);
    return ::CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, kFontFace);
}

panel::PanelTexts Texts()
{
    return panel::PanelTexts{resources::String(IDS_SERVICE_ROOT), resources::String(IDS_GROUP_MY_FRIENDS),
                             resources::String(IDS_CONTACTDLG_TITLE_ADD), resources::String(IDS_EMPTY_GROUP_ITEM),
                             resources::String(IDS_SERVICE_NAME, 49)};
}

void Line(HDC dc, COLORREF colour, int x1, int y1, int x2, int y2)
{
    Pen pen(::CreatePen(PS_SOLID, 1, colour));
    SelectScope keep(dc, pen.Get());
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

// The module-wide lock over the shared online-list flags and the rebuilds
// that read them; a no-op before the first panel created it.
class PanelLock {
public:
    PanelLock() : m_shared(session::Panels()), m_held(!m_shared.lockPending)
    {
        if (m_held)
            ::EnterCriticalSection(&m_shared.panelLock);
    }
    ~PanelLock()
    {
        if (m_held)
            ::LeaveCriticalSection(&m_shared.panelLock);
    }
    PanelLock(const PanelLock&) = delete;
    PanelLock& operator=(const PanelLock&) = delete;

private:
    session::PanelShared& m_shared;
    bool m_held;
};

std::set<void*>& LivePanels()
{
    static std::set<void*> panels;
    return panels;
}

}  // namespace

CFriendSelWnd::CFriendSelWnd()
{
    LivePanels().insert(this);
}

CFriendSelWnd::~CFriendSelWnd()
{
    LivePanels().erase(this);
}

CFriendSelWnd* CFriendSelWnd::Live(void* address)
{
    return LivePanels().count(address) ? static_cast<CFriendSelWnd*>(address) : nullptr;
}

CFriendSelWnd* CFriendSelWnd::Open(HWND parent, UINT pickMessage, const std::string& pickMode, UINT barAbove)
{
    if (!parent || !::IsWindow(parent))
        return nullptr;
    if (!RegisterWindowClass(kPanelClass, CS_DBLCLKS, nullptr, nullptr, ::LoadCursorA(nullptr, IDC_ARROW)))
        return nullptr;
    auto* panel = new (std::nothrow) CFriendSelWnd;
    if (!panel)
        return nullptr;
    panel->m_barAbove = barAbove;
    RECT client{};
    ::GetClientRect(parent, &client);
    const RECT rect{client.right - kPanelWidth, 0, client.right, client.bottom};
    if (!panel->CreateEx(0, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect, parent, kPanelId)) {
        delete panel;  // a failed creation never attached a window
        return nullptr;
    }
    // After the creation, as the host expects: creation does not see them.
    panel->m_pickMode = pickMode;
    panel->m_pickMessage = pickMessage & 0xFFFF;
    ::ShowWindow(*panel, SW_SHOWNORMAL);
    return panel;
}

LRESULT CFriendSelWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_ERASEBKGND:
        return OnEraseBackground(decode::Dc(wp));
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    case PELMO_WM_PRESENCE:
        OnPresence(wp, lp);
        return 0;
    case PELMO_WM_ONLINE_LIST:
        OnDelivery(static_cast<size_t>(wp), reinterpret_cast<const void*>(lp));
        break;
    case WM_TIMER:
        OnTimer(wp);
        return 0;
    case WM_CHERRYTREE_DROP:
        OnCherryDrop(reinterpret_cast<HTREEITEM>(wp), reinterpret_cast<HTREEITEM>(lp));
        return 0;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wp));
        return 0;
    case WM_LBUTTONDOWN:
        // The tree reports presses on item pictures this way, the right
        // button's too (the panel's own presses carry MK_LBUTTON).
        if (wp == kCherryImagePress || wp == 0)
            OnTreePress(wp, lp);
        break;
    case kWmRebuildLater:
        Rebuild();
        return 0;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

int CFriendSelWnd::OnCreate()
{
    ++session::Panels().panelCount;
    HostConfig config{};
    if (ReadHostConfig(&config)) {
        m_identity = FieldText(config.identity);
        m_notifyWindow = static_cast<HWND>(ULongToHandle(config.notifyWindow));
        m_notifyMessage = config.notifyMessage;
    }
    if (HWND parent = ::GetParent(m_hWnd))
        SendMessage(WM_SETFONT, ::SendMessageA(parent, WM_GETFONT, 0, 0), 0);
    m_smallImages.Reset(::ImageList_Create(kSmallImageWidth, kSmallImageHeight, ILC_COLOR24 | ILC_MASK, 4, 4));
    if (Bitmap strip{getGlobalBitmap(IDB_CONTACT_STATES)}; strip && m_smallImages)
        ::ImageList_AddMasked(m_smallImages, strip, kMagenta);
    m_font.Reset(MakeFont(m_hWnd));
    m_ownsLock = session::CreatePanelLock();

    m_identityLabel.Create(m_identity, WS_CHILD | WS_VISIBLE, RECT{}, m_hWnd, kIdentityLabelId);
    m_identityLabel.SetTransparent(TRUE).SetBold(TRUE);
    m_siteLink.Create(resources::String(IDS_MODULE_LABEL), WS_CHILD | WS_VISIBLE, RECT{}, m_hWnd, kSiteLinkId);
    m_siteLink.SetTransparent(TRUE).SetUnderline(TRUE);
    if (!m_tree.Create(kTreeStyle, RECT{}, m_hWnd, kPanelTreeId))
        return -1;

    for (int i = 0; i < 3; ++i)
        m_pictures[i].Reset(getGlobalBitmap(static_cast<WORD>(kPictureIds[i])));
    m_expandOpen.Reset(getGlobalBitmap(IDB_PANEL_EXPAND_OPEN));
    m_expandClosed.Reset(getGlobalBitmap(IDB_PANEL_EXPAND_CLOSED));
    m_addContact.Reset(getGlobalBitmap(IDB_PANEL_ADD_CONTACT));
    m_background.Reset(getGlobalBitmap(IDB_PANEL_BACKGROUND));
    m_tree.SetDefaultChildIndent(kDefaultIndent);
    m_tree.SetBackColor(kTreeBack);
    m_tree.SetItemFonts(m_font.Get());
    // The tree keeps the addresses, not the handles.
    m_expanderHandles[0] = m_expandOpen.Get();
    m_expanderHandles[1] = m_expandClosed.Get();
    if (m_expanderHandles[0] && m_expanderHandles[1])
        m_tree.SetExpanderBitmaps(&m_expanderHandles[0], &m_expanderHandles[1], nullptr);
    TreeView_SetItemHeight(m_tree, kItemHeight);

    RepairBook();
    Rebuild();
    OnSize();
    ::DragAcceptFiles(m_hWnd, TRUE);
    Notify(PELMO_NOTICE_LIST_CREATED);
    StartRefresh();
    return 0;
}

void CFriendSelWnd::OnSize()
{
    const RECT c = GetClientRect();
    const int t = c.top + (m_barAbove ? kToolBarHeight : 0);
    const int labelTop = m_barAbove ? t + 17 : t + 8;
    const int treeTop = m_barAbove ? t + 45 : t + 38;
    if (m_identityLabel.IsWindow())
        ::MoveWindow(m_identityLabel, c.left + 37, labelTop, 114, 18, TRUE);
    if (m_tree.IsWindow())
        ::MoveWindow(m_tree, c.left + 7, treeTop, c.right - 10 - (c.left + 7), c.bottom - 29 - treeTop, TRUE);
    if (m_siteLink.IsWindow())
        ::MoveWindow(m_siteLink, c.left + 40, c.bottom - 22, 101, 16, TRUE);
}

BOOL CFriendSelWnd::OnEraseBackground(HDC dc)
{
    RECT c = GetClientRect();
    if (m_barAbove)
        c.top += kToolBarHeight;
    Brush ground(::CreateSolidBrush(kGround));
    ::FillRect(dc, &c, ground);
    BITMAP info{};
    if (m_background && ::GetObjectA(m_background, sizeof info, &info)) {
        // The picture follows the panel's height relative to the screen's:
        // pulled up a little on a tall panel, never squeezed below it.
        const int h = c.bottom - c.top;
        const int screen = std::max(1, ::GetSystemMetrics(SM_CYFULLSCREEN));
        const int a = static_cast<int>(1.2 * h) / screen;
        const int b = static_cast<int>(-1.2 * h / screen);
        MemoryDC source(dc);
        SelectScope keep(source, m_background.Get());
        ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, c.left, c.top - a, c.right - c.left, h - 3 * b, source, 0, 0, info.bmWidth, info.bmHeight,
                     SRCCOPY);
    }
    return TRUE;
}

void CFriendSelWnd::OnPaint()
{
    PaintDC dc(m_hWnd);
    if (!m_tree.IsWindow())
        return;
    RECT r{};
    ::GetWindowRect(m_tree, &r);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    Line(dc, kFrameOuter, r.left - 2, r.top - 2, r.left - 2, r.bottom + 3);
    Line(dc, kFrameOuter, r.right + 2, r.top - 2, r.right + 2, r.bottom + 3);
    Line(dc, kFrameOuter, r.left - 2, r.top - 2, r.right + 3, r.top - 2);
    Line(dc, kFrameOuter, r.left - 1, r.bottom + 2, r.right + 2, r.bottom + 2);
    Line(dc, kFrameInner, r.left - 1, r.top - 1, r.left - 1, r.bottom + 2);
    Line(dc, kFrameInner, r.left - 1, r.top - 1, r.right + 2, r.top - 1);
    Line(dc, kFrameInner, r.right + 1, r.top - 1, r.right + 1, r.bottom + 2);
    Line(dc, kFrameShade, r.left - 2, r.bottom + 2, r.right + 3, r.bottom + 2);
}

void CFriendSelWnd::OnClose()
{
    Notify(PELMO_NOTICE_LIST_CLOSING);
    DestroyWindow();
}

void CFriendSelWnd::OnDestroy()
{
    m_itemByNumber.clear();
    m_numberOfItem.clear();
    m_imageOfItem.clear();
    StopRefresh();
    session::PanelShared& shared = session::Panels();
    if (shared.requestTimer && m_waitTimerOwned) {
        ::KillTimer(m_hWnd, kRequestTimerId);
        shared.requestTimer = 0;
        m_waitTimerOwned = false;
        shared.requestAllowed = false;
        shared.listAnswered = false;
    }
    if (shared.panelCount > 0 && --shared.panelCount == 0)
        shared.listShown = false;
}

void CFriendSelWnd::Notify(WPARAM code) const
{
    if (m_notifyWindow && ::IsWindow(m_notifyWindow))
        ::SendMessageA(m_notifyWindow, m_notifyMessage, code, reinterpret_cast<LPARAM>(m_hWnd));
}

void CFriendSelWnd::RepairBook()
{
    FriendCache* cache = GetFriendCache();
    const panel::RepairPlan plan = panel::PlanRepair(cache);
    if (plan.moves.empty() && plan.removeIndex < 0)
        return;
    CFriendDB db;
    if (!manager::OpenBook(db))
        return;
    const std::string serviceName = resources::String(IDS_SERVICE_NAME, 49);
    for (const panel::RepairMove& move : plan.moves) {
        FriendInfo changed = cache->friends.data[move.index];
        changed.groupID = move.groupId;
        if (move.rename)
            CopyField(changed.nickname, serviceName);
        db.ModifyFriend(m_identity.c_str(), &changed);
    }
    if (plan.removeIndex >= 0 && plan.removeIndex < cache->friends.count) {
        const FriendInfo victim = cache->friends.data[plan.removeIndex];
        db.DeleteFriend(m_identity.c_str(), &victim);
    }
}

void CFriendSelWnd::RememberExpansion()
{
    // Read from the items themselves, so keyboard and expander clicks count.
    for (HTREEITEM item = m_tree.Next(nullptr, TVGN_ROOT); item; item = m_tree.Next(item, TVGN_NEXT)) {
        std::vector<HTREEITEM> stack{item};
        while (!stack.empty()) {
            HTREEITEM at = stack.back();
            stack.pop_back();
            const int value = static_cast<int>(m_tree.GetItemData(at));
            const bool open = (TreeView_GetItemState(m_tree, at, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
            const intptr_t g = panel::GroupIndexOf(value);
            if (value == panel::kServiceRootValue)
                m_serviceExpanded = open;
            else if (value == panel::kExtraRootValue)
                m_extraExpanded = open;
            else if (g >= 0 && static_cast<size_t>(g) < m_groupIdOfValue.size())
                m_groupExpanded[m_groupIdOfValue[g]] = open;
            for (HTREEITEM child = m_tree.Next(at, TVGN_CHILD); child; child = m_tree.Next(child, TVGN_NEXT))
                if (m_tree.Next(child, TVGN_CHILD))
                    stack.push_back(child);
        }
    }
}

void CFriendSelWnd::Rebuild()
{
    if (m_rebuilding)  // a modal box inside a rebuild must not start another
        return;
    m_rebuilding = true;
    ++m_rebuildCount;
    RememberExpansion();
    FriendCache* cache = GetFriendCache();
    if (panel::NeedsServiceContact(cache)) {
        FriendInfo record = panel::ServiceContactRecord();
        CFriendDB db;
        if (manager::OpenBook(db) && db.AddFriendRec(m_identity.c_str(), &record, 1, 1, 0))
            setFriendState(record.mirrun, PELMO_STATE_ONLINE);
        cache = GetFriendCache();
    }
    const session::OnlineList& list = session::Current().onlineList;
    const bool showList = session::Panels().listShown && !list.numbers.empty();
    const std::vector<panel::PanelItem> items = panel::BuildPanelTree(cache, showList ? &list : nullptr, Texts());

    ::SendMessageA(m_tree, WM_SETREDRAW, FALSE, 0);
    m_tree.DeleteAllItemsEx();
    m_itemByNumber.clear();
    m_numberOfItem.clear();
    m_imageOfItem.clear();
    m_groupIdOfValue.clear();
    m_listItems.clear();
    if (cache && cache->groups.count > 0 && cache->groups.data) {
        for (intptr_t g = 0; g < cache->groups.count; ++g)
            m_groupIdOfValue.push_back(cache->groups.data[g].ID);
    }
    std::vector<HTREEITEM> handles(items.size(), nullptr);
    for (size_t i = 0; i < items.size(); ++i) {
        const panel::PanelItem& it = items[i];
        handles[i] = AddItem(it, it.parent >= 0 ? handles[static_cast<size_t>(it.parent)] : TVI_ROOT);
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const panel::PanelItem& it = items[i];
        bool open = false;
        if (it.kind == panel::ItemKind::kServiceRoot)
            open = m_serviceExpanded;
        else if (it.kind == panel::ItemKind::kExtraRoot)
            open = m_extraExpanded;
        else if (it.kind == panel::ItemKind::kGroup) {
            const intptr_t g = panel::GroupIndexOf(it.value);
            open = static_cast<size_t>(g) < m_groupIdOfValue.size() && m_groupExpanded[m_groupIdOfValue[g]];
        }
        if (open && handles[i])
            TreeView_Expand(m_tree, handles[i], TVE_EXPAND);
    }
    ::SendMessageA(m_tree, WM_SETREDRAW, TRUE, 0);
    if (!handles.empty() && handles[0])
        TreeView_EnsureVisible(m_tree, handles[0]);
    ::InvalidateRect(m_tree, nullptr, TRUE);
    m_rebuilding = false;
}

HTREEITEM CFriendSelWnd::AddItem(const panel::PanelItem& it, HTREEITEM parent)
{
    // The value goes in with the insertion where the text needs no
    // shortening: the native control finds an item for a later change by
    // searching all of them.
    HTREEITEM item = nullptr;
    const bool topLevel = parent == TVI_ROOT;
    if (CherryShortText(it.text, topLevel) == it.text) {
        TVINSERTSTRUCTA insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = const_cast<char*>(it.text.c_str());
        insert.item.lParam = it.value;
        item = reinterpret_cast<HTREEITEM>(m_tree.SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    } else if ((item = m_tree.InsertItemShort(it.text, parent, TVI_LAST)) != nullptr) {
        m_tree.SetItemData(item, it.value);
    }
    if (!item)
        return nullptr;
    // Only items with children use a child indent; setting it repaints the
    // whole tree, which a rebuild of thousands of contacts cannot afford.
    if (it.kind != panel::ItemKind::kContact && it.kind != panel::ItemKind::kListEntry &&
        it.kind != panel::ItemKind::kPlaceholder)
        m_tree.SetItemChildIndent(item, it.childIndent, false);
    if (it.bold)
        m_tree.SetItemFontStyle(item, 1, 0);
    if (it.kind == panel::ItemKind::kServiceRoot || it.kind == panel::ItemKind::kExtraRoot ||
        it.kind == panel::ItemKind::kGroup)
        m_tree.SetItemTextColor(item, it.red ? RGB(255, 0, 0) : RGB(0, 0, 0));
    if (!it.tip.empty())
        m_tree.SetItemTip(item, it.tip);
    if (it.kind == panel::ItemKind::kExtraRoot && m_addContact)
        m_tree.AddItemImage(item, m_addContact.Get(), kImageRightBack);
    if (it.rank != panel::kNoRank)
        m_tree.SetKeyValue(it.value, it.rank);
    if (it.kind == panel::ItemKind::kListEntry) {
        ApplyPresence(item, it.rank);
        m_listItems.push_back(item);
    } else if (it.kind == panel::ItemKind::kContact) {
        ApplyPresence(item, it.rank);
        m_numberOfItem[item] = it.tip;
        auto found = m_itemByNumber.find(it.tip);
        // The first contact in cache order answers for its number.
        if (found == m_itemByNumber.end() || m_tree.GetItemData(found->second) > it.value)
            m_itemByNumber[it.tip] = item;
    }
    return item;
}

void CFriendSelWnd::ShowList()
{
    if (!m_rebuildCount || m_rebuilding) {
        Rebuild();
        return;
    }
    // A delivery changes the online list only: the entries at the top level
    // are replaced and the contacts stay as they are.
    ::SendMessageA(m_tree, WM_SETREDRAW, FALSE, 0);
    for (HTREEITEM item : m_listItems) {
        m_imageOfItem.erase(item);
        m_tree.DeleteItemEx(item);
    }
    m_listItems.clear();
    const session::OnlineList& list = session::Current().onlineList;
    if (session::Panels().listShown) {
        for (const panel::PanelItem& it : panel::ListItems(list))
            AddItem(it, TVI_ROOT);
    }
    ::SendMessageA(m_tree, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_tree, nullptr, TRUE);
}

void CFriendSelWnd::ApplyPresence(HTREEITEM item, int rank)
{
    const panel::Picture picture = panel::PictureOf(rank);
    if (picture == panel::Picture::kNone)
        return;
    HBITMAP bitmap = m_pictures[static_cast<int>(picture) - 1].Get();
    if (!bitmap)
        return;
    const auto known = m_imageOfItem.find(item);
    // An item without an image gets one inserted, never a failed replace.
    const int position =
        known != m_imageOfItem.end() && known->second ? static_cast<int>(known->second) : kImageLeftFront;
    m_imageOfItem[item] = m_tree.AddItemImage(item, bitmap, position);
}

int CALLBACK CFriendSelWnd::CompareByRank(LPARAM a, LPARAM b, LPARAM treePtr)
{
    const auto* tree = reinterpret_cast<const CCherryTree*>(treePtr);
    const int va = static_cast<int>(a);
    const int vb = static_cast<int>(b);
    const bool groupA = panel::KindOf(va) == panel::ItemKind::kGroup;
    const bool groupB = panel::KindOf(vb) == panel::ItemKind::kGroup;
    if (groupA != groupB)
        return groupA ? -1 : 1;  // subgroups before contacts
    if (groupA)
        return va > vb ? -1 : (va < vb ? 1 : 0);  // cache order
    const int ra = tree->GetKeyValue(va);
    const int rb = tree->GetKeyValue(vb);
    if (ra != rb)
        return ra > rb ? -1 : 1;
    return va < vb ? -1 : (va > vb ? 1 : 0);
}

void CFriendSelWnd::SortChildren(HTREEITEM parent)
{
    TVSORTCB sort{};
    sort.hParent = parent;
    sort.lpfnCompare = CompareByRank;
    sort.lParam = reinterpret_cast<LPARAM>(&m_tree);
    ::SendMessageA(m_tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

void CFriendSelWnd::OnPresence(WPARAM code, LPARAM lp)
{
    if (code == PELMO_PRESENCE_REBUILD) {
        Rebuild();
        return;
    }
    if ((code != PELMO_PRESENCE_ONLINE && code != PELMO_PRESENCE_OFFLINE) || !lp)
        return;
    char number[kMaxNumberChars + 1] = {};
    CopyField(number, reinterpret_cast<const char*>(lp));
    const auto found = m_itemByNumber.find(number);
    if (found == m_itemByNumber.end())
        return;
    HTREEITEM item = found->second;
    const int value = static_cast<int>(m_tree.GetItemData(item));
    FriendCache* cache = GetFriendCache();
    if (!panel::ContactMatches(cache, value, number)) {
        Rebuild();  // the arrays moved under us
        return;
    }
    const int rank = panel::ContactRank(cache->friends.data[value]);
    if (rank == panel::kNoRank)
        return;
    ApplyPresence(item, rank);
    m_tree.SetKeyValue(value, rank);
    SortChildren(m_tree.Next(item, TVGN_PARENT));
}

void CFriendSelWnd::OnDelivery(size_t length, const void* block)
{
    StopRefresh();
    session::PanelShared& shared = session::Panels();
    session::OnlineList& list = session::Current().onlineList;
    if (length == 0) {
        // Empty: forget the list unless it is shown and still unanswered,
        // which is how the toggle shows the stored list again.
        if (!shared.listShown || shared.listAnswered) {
            list = session::OnlineList{};
            shared.listReset = true;
        }
    } else if (!shared.listShown || m_pendingArmed) {
        list = panel::ParseOnlineBlock(block, length);
        shared.listReset = true;
        if (!shared.listAnswered && m_pendingArmed) {
            m_pendingArmed = false;
            shared.listAnswered = true;
        }
    }
    {
        PanelLock lock;
        if (!shared.listShown) {
            shared.requestAllowed = true;
            m_refreshPhase = 2;
        }
        shared.listShown = shared.listReset;
        ShowList();
    }
    StartRefresh();
}

void CFriendSelWnd::StartRefresh()
{
    m_refreshTimer = ::SetTimer(m_hWnd, kRefreshTimerId, kRefreshMs, nullptr);
}

void CFriendSelWnd::StopRefresh()
{
    if (m_refreshTimer) {
        ::KillTimer(m_hWnd, m_refreshTimer);
        m_refreshTimer = 0;
    }
}

void CFriendSelWnd::SendParent(UINT msg, WPARAM wp) const
{
    HWND parent = GetParent();
    if (parent && ::IsWindow(parent))
        ::SendMessageA(parent, msg, wp, 0);
}

void CFriendSelWnd::OnTimer(UINT_PTR id)
{
    if (id == kRefreshTimerId)
        OnRefreshTick();
    else if (id == kRequestTimerId)
        OnRequestWaitOver();
}

void CFriendSelWnd::OnRefreshTick()
{
    if (!::KillTimer(m_hWnd, kRefreshTimerId))
        return;
    m_refreshTimer = 0;
    {
        PanelLock lock;
        session::PanelShared& shared = session::Panels();
        if (!shared.listShown) {
            if (m_refreshPhase == 0) {
                m_refreshPhase = 1;
                Rebuild();
                shared.requestAllowed = false;
            } else if (m_refreshPhase == 2) {
                m_refreshPhase = 1;
                Rebuild();
            }
        } else {
            if (m_refreshPhase == 1) {
                m_refreshPhase = 2;
                if (!shared.requestTimer)
                    Rebuild();
            }
            if (shared.requestTimer) {
                // Another panel asked: show its answer here once.
                if (!m_waitTimerOwned && shared.listAnswered && !m_requestArmed) {
                    m_requestArmed = true;
                    Rebuild();
                    shared.requestAllowed = false;
                }
            } else if (m_requestArmed) {
                m_requestArmed = false;
                m_waitTimerOwned = false;
                shared.requestAllowed = true;
                shared.listAnswered = false;
            }
        }
    }
    StartRefresh();
}

void CFriendSelWnd::OnRequestWaitOver()
{
    ::KillTimer(m_hWnd, kRequestTimerId);
    session::PanelShared& shared = session::Panels();
    shared.requestTimer = 0;
    m_waitTimerOwned = false;
    shared.requestAllowed = true;
    shared.listAnswered = false;
}

void CFriendSelWnd::StartRequest()
{
    session::PanelShared& shared = session::Panels();
    if (!shared.requestTimer) {
        // Armed before asking: a host that answers inside the send must
        // find the panel waiting for it.
        m_waitTimerOwned = true;
        m_pendingArmed = true;
        SendParent(PELMO_WM_LIST_REQUEST, 0);
    }
    if (::SetTimer(m_hWnd, kRequestTimerId, kRequestWaitMs, nullptr))
        shared.requestTimer = kRequestTimerId;
    shared.requestAllowed = false;
}

void CFriendSelWnd::ToggleList()
{
    PanelLock lock;
    session::PanelShared& shared = session::Panels();
    if (shared.listShown) {
        StopRefresh();
        shared.listShown = false;
        SendParent(PELMO_WM_LIST_HIDDEN, 0);
        m_refreshPhase = 1;
        ShowList();
        StartRefresh();
    } else if (!session::Current().onlineList.numbers.empty()) {
        shared.listShown = true;
        shared.listAnswered = false;
        SendParent(PELMO_WM_LIST_SHOWN, 1);
        SendMessage(PELMO_WM_ONLINE_LIST, 0, 0);  // shows the stored list
    } else {
        SendParent(PELMO_WM_LIST_SHOWN, 0);
    }
}

bool CFriendSelWnd::OnCommand(UINT id, UINT code, HWND control)
{
    switch (id) {
    case kCmdOpenManager:
        showFriendMain(0);
        return true;
    case kCmdToggleList:
        ToggleList();
        return true;
    case kCmdRequestList:
        if (session::Panels().requestAllowed && session::Panels().listShown)
            StartRequest();
        return true;
    }
    if (panel::IsPanelCommand(id)) {
        if (!m_fromMenu) {
            // Sent by the host: the command acts on the selected item.
            HTREEITEM caret = m_tree.GetCaret();
            TakeTarget(caret, caret);
        }
        RunCommand(id);
        return true;
    }
    return CWnd::OnCommand(id, code, control);
}

bool CFriendSelWnd::SelectedValue(std::string* value, bool* fromList, bool* online)
{
    *fromList = false;
    *online = false;
    HTREEITEM item = m_tree.GetCaret();
    if (!item)
        return false;
    const int itemValue = static_cast<int>(m_tree.GetItemData(item));
    switch (panel::KindOf(itemValue)) {
    case panel::ItemKind::kContact: {
        FriendCache* cache = GetFriendCache();
        const auto number = m_numberOfItem.find(item);
        if (number == m_numberOfItem.end() || !panel::ContactMatches(cache, itemValue, number->second)) {
            Rebuild();  // never act on another contact
            return false;
        }
        *value = panel::PickValue(cache->friends.data[itemValue], m_pickMode);
        *online = cache->friends.data[itemValue].state != PELMO_STATE_OFFLINE;
        return true;
    }
    case panel::ItemKind::kListEntry: {
        const session::OnlineList& list = session::Current().onlineList;
        const size_t entry = static_cast<size_t>(panel::ListEntryOf(itemValue));
        if (entry >= list.numbers.size())
            return false;
        *value = list.numbers[entry];
        *fromList = true;
        return true;
    }
    default:
        return false;
    }
}

void CFriendSelWnd::Post(UINT msg, const std::string& value, LPARAM lp)
{
    char* slot = m_picked[m_nextPicked];
    m_nextPicked = (m_nextPicked + 1) % kPickedSlots;
    CopyField(slot, kPickedChars, value);
    m_pickedText = slot;
    if (HWND parent = ::GetParent(m_hWnd))
        ::PostMessageA(parent, msg, reinterpret_cast<WPARAM>(slot), lp);
}

void CFriendSelWnd::OnPick()
{
    m_pickedText.clear();
    std::string value;
    bool fromList = false;
    bool online = false;
    if (SelectedValue(&value, &fromList, &online))
        Post(m_pickMessage, value);
}

void CFriendSelWnd::OnDoubleClick()
{
    m_pickedText.clear();
    m_pickedFromList = false;  // a list entry's double click does not outlive itself
    std::string value;
    bool online = false;
    if (!SelectedValue(&value, &m_pickedFromList, &online))
        return;
    if (m_pickedFromList || online)
        Post(WM_PANEL_ACTION, value);
}

LRESULT CFriendSelWnd::OnNotify(NMHDR& header)
{
    if (header.idFrom == kPanelTreeId) {
        switch (header.code) {
        case NM_CLICK:
            OnPick();
            return 0;
        case NM_DBLCLK:
            OnDoubleClick();
            return 0;
        case NM_RCLICK:
            OnContextMenu(true);
            return 0;
        case TVN_BEGINLABELEDITA:
        case TVN_BEGINLABELEDITW: {
            // Only a contact's name is edited here.
            const auto& info = reinterpret_cast<const NMTVDISPINFOA&>(header);
            return panel::KindOf(static_cast<int>(m_tree.GetItemData(info.item.hItem))) != panel::ItemKind::kContact;
        }
        case TVN_ENDLABELEDITA:
            return OnEndLabelEdit(reinterpret_cast<const NMTVDISPINFOA&>(header)) ? TRUE : FALSE;
        case TVN_ENDLABELEDITW: {
            const auto& wide = reinterpret_cast<const NMTVDISPINFOW&>(header);
            NMTVDISPINFOA narrow{};
            narrow.hdr = wide.hdr;
            narrow.item.hItem = wide.item.hItem;
            std::string text;
            if (wide.item.pszText) {
                const int n = ::WideCharToMultiByte(CP_ACP, 0, wide.item.pszText, -1, nullptr, 0, nullptr, nullptr);
                text.assign(static_cast<size_t>(std::max(n, 1)), '\0');
                ::WideCharToMultiByte(CP_ACP, 0, wide.item.pszText, -1, &text[0], n, nullptr, nullptr);
                narrow.item.pszText = &text[0];
            }
            return OnEndLabelEdit(narrow) ? TRUE : FALSE;
        }
        }
    }
    return CWnd::OnNotify(header);
}
