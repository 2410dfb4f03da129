#include "controls/combo_tree.h"
#include "controls/tree_items.h"

#include "core/resource_text.h"

#include <algorithm>

namespace {

const char kBoxClass[] = "pelmo.ComboTree";
const char kCheckBitmap[] = "COMBOTREECHECKS";
constexpr int kCheckImageWidth = 13;
constexpr COLORREF kCheckMaskColour = RGB(255, 255, 255);
constexpr int kTextIndent = 3;  // left margin of the text field's text


int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

bool IsInside(HWND window, HWND outer)
{
    return window && outer && (window == outer || ::IsChild(outer, window));
}

bool KeyDown(int key)
{
    return (::GetKeyState(key) & 0x8000) != 0;
}

}  // namespace

const char kComboTreeNoCheckImagesText[] =
    "无法创建树形控件的复选框图像列表。\n请在资源中加入位图资源 \"COMBOTREECHECKS\"。";

// ---- drop-down tree ----------------------------------------------------------

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
    HWND tree = ::CreateWindowExA(WS_EX_TOOLWINDOW, WC_TREEVIEWA, "",
                                  WS_POPUP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                      TVS_NOTOOLTIPS | TVS_SHOWSELALWAYS,
                                  0, 0, size.cx, size.cy, boxWindow, nullptr, ThisModule(), nullptr);
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
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageA(m_hWnd, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
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
    case kSetChecked: state = kChecked; break;
    case kSetUnchecked: state = kUnchecked; break;
    case kToggleCheck: state = current == kChecked || current == kPartlyChecked ? kUnchecked : kChecked; break;
    case kPropagateOnly: break;
    default: return;
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

// ---- text field --------------------------------------------------------------

void CComboTreeEdit::SetBackground(COLORREF colour)
{
    m_background = colour;
    m_brush.Reset(::CreateSolidBrush(colour));
    if (m_hWnd)
        Invalidate();
}

void CComboTreeEdit::OnPaint()
{
    PaintDC dc(m_hWnd);
    const RECT client = GetClientRect();
    const bool enabled = ::IsWindowEnabled(m_hWnd) != FALSE;
    if (!m_brush)
        m_brush.Reset(::CreateSolidBrush(m_background));
    if (!enabled && !m_disabledBrush)
        m_disabledBrush.Reset(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
    ::FillRect(dc, &client, enabled ? m_brush : m_disabledBrush);

    const std::string text = GetWindowText();
    SelectScope font(dc, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
    RECT textRect = client;
    textRect.left += kTextIndent;
    // Like a drop-down list: a focused, closed box shows its text selected.
    const bool selected = enabled && ::GetFocus() == m_hWnd && !m_box.IsDropped() && !text.empty();
    if (selected) {
        RECT measure = textRect;
        ::DrawTextA(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        RECT band{textRect.left - 1, client.top + 1, std::min(measure.right + 1, client.right - 1), client.bottom - 1};
        ::FillRect(dc, &band, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        ::DrawFocusRect(dc, &band);
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, !enabled ? ::GetSysColor(COLOR_GRAYTEXT)
                                : selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : ::GetSysColor(COLOR_WINDOWTEXT));
    ::DrawTextA(dc, text.c_str(), -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

bool CComboTreeEdit::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result)
{
    if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLOREDIT) {
        if (!m_brush)
            m_brush.Reset(::CreateSolidBrush(m_background));
        ::SetBkColor(reinterpret_cast<HDC>(wp), m_background);
        result = reinterpret_cast<LRESULT>(m_brush.Get());
        return true;
    }
    return false;
}

LRESULT CComboTreeEdit::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_SETFOCUS: {
        LRESULT result = Default();
        ::HideCaret(m_hWnd);  // nothing to type here
        Invalidate();
        return result;
    }
    case WM_KILLFOCUS:
        Invalidate();
        break;
    case WM_GETDLGCODE:
        // Tab comes to us so the box can move the focus itself.
        return Default() | DLGC_WANTTAB;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
        if (m_box.PreTranslateKey(m_hWnd, msg, wp, lp))
            return 0;
        if (msg == WM_CHAR)
            return 0;  // read-only: typing does nothing
        break;
    case WM_LBUTTONDOWN:
        ::SetFocus(m_hWnd);
        m_box.OnEditClicked();
        return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
        return 0;
    case WM_ENABLE:
        Invalidate();
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

// ---- drop button ------------------------------------------------------------

bool CComboTreeButton::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_DRAWITEM: {
        const auto& dis = decode::Ref<const DRAWITEMSTRUCT>(lp);
        RECT rect = dis.rcItem;
        UINT state = DFCS_SCROLLCOMBOBOX;
        if (dis.itemState & ODS_SELECTED)
            state |= DFCS_PUSHED | DFCS_FLAT;
        if (dis.itemState & ODS_DISABLED)
            state |= DFCS_INACTIVE;
        ::DrawFrameControl(dis.hDC, &rect, DFC_SCROLL, state);
        result = TRUE;
        return true;
    }
    case WM_COMMAND:
        if (decode::CommandCode(wp) == BN_CLICKED || decode::CommandCode(wp) == BN_DOUBLECLICKED) {
            m_box.OnButtonClicked();
            result = 0;
            return true;
        }
        break;
    }
    return false;
}

// ---- parent hook --------------------------------------------------------------

bool CComboTreeParentHook::ClosesDropDown(UINT msg, WPARAM, LPARAM lp, HWND box)
{
    switch (msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_SYSKEYDOWN:
    case WM_SYSCOMMAND:
        return true;
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        return pos && (!(pos->flags & SWP_NOMOVE) || !(pos->flags & SWP_NOSIZE));
    }
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lp) != box;
    }
    return false;
}

LRESULT CComboTreeParentHook::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    const LRESULT result = Default();
    if (IsHooked() && ClosesDropDown(msg, wp, lp, m_box.GetSafeHwnd()))
        m_box.OnParentClosesDropDown();
    return result;
}

// ---- the box ----------------------------------------------------------------

CComboTree::CComboTree() : m_tree(*this), m_edit(*this), m_button(*this), m_parentHook(*this) {}

bool CComboTree::Create(const RECT& rect, HWND parent, int id)
{
    const HBRUSH white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    if (!RegisterWindowClass(kBoxClass, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, white, nullptr,
                             ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */)))
        return false;
    return CreateEx(WS_EX_CLIENTEDGE, kBoxClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect, parent,
                    static_cast<UINT_PTR>(id));
}

BOOL CComboTree::CreateFromPlaceholder(HWND dialog, int id)
{
    HWND placeholder = ::GetDlgItem(dialog, id);
    if (!placeholder)
        return FALSE;
    RECT rect{};
    ::GetWindowRect(placeholder, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    // The answer's value differs between systems (CB_OKAY is 0): judge by the rectangle.
    RECT dropped{};
    ::SendMessageA(placeholder, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    if (Width(dropped) > 0 && Height(dropped) > 0) {
        m_droppedWidth = Width(dropped);
        m_droppedHeight = Height(dropped);
    }
    if (!Create(rect, dialog, id))
        return FALSE;
    ::SetWindowPos(m_hWnd, placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::DestroyWindow(placeholder);
    return TRUE;
}

BOOL CComboTree::SetCheckMode(bool checkMode)
{
    if (checkMode == m_checkMode)
        return TRUE;
    if (m_tree.IsWindow())
        return FALSE;
    m_checkMode = checkMode;
    return TRUE;
}

void CComboTree::SetDroppedSize(int width, int height)
{
    m_droppedWidth = width;
    m_droppedHeight = height;
}

int CComboTree::OnCreate()
{
    HWND parent = GetParent();
    HFONT font = parent ? reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr;
    const RECT client = GetClientRect();
    const int buttonWidth = ::GetSystemMetrics(SM_CXVSCROLL);

    HWND button = ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
                                    client.right - buttonWidth, 0, buttonWidth, client.bottom, m_hWnd,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), ThisModule(), nullptr);
    HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 0, 0,
                                  std::max(0, static_cast<int>(client.right) - buttonWidth), client.bottom, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), ThisModule(), nullptr);
    if (!button || !edit)
        return -1;
    m_button.SubclassWindow(button);
    m_edit.SubclassWindow(edit);
    if (font)
        m_edit.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    HMODULE images = m_imageModule ? m_imageModule : resources::Library();
    // Without its check images the tree stays away; the box still shows.
    m_tree.Create(m_hWnd, SIZE{m_droppedWidth, m_droppedHeight}, m_checkMode, images);
    return 0;
}

void CComboTree::Layout()
{
    const RECT client = GetClientRect();
    const int buttonWidth = std::min<int>(::GetSystemMetrics(SM_CXVSCROLL), client.right);
    if (m_button.IsWindow())
        ::MoveWindow(m_button, client.right - buttonWidth, 0, buttonWidth, client.bottom, TRUE);
    if (m_edit.IsWindow())
        ::MoveWindow(m_edit, 0, 0, client.right - buttonWidth, client.bottom, TRUE);
}

void CComboTree::OnSize()
{
    Layout();
}

POINT CComboTree::PlaceDropDown(const RECT& box, SIZE dropped, const RECT& screen)
{
    POINT at{box.left, box.bottom};
    if (at.y + dropped.cy > screen.bottom)
        at.y = box.top - dropped.cy;
    if (at.x + dropped.cx > screen.right)
        at.x = box.right - dropped.cx;
    return at;
}

void CComboTree::Notify(WORD code)
{
    HWND parent = GetParent();
    if (parent && m_hWnd)
        ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), code), reinterpret_cast<LPARAM>(m_hWnd));
}

void CComboTree::RepaintParts()
{
    if (m_edit.IsWindow())
        ::RedrawWindow(m_edit, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    if (m_button.IsWindow())
        ::RedrawWindow(m_button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
}

void CComboTree::DropDown()
{
    if (m_dropped || !m_tree.IsWindow() || !::IsWindowEnabled(m_hWnd))
        return;
    ::SetFocus(m_edit);

    const RECT box = GetWindowRect();
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const POINT at = PlaceDropDown(box, SIZE{m_droppedWidth, m_droppedHeight}, screen);
    ::SetWindowPos(m_tree, HWND_TOPMOST, at.x, at.y, m_droppedWidth, m_droppedHeight, SWP_SHOWWINDOW);

    m_savedItem = m_tree.GetCaret();
    m_savedPath = m_tree.GetItemPath(m_savedItem);
    m_dropped = true;
    ::SetFocus(m_tree);
    ::SetActiveWindow(m_tree);
    ::SetForegroundWindow(m_tree);
    if (m_savedItem)
        m_tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(m_savedItem));

    Notify(CBN_DROPDOWN);
    if (HWND parent = GetParent())
        m_parentHook.HookWindow(parent);
    RepaintParts();
}

void CComboTree::CloseUp(bool accept)
{
    if (!m_dropped)
        return;
    if (accept) {
        if (HTREEITEM caret = m_tree.GetCaret()) {
            m_edit.SetWindowText(m_tree.GetItemText(caret));
            Notify(CBN_SELENDOK);
        }
    } else {
        // The saved item itself, when it is still where it was: a path alone
        // cannot tell two groups of the same name apart.
        if (m_savedItem && m_tree.ItemExists(m_savedItem) && m_tree.GetItemPath(m_savedItem) == m_savedPath)
            m_tree.SelectItem(m_savedItem);
        else
            m_tree.SelectPath(m_savedPath);
        Notify(CBN_SELENDCANCEL);
    }
    m_dropped = false;
    ModulePopupText().Cancel();
    const bool hadFocus = IsInside(::GetFocus(), m_tree);
    ::ShowWindow(m_tree, SW_HIDE);
    m_parentHook.HookWindow(nullptr);
    HWND top = ::GetAncestor(m_hWnd, GA_ROOT);
    if (hadFocus && top && ::IsWindowEnabled(top)) {
        ::SetActiveWindow(top);
        ::SetFocus(m_edit);
    }
    RepaintParts();
}

void CComboTree::OnButtonClicked()
{
    if (m_dropped)
        CloseUp(true);
    else
        DropDown();
}

void CComboTree::OnEditClicked()
{
    if (m_dropped)
        CloseUp(true);
}

void CComboTree::OnTreeDoubleClick()
{
    Notify(CBN_DBLCLK);
    CloseUp(true);
}

void CComboTree::OnTreeDeactivated(HWND activated)
{
    if (!m_dropped)
        return;
    // A click on the box itself (its button or text field) activates the
    // dialog before the click arrives; let that click decide. (The button's
    // state is not yet known at this point, only where the pointer is.)
    POINT pt{};
    ::GetCursorPos(&pt);
    const RECT box = GetWindowRect();
    if (::PtInRect(&box, pt) && activated == ::GetAncestor(m_hWnd, GA_ROOT))
        return;
    Notify(CBN_KILLFOCUS);
    CloseUp(false);
}

void CComboTree::OnParentClosesDropDown()
{
    if (!m_dropped)
        return;
    Notify(CBN_KILLFOCUS);
    CloseUp(false);
}

void CComboTree::MoveFocusOn(bool previous)
{
    HWND dialog = GetParent();
    HWND next = dialog ? ::GetNextDlgTabItem(dialog, m_hWnd, previous) : nullptr;
    if (next && next != m_hWnd)
        ::SetFocus(next);
}

bool CComboTree::PreTranslateKey(HWND from, UINT msg, WPARAM wp, LPARAM lp)
{
    const bool keyDown = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    if (!m_dropped) {
        if (!keyDown)
            return false;
        const bool alt = msg == WM_SYSKEYDOWN || KeyDown(VK_MENU);
        if ((wp == VK_DOWN && alt) || wp == VK_F4) {
            DropDown();
            return true;
        }
        if (wp == VK_TAB && msg == WM_KEYDOWN) {
            MoveFocusOn(KeyDown(VK_SHIFT));
            return true;
        }
        return false;
    }

    if (keyDown) {
        const bool alt = msg == WM_SYSKEYDOWN || KeyDown(VK_MENU);
        switch (wp) {
        case VK_F4:
        case VK_RETURN:
            CloseUp(true);
            return true;
        case VK_ESCAPE:
            CloseUp(false);
            return true;
        case VK_TAB:
            CloseUp(true);
            MoveFocusOn(KeyDown(VK_SHIFT));
            return true;
        case VK_UP:
            if (alt) {
                CloseUp(true);
                return true;
            }
            break;
        case VK_SPACE:
            if (m_tree.CheckMode()) {
                m_tree.SetCheck(m_tree.GetCaret(), kToggleCheck);
                return true;
            }
            break;
        }
    } else if ((msg == WM_CHAR && (wp == VK_RETURN || wp == VK_ESCAPE || wp == VK_TAB ||
                                   (wp == ' ' && m_tree.CheckMode())))) {
        return true;  // the key-down already acted; no beep, no search
    }
    // Any other key belongs to the tree.
    if (from != m_tree.GetSafeHwnd() && m_tree.IsWindow()) {
        m_tree.SendMessage(msg, wp, lp);
        return true;
    }
    return false;
}

HTREEITEM CComboTree::AddPath(const std::string& path)
{
    return m_tree.AddPath(path);
}

HTREEITEM CComboTree::SelectPath(const std::string& path, bool)
{
    return m_tree.SelectPath(path);
}

std::string CComboTree::GetItemPath(HTREEITEM item) const
{
    return m_tree.GetItemPath(item);
}

HTREEITEM CComboTree::InsertItem(const std::string& text, HTREEITEM parent, HTREEITEM after)
{
    return m_tree.InsertItem(text, parent, after);
}

void CComboTree::SetCheck(HTREEITEM item, int mode)
{
    m_tree.SetCheck(item, mode);
}

int CComboTree::GetCheck(HTREEITEM item) const
{
    return m_tree.GetCheck(item);
}

HTREEITEM CComboTree::GetSelectedItem() const
{
    return m_tree.GetCaret();
}

bool CComboTree::SelectItem(HTREEITEM item)
{
    return m_tree.SelectItem(item);
}

int CComboTree::SetItemData(HTREEITEM item, LPARAM value)
{
    if (!m_tree.IsWindow() || !item)
        return -1;
    TVITEMA tvi{};
    tvi.mask = TVIF_HANDLE | TVIF_PARAM;
    tvi.hItem = item;
    tvi.lParam = value;
    return m_tree.SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)) ? 0 : -1;
}

LPARAM CComboTree::GetItemData(HTREEITEM item) const
{
    if (!m_tree.IsWindow() || !item)
        return 0;
    TVITEMA tvi{};
    tvi.mask = TVIF_HANDLE | TVIF_PARAM;
    tvi.hItem = item;
    ::SendMessageA(m_tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
    return tvi.lParam;
}

std::string CComboTree::GetItemText(HTREEITEM item) const
{
    return m_tree.GetItemText(item);
}

void CComboTree::DeleteAllItems()
{
    if (m_tree.IsWindow())
        m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    m_savedItem = nullptr;
}

void CComboTree::ExpandAll()
{
    std::vector<HTREEITEM> pending;
    for (HTREEITEM item = m_tree.GetChildItem(nullptr); item; item = m_tree.GetNextSiblingItem(item))
        pending.push_back(item);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        m_tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        for (HTREEITEM child = m_tree.GetChildItem(item); child; child = m_tree.GetNextSiblingItem(child))
            pending.push_back(child);
    }
}

void CComboTree::SetText(const std::string& text)
{
    if (m_edit.IsWindow())
        m_edit.SetWindowText(text);
    if (m_hWnd)
        RepaintParts();
}

std::string CComboTree::GetText() const
{
    return m_edit.IsWindow() ? m_edit.GetWindowText() : std::string();
}

void CComboTree::SetBkColor(COLORREF colour)
{
    m_edit.SetBackground(colour);
    if (m_tree.IsWindow())
        m_tree.SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(colour));
}

LRESULT CComboTree::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_SETFOCUS:
        if (m_edit.IsWindow())
            ::SetFocus(m_edit);
        return 0;
    case WM_ENABLE:
        if (!wp)
            CloseUp(false);
        if (m_edit.IsWindow())
            ::EnableWindow(m_edit, static_cast<BOOL>(wp));
        if (m_button.IsWindow())
            ::EnableWindow(m_button, static_cast<BOOL>(wp));
        return 0;
    case WM_SETFONT:
        if (m_edit.IsWindow())
            m_edit.SendMessage(WM_SETFONT, wp, lp);
        return 0;
    case WM_GETFONT:
        return m_edit.IsWindow() ? m_edit.SendMessage(WM_GETFONT) : 0;
    case WM_DESTROY:
        m_dropped = false;
        m_parentHook.HookWindow(nullptr);
        if (m_tree.IsWindow())
            ::DestroyWindow(m_tree);
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
