#include "history/hist_view_dlg.h"

#include "core/friend_cache.h"
#include "core/host_config.h"
#include "core/resource_text.h"
#include "core/session_state.h"
#include "core/text.h"
#include "history/hist_list.h"
#include "manager/contact_dlg.h"
#include "resource_ids.h"
#include "string_ids.h"

#include <commctrl.h>

#include <cstring>

namespace histview {

RECT ClampSizing(RECT r, UINT edge, SIZE minimum)
{
    if (r.right - r.left < minimum.cx) {
        if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT)
            r.left = r.right - minimum.cx;
        else
            r.right = r.left + minimum.cx;
    }
    if (r.bottom - r.top < minimum.cy) {
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT)
            r.top = r.bottom - minimum.cy;
        else
            r.bottom = r.top + minimum.cy;
    }
    return r;
}

}  // namespace histview

namespace {

constexpr int kButtonIds[4] = {IDC_HIST_ADD, IDC_HIST_DELETE, IDC_HIST_CLOSE, IDC_HIST_OPEN};
constexpr COLORREF kImageTransparent = RGB(0, 0, 0);
constexpr unsigned kQuestionStyle = 2;

RECT ChildRect(HWND dialog, HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Place(HWND child, const RECT& r)
{
    ::SetWindowPos(child, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

int FirstSelectedRow(HWND list)
{
    return static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

}  // namespace

CHistViewDlg::CHistViewDlg(const std::string& identity) : m_identity(identity) {}

CHistViewDlg::~CHistViewDlg()
{
    ReleaseEntries();
}

bool CHistViewDlg::Open()
{
    // The template's tree and list need their classes; a host may not have
    // registered them.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&classes);
    const void* dialogTemplate = getGlobalRes(IDD_HIST_VIEW, PELMO_RES_DIALOG);
    if (!dialogTemplate || !CreateIndirect(dialogTemplate, ::GetDesktopWindow()))
        return false;
    ::ShowWindow(m_hWnd, SW_SHOW);
    return true;
}

LRESULT CHistViewDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_SIZING:
        OnSizing(static_cast<UINT>(wp), decode::Ref<RECT>(lp));
        return TRUE;
    case WM_ERASEBKGND:
        return TRUE;  // WM_PAINT covers the whole client area
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORLISTBOX:
        return OnControlColour(msg, decode::Dc(wp));
    }
    return CDialog::WindowProc(msg, wp, lp);
}

BOOL CHistViewDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_tree = GetDlgItem(IDC_HIST_TREE);
    m_list = GetDlgItem(IDC_HIST_LIST);
    if (HICON icon = getGlobalIcon(IDI_APP)) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    PlaceControls();
    TreeView_SetBkColor(m_tree, histview::kControlBack);
    ListView_SetBkColor(m_list, histview::kControlBack);
    m_dialogBrush.Reset(::CreateSolidBrush(m_skin.GetDlgBkColor()));
    m_editBrush.Reset(::CreateSolidBrush(m_skin.GetEditBkColor()));
    SetUpButtons();

    HostConfig config;
    if (ReadHostConfig(&config)) {
        m_notifyWindow = static_cast<HWND>(ULongToHandle(config.notifyWindow));
        m_notifyMessage = config.notifyMessage;
    }
    ListView_SetTextBkColor(m_list, m_skin.GetEditBkColor());
    ListView_SetExtendedListViewStyleEx(m_list, histview::kListExStyles, histview::kListExStyles);
    FillTree();
    RecordMargins();
    OnSize();
    return TRUE;
}

void CHistViewDlg::PlaceControls()
{
    ::SetWindowPos(m_hWnd, nullptr, histview::kWindowAt.x, histview::kWindowAt.y, histview::kWindowSize.cx,
                   histview::kWindowSize.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    Place(m_tree, histview::kTreeRect);
    Place(m_list, histview::kListRect);
    for (int i = 0; i < 4; ++i) {
        const POINT at = i < 3 ? histview::kButtonAt[i] : histview::kOpenAt;
        Place(GetDlgItem(kButtonIds[i]),
              RECT{at.x, at.y, at.x + histview::kButtonSize.cx, at.y + histview::kButtonSize.cy});
    }
}

void CHistViewDlg::SetUpButtons()
{
    CSkinButton* images[4] = {&m_add, &m_delete, &m_close, &m_open};
    for (int i = 0; i < 4; ++i) {
        CSkinButton& b = *images[i];
        b.SubclassDlgItem(kButtonIds[i], m_hWnd);
        b.SetAlign(CSkinButton::kAlignOverlap);
        b.SetImageModule(resources::Library());
        b.SetBitmaps(IDB_BUTTON_IN, kImageTransparent, IDB_BUTTON_OUT, kImageTransparent);
        for (auto index : {CSkinButton::kBackIn, CSkinButton::kBackOut, CSkinButton::kBackFocus})
            b.SetColour(index, histview::kBand, false);
        b.SetTooltipFromCaption();
    }
}

void CHistViewDlg::FillTree()
{
    TreeView_DeleteAllItems(m_tree);
    m_categories = histview::ReadCategories(histlib::Library(), m_identity);
    auto insert = [this](HTREEITEM parent, const std::string& text, LPARAM value) {
        TVINSERTSTRUCTA is{};
        is.hParent = parent;
        is.hInsertAfter = TVI_LAST;
        is.item.mask = TVIF_TEXT | TVIF_PARAM;
        is.item.pszText = const_cast<char*>(text.c_str());
        is.item.lParam = value;
        return reinterpret_cast<HTREEITEM>(::SendMessageA(m_tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&is)));
    };
    HTREEITEM root = insert(TVI_ROOT, m_identity, histview::kRootValue);
    HTREEITEM firstText = nullptr;
    for (const histview::Category& c : m_categories) {
        HTREEITEM category = insert(root, resources::String(c.titleId), c.value);
        for (size_t i = 0; i < c.groups.size(); ++i) {
            HTREEITEM group = insert(category, c.groups[i], histview::GroupValue(c.value, i));
            if (!firstText && c.value == histview::kTextCategory)
                firstText = group;
        }
        TreeView_Expand(m_tree, category, TVE_EXPAND);
    }
    TreeView_Expand(m_tree, root, TVE_EXPAND);
    if (firstText)
        TreeView_SelectItem(m_tree, firstText);  // TVN_SELCHANGED loads its entries
    else
        OnTreeSelection(histview::kRootValue);
}

void CHistViewDlg::OnTreeSelection(LPARAM value)
{
    m_current = histview::SelectionOf(value, m_categories);
    LoadEntries();
}

void CHistViewDlg::ReleaseEntries()
{
    if (m_entries && histlib::Library().releaseItemBuf)
        histlib::Library().releaseItemBuf(m_entries, m_count);
    m_entries = nullptr;
    m_count = 0;
}

void CHistViewDlg::LoadEntries()
{
    // The previous entries go in every case: a list that shows nothing must
    // not leave Open, Delete and Add acting on a group no longer shown.
    ReleaseEntries();
    if (m_current.Empty()) {
        histview::ShowNothing(m_list);
        return;
    }
    ListView_DeleteAllItems(m_list);
    const histlib::Calls& calls = histlib::Library();
    const HistRecord query = histview::QueryFor(m_identity, m_current);
    int count = 0;
    HistRecord* entries = calls.getHistItem ? calls.getHistItem(&query, &count) : nullptr;
    m_entries = entries && count > 0 ? entries : nullptr;
    m_count = m_entries ? count : 0;
    if (entries && !m_entries && calls.releaseItemBuf)
        calls.releaseItemBuf(entries, count);
    if (m_count <= 0)
        return;  // the old columns stay, without rows
    const histview::Layout layout = histview::LayoutOf(m_current.type);
    histview::SetColumns(m_list, layout);
    histview::FillRows(m_list, m_entries, m_count, layout, histview::BuildNameMap(GetFriendCache()),
                       histview::StatusTexts::Load(), calls);
}

int CHistViewDlg::SelectedEntry(unsigned captionId)
{
    const int index = histview::RecordOfRow(FirstSelectedRow(m_list), m_count);
    if (index < 0 || !m_entries) {
        outPutInfo(IDS_MSG_SELECT_ITEM, captionId, m_hWnd);
        return -1;
    }
    return index;
}

void CHistViewDlg::OnOpen()
{
    const int index = SelectedEntry(IDS_HIST_CAPTION);
    if (index < 0)
        return;
    const int row = FirstSelectedRow(m_list);
    HistRecord& entry = m_entries[index];
    const bool markRead = FieldText(entry.status) == histview::kUnread;
    if (markRead) {
        HistRecord copy = entry;
        CopyField(copy.status, histview::kRead);
        if (histlib::Library().updateOneHist)
            histlib::Library().updateOneHist(&entry, &copy);
        CopyField(entry.status, histview::kRead);
    }
    // The block is filled from the entry before a reload frees the array.
    std::unique_ptr<char[]> block(new char[histview::kNoticeBlockSize]());
    histview::FillNotice(*reinterpret_cast<HistEntryNotice*>(block.get()), entry);
    const WPARAM code = histview::OpenCode(entry);
    if (markRead) {
        LoadEntries();
        ListView_SetItemState(m_list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(m_list, row, FALSE);
    }
    if (!m_notifyWindow || !::IsWindow(m_notifyWindow))
        return;
    // Sent, not posted: the host has read the block when the call returns,
    // so no later open or the viewer's end can pull it away unread.
    std::unique_ptr<char[]> previous = std::move(m_notice);
    m_notice = std::move(block);
    ::SendMessageA(m_notifyWindow, m_notifyMessage, code, reinterpret_cast<LPARAM>(m_notice.get()));
}

void CHistViewDlg::OnDelete()
{
    if (FirstSelectedRow(m_list) < 0 || !m_entries) {
        outPutInfo(IDS_MSG_SELECT_ITEM, IDS_HIST_DELETE_CAPTION, m_hWnd);
        return;
    }
    if (MessageBoxSkin(resources::String(IDS_ASK_DELETE).c_str(), resources::String(IDS_HIST_DELETE_CAPTION).c_str(),
                       kQuestionStyle, m_hWnd) != 1)
        return;
    bool deleted = false;
    const histlib::Calls& calls = histlib::Library();
    for (int row = FirstSelectedRow(m_list); row >= 0;
         row = static_cast<int>(::SendMessageA(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) {
        const int index = histview::RecordOfRow(row, m_count);
        if (index < 0)
            break;
        if (calls.delOneHist && calls.delOneHist(&m_entries[index]) >= 0)
            deleted = true;
    }
    if (deleted)
        LoadEntries();
    else
        outPutInfo(IDS_ERR_DELETE, IDS_HIST_CAPTION, m_hWnd);
}

void CHistViewDlg::OnAdd()
{
    const int index = histview::RecordOfRow(FirstSelectedRow(m_list), m_count);
    FriendCache* cache = GetFriendCache();
    if (index < 0 || !m_entries || !cache)
        return;
    const std::string number = histview::NumberToAdd(m_entries[index], m_identity);
    if (number.empty())
        return;
    if (FindFriendByNumber(cache, number.c_str()) >= 0) {
        outPutInfo(IDS_ERR_ALREADY_CONTACT, IDS_MANAGER_CAPTION, m_hWnd);
        return;
    }
    FriendInfo record{};
    record.groupID = -1;
    CopyField(record.mirrun, number);
    CContactDlg dialog(&record, 0, m_hWnd);
    if (dialog.Run() != IDOK)
        return;
    if (FindFriendByNumber(GetFriendCache(), record.mirrun) >= 0) {
        outPutInfo(IDS_ERR_ALREADY_CONTACT, IDS_MANAGER_CAPTION, m_hWnd);
        return;
    }
    // As in the manager: the group chosen in the dialog is where addFriend
    // files the number the host hands back.
    if (record.groupID != -1)
        session::Current().targetGroup = record.groupID;
    if (m_notifyWindow && ::IsWindow(m_notifyWindow)) {
        char mirrun[sizeof record.mirrun + 1] = {};
        std::memcpy(mirrun, record.mirrun, strnlen(record.mirrun, sizeof record.mirrun));
        ::SendMessageA(m_notifyWindow, m_notifyMessage, PELMO_NOTICE_ADD_NUMBER, reinterpret_cast<LPARAM>(mirrun));
    }
}

void CHistViewDlg::OnOK()
{
    if (::GetFocus() == m_list)
        OnOpen();
}

void CHistViewDlg::OnCancel()
{
    DestroyWindow();
}

bool CHistViewDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (code != BN_CLICKED)
        return CDialog::OnCommand(id, code, control);
    switch (id) {
    case IDC_HIST_OPEN:
        OnOpen();
        return true;
    case IDC_HIST_DELETE:
        OnDelete();
        return true;
    case IDC_HIST_ADD:
        OnAdd();
        return true;
    case IDC_HIST_CLOSE:
        DestroyWindow();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

LRESULT CHistViewDlg::OnNotify(NMHDR& header)
{
    if (header.hwndFrom == m_tree && header.code == TVN_SELCHANGEDA) {
        OnTreeSelection(reinterpret_cast<NMTREEVIEWA&>(header).itemNew.lParam);
        return 0;
    }
    if (header.hwndFrom == m_tree && header.code == NM_CUSTOMDRAW)
        return OnTreeCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW&>(header));
    if (header.hwndFrom == m_list && header.code == NM_DBLCLK) {
        OnOpen();
        return 0;
    }
    return CDialog::OnNotify(header);
}

// Without the focus the tree would show no selection at all on this
// background: the chosen group keeps a light band.
LRESULT CHistViewDlg::OnTreeCustomDraw(NMTVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        if (::GetFocus() != m_tree &&
            reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec) == TreeView_GetSelection(m_tree)) {
            draw.clrTextBk = histview::kIdleSelection;
            draw.clrText = ::GetSysColor(COLOR_WINDOWTEXT);
        }
        return CDRF_DODEFAULT;
    }
    return CDRF_DODEFAULT;
}

void CHistViewDlg::PostNcDestroy()
{
    ReleaseEntries();
    delete this;
}

void CHistViewDlg::RecordMargins()
{
    const RECT client = GetClientRect();
    const RECT tree = ChildRect(m_hWnd, m_tree);
    const RECT list = ChildRect(m_hWnd, m_list);
    m_margins.treeLeft = tree.left;
    m_margins.treeTop = tree.top;
    m_margins.treeToListGap = list.left - tree.right;
    m_margins.treeBottom = client.bottom - tree.bottom;
    m_margins.listTop = list.top;
    m_margins.listRight = client.right - list.right;
    m_margins.listBottom = client.bottom - list.bottom;
    for (int i = 0; i < 4; ++i) {
        const RECT b = ChildRect(m_hWnd, GetDlgItem(kButtonIds[i]));
        m_margins.buttonSize[i] = SIZE{b.right - b.left, b.bottom - b.top};
        m_margins.buttonRight[i] = client.right - b.right;
        m_margins.buttonBottom[i] = client.bottom - b.bottom;
        m_margins.openLeft = b.left;  // the last one is Open
    }
    m_treeWidth = tree.right - tree.left;
}

void CHistViewDlg::OnSize()
{
    if (!m_tree || !m_list || !m_treeWidth)
        return;
    const RECT c = GetClientRect();
    const Margins& m = m_margins;
    const RECT tree{m.treeLeft, m.treeTop, m.treeLeft + m_treeWidth, c.bottom - m.treeBottom};
    Place(m_tree, tree);
    Place(m_list, RECT{tree.right + m.treeToListGap, m.listTop, c.right - m.listRight, c.bottom - m.listBottom});
    for (int i = 0; i < 3; ++i) {
        const int right = c.right - m.buttonRight[i], bottom = c.bottom - m.buttonBottom[i];
        Place(GetDlgItem(kButtonIds[i]), RECT{right - m.buttonSize[i].cx, bottom - m.buttonSize[i].cy, right, bottom});
    }
    const int openBottom = c.bottom - m.buttonBottom[3];
    Place(GetDlgItem(IDC_HIST_OPEN),
          RECT{m.openLeft, openBottom - m.buttonSize[3].cy, m.openLeft + m.buttonSize[3].cx, openBottom});
    Invalidate();
}

void CHistViewDlg::OnSizing(UINT edge, RECT& rect)
{
    rect = histview::ClampSizing(rect, edge, histview::kMinTrackSize);
}

void CHistViewDlg::OnPaint()
{
    PaintDC dc(m_hWnd);
    const RECT c = GetClientRect();
    const RECT face{c.left, c.top, c.right, c.bottom - histview::kBandHeight};
    const RECT band{c.left, face.bottom, c.right, c.bottom};
    Brush faceBrush(::CreateSolidBrush(histview::kFace));
    Brush bandBrush(::CreateSolidBrush(histview::kBand));
    ::FillRect(dc, &face, faceBrush);
    ::FillRect(dc, &band, bandBrush);
    Pen pen(::CreatePen(PS_SOLID, histview::kFrameWidth, histview::kFrame));
    SelectScope usePen(dc, pen);
    SelectScope noFill(dc, ::GetStockObject(NULL_BRUSH));
    for (const RECT& r : {c, ChildRect(m_hWnd, m_tree), ChildRect(m_hWnd, m_list)})
        ::Rectangle(dc, r.left - 1, r.top - 1, r.right, r.bottom);
}

LRESULT CHistViewDlg::OnControlColour(UINT msg, HDC dc)
{
    if (msg == WM_CTLCOLOREDIT) {
        ::SetBkColor(dc, m_skin.GetEditBkColor());
        return reinterpret_cast<LRESULT>(m_editBrush.Get());
    }
    ::SetBkColor(dc, m_skin.GetDlgBkColor());
    return reinterpret_cast<LRESULT>(m_dialogBrush.Get());
}
