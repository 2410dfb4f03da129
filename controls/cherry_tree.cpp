#include "controls/cherry_tree.h"
#include "controls/popup_text.h"
#include "core/text.h"

#include <algorithm>
#include <typeinfo>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kMaxItemText = 255;
constexpr int kTopLevelLimit = 16, kTopLevelKeep = 14;
constexpr int kChildLimit = 14, kChildKeep = 12;
constexpr int kLabelPad = 6;
constexpr int kTextInset = 2;
constexpr int kRightImageShift = 5;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr UINT kNotifyMask = TVIF_HANDLE | TVIF_PARAM;
constexpr POINT kDragHotspot{8, 8};
constexpr int kScrollZone = 10;  // pixels inside the edge where auto-scroll starts
constexpr int kScrollStep = 20;  // every this many pixels further out scrolls faster
constexpr int kMaxTickDivisor = 6;
enum TipZone { kNoZone = 0, kLabelZone = 1, kImageZone = 2 };

bool Held(int key)
{
    return (::GetKeyState(key) & 0x8000) != 0;
}

bool InX(const RECT& r, int x)
{
    return r.right > r.left && x >= r.left && x < r.right;
}

void Join(RECT& into, const RECT& r)
{
    if (into.right <= into.left)
        into = r;
    else
        ::UnionRect(&into, &into, &r);
}

// TVM_GETITEMRECT takes the item in the rectangle it fills.
RECT ItemRectRequest(HTREEITEM item)
{
    RECT r{};
    std::memcpy(&r, &item, sizeof item);
    return r;
}

// Fills without creating a brush: rows are filled several times per paint.
void Fill(HDC dc, const RECT& r, COLORREF colour)
{
    ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

LPARAM PointParam(POINT pt)
{
    return MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
}

}  // namespace

std::string CherryShortText(const std::string& text, bool topLevel)
{
    const size_t limit = topLevel ? kTopLevelLimit : kChildLimit;
    const size_t keep = topLevel ? kTopLevelKeep : kChildKeep;
    if (text.size() <= limit)
        return text;
    // Cut on a character boundary: half a GBK character would show as junk.
    return text.substr(0, WholeCharPrefix(text.c_str(), text.size(), keep)) + "...";
}

CCherryItemImage::CCherryItemImage(UINT id, HBITMAP bitmap) : m_id(id), m_bitmap(bitmap)
{
    BITMAP info{};
    if (bitmap && ::GetObjectA(bitmap, sizeof info, &info))
        m_size = SIZE{info.bmWidth, info.bmHeight};
}

void CCherryItemImage::Draw(HDC dc, int x, int y) const
{
    MemoryDC source(dc);
    DrawWith(dc, source, x, y);
}

void CCherryItemImage::DrawWith(HDC dc, HDC scratch, int x, int y) const
{
    SelectScope select(scratch, m_bitmap);
    ::TransparentBlt(dc, x, y, m_size.cx, m_size.cy, scratch, 0, 0, m_size.cx, m_size.cy, kTransparent);
}

CCherryTree::~CCherryTree()
{
    if (m_drag.active)
        EndDrag(false);
}

bool CCherryTree::Create(DWORD style, const RECT& rect, HWND parent, UINT id)
{
    HWND tree = ::CreateWindowExA(0, WC_TREEVIEWA, "", style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ThisModule(), nullptr);
    if (!tree)
        return false;
    m_ownsWindow = true;
    return SubclassWindow(tree);
}

void CCherryTree::PreSubclassWindow()
{
    // The native tips show the native (shortened) text: ours come from the
    // module's popup text (UpdateTip), which knows the item's tip.
    for (HTREEITEM item = Next(nullptr, TVGN_ROOT); item; item = Next(item, TVGN_NEXTVISIBLE))
        m_items.emplace(item, GetItemData(item));
}

// --- items ---------------------------------------------------------------

HTREEITEM CCherryTree::Next(HTREEITEM item, UINT how) const
{
    return m_hWnd ? reinterpret_cast<HTREEITEM>(
                        ::SendMessageA(m_hWnd, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)))
                  : nullptr;
}

bool CCherryTree::ItemExists(HTREEITEM item) const
{
    if (!item || !m_hWnd)
        return false;
    if (m_items.count(item))
        return true;
    TVITEMA info{};
    info.mask = TVIF_HANDLE;
    info.hItem = item;
    return ::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

std::string CCherryTree::GetItemText(HTREEITEM item) const
{
    char buffer[kMaxItemText + 1] = {};
    TVITEMA info{};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = buffer;
    info.cchTextMax = sizeof buffer;
    if (!item || !::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info)))
        return std::string();
    return buffer;
}

std::string CCherryTree::GetItemFullText(HTREEITEM item) const
{
    const auto found = m_fullTexts.find(item);
    return found != m_fullTexts.end() ? found->second : GetItemText(item);
}

LPARAM CCherryTree::GetItemData(HTREEITEM item) const
{
    const auto found = m_items.find(item);
    if (found != m_items.end())
        return found->second;
    TVITEMA info{};
    info.mask = TVIF_PARAM;
    info.hItem = item;
    if (!item || !::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info)))
        return 0;
    return info.lParam;
}

BOOL CCherryTree::SetItemData(HTREEITEM item, LPARAM data)
{
    TVITEMA info{};
    info.mask = TVIF_PARAM;
    info.hItem = item;
    info.lParam = data;
    return static_cast<BOOL>(SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&info)));
}

HTREEITEM CCherryTree::InsertItemShort(const std::string& text, HTREEITEM parent, HTREEITEM after)
{
    return InsertItemShort(text, -1, -1, parent, after);
}

HTREEITEM CCherryTree::InsertItemShort(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                                       HTREEITEM after)
{
    const bool topLevel = !parent || parent == TVI_ROOT;
    std::string shown = CherryShortText(text, topLevel);
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = after ? after : TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    if (image >= 0) {
        insert.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.iImage = image;
        insert.item.iSelectedImage = selectedImage;
    }
    insert.item.pszText = &shown[0];
    auto item = reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item && shown.size() != text.size())
        m_fullTexts[item] = text;
    return item;
}

BOOL CCherryTree::SetItemTextShort(HTREEITEM item, const std::string& text)
{
    if (!ItemExists(item))
        return FALSE;
    std::string shown = CherryShortText(text, Next(item, TVGN_PARENT) == nullptr);
    TVITEMA info{};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = &shown[0];
    const BOOL done = static_cast<BOOL>(SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&info)));
    if (done && shown.size() != text.size())
        m_fullTexts[item] = text;
    else if (done)
        m_fullTexts.erase(item);
    return done;
}

BOOL CCherryTree::DeleteItemEx(HTREEITEM item)
{
    if (!item || item == TVI_ROOT) {
        // One native delete; the records go with the maps, not item by item.
        SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        return FALSE;
    }
    return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
}

BOOL CCherryTree::DeleteAllItemsEx()
{
    DeleteItemEx(TVI_ROOT);
    return FALSE;
}

void CCherryTree::Forget(HTREEITEM item)
{
    m_attrs.erase(item);
    m_layouts.erase(item);
    m_fullTexts.erase(item);
    m_selected.erase(item);
    m_remembered.erase(item);
    m_items.erase(item);
    for (HTREEITEM* slot : {&m_anchor, &m_hot, &m_tipItem, &m_pressItem, &m_drag.target, &m_edit.item, &m_paintedTop})
        if (*slot == item)
            *slot = nullptr;
}

void CCherryTree::ForgetSubtree(HTREEITEM item)
{
    std::vector<HTREEITEM> pending{item};
    while (!pending.empty()) {
        HTREEITEM next = pending.back();
        pending.pop_back();
        for (HTREEITEM child = Next(next, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
            pending.push_back(child);
        Forget(next);
    }
}

void CCherryTree::ForgetAll()
{
    m_attrs.clear();
    m_layouts.clear();
    m_fullTexts.clear();
    m_selected.clear();
    m_remembered.clear();
    m_items.clear();
    m_anchor = m_hot = m_tipItem = m_pressItem = m_drag.target = m_edit.item = m_paintedTop = nullptr;
}

std::vector<HTREEITEM> CCherryTree::VisibleItems() const
{
    std::vector<HTREEITEM> items;
    for (HTREEITEM item = Next(nullptr, TVGN_ROOT); item; item = Next(item, TVGN_NEXTVISIBLE))
        items.push_back(item);
    return items;
}

// --- attributes ------------------------------------------------------------

CCherryItemAttr* CCherryTree::Attr(HTREEITEM item)
{
    if (!ItemExists(item))
        return nullptr;
    return &m_attrs[item];
}

const CCherryItemAttr* CCherryTree::FindAttr(HTREEITEM item) const
{
    const auto found = m_attrs.find(item);
    return found != m_attrs.end() ? &found->second : nullptr;
}

const CherryItemLayout* CCherryTree::FindLayout(HTREEITEM item) const
{
    const auto found = m_layouts.find(item);
    return found != m_layouts.end() ? &found->second : nullptr;
}

void CCherryTree::RepaintItem(HTREEITEM item) const
{
    // An item no paint has shown yet is covered by the invalidation its
    // insertion or expansion made; asking the native control where it is
    // costs a search of every item.
    if (m_bulk || !m_hWnd || !item || !m_layouts.count(item))
        return;
    RECT row = ItemRectRequest(item);
    if (::SendMessageA(m_hWnd, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&row))) {
        // Our rows are a whole item height; Wine's rectangle stops a pixel short.
        const auto height = static_cast<LONG>(::SendMessageA(m_hWnd, TVM_GETITEMHEIGHT, 0, 0));
        row.bottom = std::max(row.bottom, row.top + height);
        ::InvalidateRect(m_hWnd, &row, FALSE);
    }
}

BOOL CCherryTree::SetItemFonts(HFONT font)
{
    LOGFONTA description{};
    if (!font || !::GetObjectA(font, sizeof description, &description))
        return FALSE;
    for (auto& f : m_fonts)
        f.Reset();
    for (int i = 0; i < 4; ++i) {
        LOGFONTA variant = description;
        variant.lfWeight = (i & 1) ? FW_HEAVY : description.lfWeight;
        variant.lfItalic = (i & 2) ? TRUE : description.lfItalic;
        variant.lfQuality = DRAFT_QUALITY;
        m_fonts[i].Reset(::CreateFontIndirectA(&variant));
        if (!m_fonts[i]) {
            for (auto& f : m_fonts)
                f.Reset();
            return FALSE;
        }
    }
    if (m_hWnd) {
        ClientDC dc(m_hWnd);
        SelectScope select(dc, m_fonts[0]);
        SIZE extent{};
        ::GetTextExtentPoint32A(dc, "ABCDEFGabcdefg", 14, &extent);
        SendMessage(TVM_SETITEMHEIGHT, extent.cy + 2);
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[0].Get()), FALSE);
        Invalidate(false);
    }
    return TRUE;
}

COLORREF CCherryTree::SetBackColor(COLORREF colour)
{
    m_back = colour;
    if (m_hWnd) {
        SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(colour));
        Invalidate(false);
    }
    return colour;
}

COLORREF CCherryTree::GetBackColor() const
{
    if (m_back != CLR_NONE)
        return m_back;
    const auto native = m_hWnd ? static_cast<COLORREF>(::SendMessageA(m_hWnd, TVM_GETBKCOLOR, 0, 0)) : CLR_NONE;
    return native != CLR_NONE ? native : ::GetSysColor(COLOR_WINDOW);
}

COLORREF CCherryTree::GetItemBackColor(HTREEITEM item) const
{
    const CCherryItemAttr* attr = FindAttr(item);
    return attr && attr->backColour != CLR_NONE ? attr->backColour : GetBackColor();
}

BOOL CCherryTree::SetItemTextColor(HTREEITEM item, COLORREF colour)
{
    CCherryItemAttr* attr = Attr(item);
    if (!attr)
        return FALSE;
    attr->textColour = colour;
    RepaintItem(item);
    return TRUE;
}

BOOL CCherryTree::SetItemFontStyle(HTREEITEM item, BYTE bold, BYTE italic)
{
    CCherryItemAttr* attr = Attr(item);
    if (!attr)
        return FALSE;
    attr->bold = bold;
    attr->italic = italic;
    RepaintItem(item);
    return TRUE;
}

BOOL CCherryTree::SetItemChildIndent(HTREEITEM item, int pixels, bool recursive)
{
    const bool root = !item || item == TVI_ROOT;
    if (!root && !ItemExists(item))
        return FALSE;
    if (!root)
        m_attrs[item].childIndent = pixels;
    if (recursive || root) {
        std::vector<HTREEITEM> pending;
        for (HTREEITEM child = Next(root ? nullptr : item, root ? TVGN_ROOT : TVGN_CHILD); child;
             child = Next(child, TVGN_NEXT))
            pending.push_back(child);
        while (recursive && !pending.empty()) {
            HTREEITEM next = pending.back();
            pending.pop_back();
            m_attrs[next].childIndent = pixels;
            for (HTREEITEM child = Next(next, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
                pending.push_back(child);
        }
    }
    if (m_hWnd)
        Invalidate(false);
    return TRUE;
}

bool CCherryTree::SetExpanderBitmaps(HBITMAP* expanded, HBITMAP* collapsed, HBITMAP* childless)
{
    m_expanders[0] = expanded;
    m_expanders[1] = collapsed;
    m_expanders[2] = childless;
    return true;
}

UINT CCherryTree::AddItemImage(HTREEITEM item, HBITMAP bitmap, int position)
{
    CCherryItemAttr* attr = Attr(item);
    if (!attr)
        return 0;
    CherryImageList* list = nullptr;
    CherryImageList::iterator place;
    if (position >= 0) {
        for (CherryImageList* side : {&attr->leftImages, &attr->rightImages}) {
            place = std::find_if(side->begin(), side->end(),
                                 [position](const auto& image) { return image->Id() == static_cast<UINT>(position); });
            if (place != side->end()) {
                list = side;
                break;
            }
        }
        if (!list)
            return 0;
    }
    auto image = std::make_unique<CCherryItemImage>(attr->nextImageId++, bitmap);
    const UINT id = image->Id();
    switch (position) {
    case kImageLeftFront:
        attr->leftImages.insert(attr->leftImages.begin(), std::move(image));
        break;
    case kImageLeftBack:
        attr->leftImages.push_back(std::move(image));
        break;
    case kImageRightFront:
        attr->rightImages.insert(attr->rightImages.begin(), std::move(image));
        break;
    case kImageRightBack:
        attr->rightImages.push_back(std::move(image));
        break;
    default:
        if (!list)
            return 0;
        *place = std::move(image);
        break;
    }
    RepaintItem(item);
    return id;
}

BOOL CCherryTree::SetItemTip(HTREEITEM item, const std::string& tip)
{
    if (!item || item == TVI_ROOT)
        return TRUE;
    CCherryItemAttr* attr = Attr(item);
    if (!attr)
        return FALSE;
    attr->tip = tip;
    RepaintItem(item);
    return TRUE;
}

int CCherryTree::GetKeyValue(int key) const
{
    const auto found = m_keyValues.find(key);
    return found != m_keyValues.end() ? found->second : 0;
}

// --- selection ---------------------------------------------------------------

bool CCherryTree::Notify(UINT code, HTREEITEM item, bool selected, POINT drag) const
{
    NMTREEVIEWA info{};
    info.hdr.hwndFrom = m_hWnd;
    info.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd));
    info.hdr.code = code;
    if (item) {
        TVITEMA& which = selected ? info.itemNew : info.itemOld;
        which.mask = kNotifyMask;
        which.hItem = item;
        which.lParam = GetItemData(item);
    }
    info.ptDrag = drag;
    return ::SendMessageA(GetParent(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CCherryTree::NotifyParent(UINT msg, WPARAM wp, LPARAM lp) const
{
    ::SendMessageA(GetParent(), msg, wp, lp);
}

bool CCherryTree::ChangeSelection(HTREEITEM item, bool select)
{
    if (!item || IsSelected(item) == select)
        return true;
    if (Notify(TVN_SELCHANGING, item, select))
        return false;
    if (select)
        m_selected.insert(item);
    else
        m_selected.erase(item);
    RepaintItem(item);
    Notify(TVN_SELCHANGED, item, select);
    return true;
}

BOOL CCherryTree::SetItemStateEx(HTREEITEM item, UINT state, UINT mask)
{
    if (!ItemExists(item))
        return FALSE;
    if (mask & kCherryCaret) {
        if (state & kCherryCaret) {
            // The previous caret keeps its selection: that lives in our set.
            if (GetCaret() != item)
                SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        } else if (GetCaret() == item) {
            SendMessage(TVM_SELECTITEM, TVGN_CARET, 0);
        }
    }
    if ((mask & TVIS_SELECTED) && !ChangeSelection(item, (state & TVIS_SELECTED) != 0))
        return FALSE;
    const UINT others = mask & ~(TVIS_SELECTED | kCherryCaret);
    if (others) {
        TVITEMA info{};
        info.mask = TVIF_STATE;
        info.hItem = item;
        info.state = state & others;
        info.stateMask = others;
        SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&info));
    }
    return TRUE;
}

UINT CCherryTree::GetItemStateEx(HTREEITEM item, UINT mask) const
{
    UINT state = static_cast<UINT>(::SendMessageA(m_hWnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask)) &
                 ~TVIS_SELECTED;
    if (IsSelected(item))
        state |= TVIS_SELECTED;
    if ((mask & kCherryCaret) && item && GetCaret() == item)
        state |= kCherryCaret;
    return state & (mask | kCherryCaret);
}

HTREEITEM CCherryTree::GetFirstSelectedItem() const
{
    if (m_selected.empty())
        return nullptr;
    for (HTREEITEM item = Next(nullptr, TVGN_ROOT); item; item = Next(item, TVGN_NEXTVISIBLE))
        if (IsSelected(item))
            return item;
    return nullptr;
}

HTREEITEM CCherryTree::GetNextSelectedItem(HTREEITEM item) const
{
    for (item = item ? Next(item, TVGN_NEXTVISIBLE) : nullptr; item; item = Next(item, TVGN_NEXTVISIBLE))
        if (IsSelected(item))
            return item;
    return nullptr;
}

void CCherryTree::GetSelectedItems(std::vector<HTREEITEM>& items) const
{
    items.clear();
    if (m_selected.empty())
        return;
    for (HTREEITEM item : VisibleItems())
        if (IsSelected(item))
            items.push_back(item);
}

void CCherryTree::SelectAllItems(bool select)
{
    DeselectAllExcept(select, nullptr);
}

void CCherryTree::DeselectAllExcept(bool select, HTREEITEM except)
{
    if (!select && m_selected.empty())
        return;
    ++m_bulk;
    for (HTREEITEM item : VisibleItems())
        if (item != except)
            ChangeSelection(item, select);
    --m_bulk;
    Invalidate(false);
}

void CCherryTree::SelectItemRange(HTREEITEM from, HTREEITEM to, bool deselectOthers)
{
    ++m_bulk;
    bool inside = false;
    for (HTREEITEM item : VisibleItems()) {
        const bool edge = item == from || item == to;
        const bool last = inside && edge;
        if (edge && !inside)
            inside = true;
        if (inside)
            ChangeSelection(item, true);
        else if (deselectOthers && IsSelected(item))
            ChangeSelection(item, false);
        if (last || (edge && from == to))
            inside = false;
    }
    --m_bulk;
    Invalidate(false);
}

bool CCherryTree::SelectChildItems(HTREEITEM parent, bool select, bool recursive)
{
    bool caret = false;
    const HTREEITEM current = GetCaret();
    std::vector<HTREEITEM> pending;
    for (HTREEITEM child = Next(parent, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
        pending.push_back(child);
    ++m_bulk;
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        caret = caret || item == current;
        ChangeSelection(item, select);
        if (recursive)
            for (HTREEITEM child = Next(item, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
                pending.push_back(child);
    }
    --m_bulk;
    Invalidate(false);
    return caret;
}

// --- painting ----------------------------------------------------------------

void CCherryTree::OnPaint()
{
    PaintDC paint(m_hWnd);  // validates the update region whatever follows
    if (!m_redraw)
        return;
    const RECT client = GetClientRect();
    RECT area{};
    if (!::IntersectRect(&area, &paint.Info().rcPaint, &client))
        return;
    // A scroll moves the rows on the screen and asks only for the rows it
    // uncovers: the first paint after it lays out every row again, so that
    // tips and drags find the moved ones where they now are.
    const HTREEITEM top = Next(nullptr, TVGN_FIRSTVISIBLE);
    if (top != m_paintedTop)
        area = client;
    m_paintedTop = top;
    BackBuffer buffer(paint, area);
    if (!buffer.Valid())
        return;
    // Every row is ours, so the native paint is never called: it would draw
    // rows only to have them painted over (Wine's also walks every item to
    // size the scroll bars, which its item operations have already done).
    PaintScope scope(*this, buffer);
    PaintVisibleRows(buffer, area);
    buffer.CopyOut();
}

// A picture with its white cut out once per paint: two plain blits a row
// instead of a transparent blit, which builds its own mask every call.
struct CCherryTree::MaskedPicture {
    // The bitmaps outlive the DCs they are selected into.
    Bitmap colourBits;  // the picture with its white made black
    Bitmap maskBits;    // white where the picture is white
    MemoryDC colour;
    MemoryDC mask;
    SIZE size{};

    MaskedPicture(HDC reference, HDC scratch, const CCherryItemImage& image)
        : colourBits(::CreateCompatibleBitmap(reference, image.GetSize().cx, image.GetSize().cy)),
          maskBits(::CreateBitmap(image.GetSize().cx, image.GetSize().cy, 1, 1, nullptr)),
          colour(reference),
          mask(reference),
          size(image.GetSize())
    {
        ::SelectObject(colour, colourBits);
        ::SelectObject(mask, maskBits);
        {
            SelectScope select(scratch, image.Bitmap());
            ::BitBlt(colour, 0, 0, size.cx, size.cy, scratch, 0, 0, SRCCOPY);
        }
        ::SetBkColor(colour, CCherryItemImage::kTransparent);
        ::BitBlt(mask, 0, 0, size.cx, size.cy, colour, 0, 0, SRCCOPY);
        ::SetBkColor(colour, kBlack);
        ::SetTextColor(colour, kWhite);
        ::BitBlt(colour, 0, 0, size.cx, size.cy, mask, 0, 0, SRCAND);
    }
    bool Valid() const { return colourBits && maskBits; }
    void Draw(HDC dc, int x, int y) const
    {
        const COLORREF oldBack = ::SetBkColor(dc, kWhite), oldText = ::SetTextColor(dc, kBlack);
        ::BitBlt(dc, x, y, size.cx, size.cy, mask, 0, 0, SRCAND);
        ::BitBlt(dc, x, y, size.cx, size.cy, colour, 0, 0, SRCPAINT);
        ::SetBkColor(dc, oldBack);
        ::SetTextColor(dc, oldText);
    }
};

CCherryTree::PaintScope::PaintScope(CCherryTree& tree, HDC dc) : m_tree(tree)
{
    PaintState& state = tree.m_paint;
    if (state.active)
        return;
    m_owner = true;
    m_scratch = ::CreateCompatibleDC(dc);
    m_pictures = std::make_unique<PictureCache>();
    state.pictures = m_pictures.get();
    state.active = true;
    state.client = tree.GetClientRect();
    state.back = tree.GetBackColor();
    state.focused = ::GetFocus() == tree.m_hWnd;
    state.scratch = m_scratch;
}

CCherryTree::PaintScope::~PaintScope()
{
    if (!m_owner)
        return;
    m_tree.m_paint = PaintState{};
    if (m_scratch)
        ::DeleteDC(m_scratch);
}

void CCherryTree::DrawImage(HDC dc, const CCherryItemImage& image, int x, int y)
{
    // A picture class of the owner's draws itself.
    if (typeid(image) != typeid(CCherryItemImage) || !image.Bitmap() || !m_paint.pictures) {
        image.DrawWith(dc, m_paint.scratch, x, y);
        return;
    }
    auto& pictures = *m_paint.pictures;
    auto found = pictures.find(image.Bitmap());
    if (found == pictures.end())
        found = pictures.emplace(image.Bitmap(), std::make_unique<MaskedPicture>(dc, m_paint.scratch, image)).first;
    // The caller's bitmap may have been redrawn since the last paint, so the
    // cut-out lives for one paint only.
    if (found->second->Valid() && found->second->size.cx == image.GetSize().cx &&
        found->second->size.cy == image.GetSize().cy)
        found->second->Draw(dc, x, y);
    else
        image.DrawWith(dc, m_paint.scratch, x, y);
}

void CCherryTree::PaintVisibleRows(HDC dc, const RECT& area)
{
    PaintScope scope(*this, dc);
    Fill(dc, area, m_paint.back);
    // Rows are one item height each from the first visible item at the top
    // (no item here has another height): no rectangle is asked for.
    const int height = std::max(1, static_cast<int>(SendMessage(TVM_GETITEMHEIGHT)));
    int top = 0;
    for (HTREEITEM item = Next(nullptr, TVGN_FIRSTVISIBLE); item && top < area.bottom;
         item = Next(item, TVGN_NEXTVISIBLE), top += height)
        if (top + height > area.top)
            PaintItem(dc, item, RECT{0, top, m_paint.client.right, top + height});
}

void CCherryTree::PaintItem(HDC dc, HTREEITEM item, const RECT& row, bool keepLayout)
{
    PaintScope scope(*this, dc);
    const UINT native = static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), 0xFFFF));
    const CCherryItemAttr* attr = FindAttr(item);
    const bool focused = m_paint.focused;
    // The drag's own target, whatever the native control made of it: Wine
    // keeps the drop highlight out of the item state, and may not clear it.
    const bool dropTarget = (native & TVIS_DROPHILITED) || (m_drag.active && item == m_drag.target);
    const bool selected = IsSelected(item) || dropTarget;
    Fill(dc, row, m_paint.back);

    const bool bold = (attr && attr->bold) || (native & TVIS_BOLD);
    const bool italic = attr && attr->italic;
    HFONT font = m_fonts[(bold ? 1 : 0) + (italic ? 2 : 0)].Get();
    if (!font)
        font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    SelectScope selectFont(dc, font);

    int x = 0;
    for (HTREEITEM up = Next(item, TVGN_PARENT); up; up = Next(up, TVGN_PARENT)) {
        const CCherryItemAttr* a = FindAttr(up);
        x += a ? a->childIndent : m_defaultIndent;
    }

    CherryItemLayout layout;
    const bool hasChildren = Next(item, TVGN_CHILD) != nullptr;
    HBITMAP* expander = m_expanders[hasChildren ? ((native & TVIS_EXPANDED) ? 0 : 1) : 2];
    if (expander && *expander) {
        BITMAP info{};
        ::GetObjectA(*expander, sizeof info, &info);
        SelectScope select(m_paint.scratch, *expander);
        ::BitBlt(dc, x, row.top, info.bmWidth, row.bottom - row.top, m_paint.scratch, 0, 0, SRCCOPY);
        layout.expander = RECT{x, row.top, x + info.bmWidth, row.bottom};
        x += info.bmWidth + kGap;
    }

    const COLORREF labelBack = selected ? ::GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_INACTIVECAPTIONTEXT)
                               : attr && attr->backColour != CLR_NONE ? attr->backColour
                                                                      : m_paint.back;

    if (attr) {
        for (const auto& image : attr->leftImages) {
            const SIZE size = image->GetSize();
            DrawImage(dc, *image, x, row.top);
            Join(layout.leftImages, RECT{x, row.top, x + size.cx, row.top + size.cy});
            x += size.cx + kGap;
        }
    }

    COLORREF text = attr && attr->textColour != CLR_NONE ? attr->textColour : kBlack;
    if (selected)
        text = focused ? kWhite : kBlack;
    else if (item == m_hot)
        text = ::GetSysColor(COLOR_HOTLIGHT);

    std::string shown = GetItemText(item);
    int labelWidth = 0;
    const int n = static_cast<int>(shown.size());
    SIZE extent{};
    if (n >= 2) {
        const int count = 2 * ((n + 1) / 2);  // an odd length counts its terminator
        ::GetTextExtentPoint32A(dc, shown.c_str(), count, &extent);
        const int w1 = std::max(1, static_cast<int>(extent.cx / count));  // never divide by a zero width
        const int room = (kLabelRoom - x) / w1;
        if (n > room) {
            // Deep items can have no room at all: never a negative length,
            // never half a character.
            const size_t keep = static_cast<size_t>(std::max(room - 3, 0));
            shown = shown.substr(0, WholeCharPrefix(shown.c_str(), shown.size(), keep)) + "...";
        }
        labelWidth = w1 * (static_cast<int>(shown.size()) + 1);
    } else {
        ::GetTextExtentPoint32A(dc, shown.c_str(), n, &extent);
        labelWidth = extent.cx;
    }
    layout.label = RECT{x, row.top, x + labelWidth + kLabelPad, row.bottom};
    Fill(dc, layout.label, labelBack);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, text);
    // One line, centred by the measured height: DrawText would measure again.
    ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    ::ExtTextOutA(dc, x + kTextInset, row.top + (row.bottom - row.top - extent.cy) / 2, 0, nullptr, shown.c_str(),
                  static_cast<UINT>(shown.size()), nullptr);
    x = layout.label.right + kLabelPad;

    if (attr) {
        for (const auto& image : attr->rightImages) {
            const SIZE size = image->GetSize();
            DrawImage(dc, *image, x + kRightImageShift, row.top);
            Join(layout.rightImages,
                 RECT{x + kRightImageShift, row.top, x + kRightImageShift + size.cx, row.top + size.cy});
            x += size.cx + kGap + kRightImageShift;
        }
    }
    if (keepLayout)
        m_layouts[item] = layout;
}

// --- hit testing and tips ------------------------------------------------------

HTREEITEM CCherryTree::HitTestEx(POINT pt, UINT* flags) const
{
    UINT dummy = 0;
    UINT& out = flags ? *flags : dummy;
    const RECT client = GetClientRect();
    out = 0;
    if (pt.y < client.top)
        out |= TVHT_ABOVE;
    if (pt.y >= client.bottom)
        out |= TVHT_BELOW;
    if (pt.x < client.left)
        out |= TVHT_TOLEFT;
    if (pt.x >= client.right)
        out |= TVHT_TORIGHT;
    if (out) {
        out |= TVHT_NOWHERE;
        return nullptr;
    }
    TVHITTESTINFO info{};
    info.pt = pt;
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageA(m_hWnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    out = TVHT_NOWHERE;
    if (!item)
        return nullptr;
    const CherryItemLayout* layout = FindLayout(item);
    if (!layout)
        return item;
    UINT zone = 0;
    if (layout->expander.right > layout->expander.left && pt.x > layout->expander.left &&
        pt.x < layout->expander.right - 1)
        zone = TVHT_ONITEMBUTTON;
    if (InX(layout->label, pt.x))
        zone = TVHT_ONITEMLABEL;
    if (InX(layout->leftImages, pt.x) || InX(layout->rightImages, pt.x))
        zone = TVHT_ONITEMICON;
    if (layout->expander.right > layout->expander.left && pt.x < layout->expander.left)
        zone = TVHT_ONITEMINDENT;
    out = zone ? zone : TVHT_NOWHERE;
    return item;
}

std::string CCherryTree::TipTextAt(POINT pt, RECT* tool) const
{
    UINT flags = 0;
    HTREEITEM item = HitTestEx(pt, &flags);
    const CherryItemLayout* layout = item ? FindLayout(item) : nullptr;
    if (!layout || !(flags & (TVHT_ONITEMLABEL | TVHT_ONITEMICON)))
        return std::string();
    const CCherryItemAttr* attr = FindAttr(item);
    const std::string tip = attr ? attr->tip : std::string();
    std::string text;
    if (flags & TVHT_ONITEMICON) {
        if (tool)
            *tool = RECT{0, layout->label.top, GetClientRect().right, layout->label.bottom};
        text = tip.empty() ? std::string() : " " + tip;
    } else {
        if (tool)
            *tool = layout->label;
        if (attr && !attr->rightImages.empty())
            text = GetItemFullText(item);
        else
            text = tip.empty() ? GetItemFullText(item) : " " + tip;
    }
    return text.substr(0, WholeCharPrefix(text.c_str(), text.size(), kMaxTip));
}

void CCherryTree::UpdateTip(POINT pt)
{
    UINT flags = 0;
    HTREEITEM item = HitTestEx(pt, &flags);
    const int zone = (flags & TVHT_ONITEMLABEL) ? kLabelZone : (flags & TVHT_ONITEMICON) ? kImageZone : kNoZone;
    CPopupText& popup = ModulePopupText();
    if (item == m_tipItem && zone == m_tipZone && !popup.CancelledByLeave())
        return;
    m_tipItem = item;
    m_tipZone = zone;
    popup.Cancel();
    RECT tool{};
    const std::string text = TipTextAt(pt, &tool);
    if (text.empty())
        return;
    // The shared popup is made on first use, and again after an owner took
    // it down with its own window.
    if (!popup.IsWindow() && !popup.Create(POINT{0, 0}, m_hWnd))
        return;
    POINT at{pt.x, tool.bottom + 2};
    ::ClientToScreen(m_hWnd, &at);
    popup.SetWatchedWindow(m_hWnd);
    ::SetWindowPos(popup, nullptr, at.x, at.y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    popup.SetWindowText(text);
    popup.ShowDelayed(kItemTipDelayMs);
}

void CCherryTree::UpdateHot(POINT pt)
{
    const DWORD style = GetStyle();
    if (!(style & (TVS_TRACKSELECT | kCherryHotParents)))
        return;
    UINT flags = 0;
    HTREEITEM item = HitTestEx(pt, &flags);
    if (!(flags & (TVHT_ONITEMLABEL | TVHT_ONITEMICON | TVHT_ONITEMSTATEICON)))
        item = nullptr;
    if (item && (style & kCherryHotParents) && !Next(item, TVGN_CHILD))
        item = nullptr;
    if (item == m_hot)
        return;
    RepaintItem(m_hot);
    m_hot = item;
    RepaintItem(m_hot);
}

// --- mouse --------------------------------------------------------------------

void CCherryTree::SelectOnPress(HTREEITEM item, bool left, UINT keys)
{
    const bool shift = (keys & MK_SHIFT) != 0;
    const bool ctrl = (keys & MK_CONTROL) != 0;
    if (!left) {
        if (!shift && !ctrl) {
            if (!IsSelected(item))
                DeselectAllExcept(false, item);
            SetItemStateEx(item, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
        } else if (ctrl && !shift) {
            m_anchor = item;
        }
        return;
    }
    if (shift) {
        if (!m_anchor)
            m_anchor = GetCaret() ? GetCaret() : item;
        SelectItemRange(m_anchor, item, !ctrl);
        SetItemStateEx(item, kCherryCaret, kCherryCaret);
    } else if (ctrl) {
        m_anchor = nullptr;
    } else {
        if (!IsSelected(item)) {
            DeselectAllExcept(false, item);
            SetItemStateEx(item, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
        }
        m_anchor = nullptr;
    }
}

CCherryTree::PressEnd CCherryTree::TrackPress(POINT pt, bool left)
{
    const int dragX = ::GetSystemMetrics(SM_CXDRAG), dragY = ::GetSystemMetrics(SM_CYDRAG);
    const UINT release = left ? WM_LBUTTONUP : WM_RBUTTONUP;
    PressEnd end = PressEnd::Abandon;
    ::SetCapture(m_hWnd);
    m_loopRunning = true;
    m_loopAborted = false;
    MSG msg{};
    while (!m_loopAborted && ::GetCapture() == m_hWnd) {
        if (!::GetMessageA(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // the outer loop must still see it
            break;
        }
        if (msg.message == WM_MOUSEMOVE && msg.hwnd == m_hWnd) {
            const POINT at = decode::Point(msg.lParam);
            if (std::abs(at.x - pt.x) > dragX || std::abs(at.y - pt.y) > dragY) {
                end = PressEnd::Drag;
                break;
            }
        } else if (msg.message == release) {
            end = PressEnd::Click;
            break;
        } else if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            break;
        } else {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    m_loopRunning = false;
    if (m_loopAborted)
        end = PressEnd::Abandon;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    return end;
}

void CCherryTree::OnButtonDown(bool left, UINT keys, POINT pt)
{
    ModulePopupText().Cancel();
    const bool shift = (keys & MK_SHIFT) != 0;
    const bool ctrl = (keys & MK_CONTROL) != 0;
    if (left) {
        // The pressed item decides, not the caret from before the press.
        UINT unused = 0;
        HTREEITEM pressed = HitTestEx(pt, &unused);
        const HTREEITEM parent = pressed ? Next(pressed, TVGN_PARENT) : nullptr;
        m_drag.allowed = pressed && GetItemData(pressed) >= 0 && !(parent && GetItemData(parent) == kCherryNoDropGroup);
        m_drag.pressTick = ::GetTickCount();
    }
    UINT flags = 0;
    HTREEITEM item = HitTestEx(pt, &flags);
    if (item && (flags & TVHT_ONITEMBUTTON)) {
        SendMessage(TVM_EXPAND, TVE_TOGGLE, reinterpret_cast<LPARAM>(item));
        NotifyParent(WM_LBUTTONDOWN, 0, PointParam(pt));
        return;
    }
    if (item && (flags & TVHT_ONITEMICON)) {
        if (left && (GetStyle() & TVS_CHECKBOXES))
            return;
        NotifyParent(WM_LBUTTONDOWN, GetItemData(item) == kCherryImageGroup ? kCherryImagePress : 0, PointParam(pt));
        return;
    }
    if (!item || !(flags & TVHT_ONITEMLABEL)) {
        RubberBand(pt, left, keys);
        return;
    }
    SelectOnPress(item, left, keys);
    if (!ItemExists(item))
        return;
    m_pressItem = item;
    const PressEnd end = TrackPress(pt, left);
    item = m_pressItem;  // null when a rebuild took it while the loop ran
    m_pressItem = nullptr;
    if (!item || end == PressEnd::Abandon)
        return;
    if (end == PressEnd::Drag) {
        SetItemStateEx(item, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
        if (!(GetStyle() & TVS_DISABLEDRAGDROP)) {
            Notify(left ? TVN_BEGINDRAG : TVN_BEGINRDRAG, item, true, pt);
            if (left && ItemExists(item))
                BeginDrag(item, pt);
        }
        return;
    }
    if (!shift && !ctrl && (GetStyle() & kCherryClickExpands) && item != Next(nullptr, TVGN_ROOT))
        SendMessage(TVM_EXPAND, TVE_TOGGLE, reinterpret_cast<LPARAM>(item));
    if (left && !shift) {
        if (ctrl) {
            ChangeSelection(item, !IsSelected(item));
            SetItemStateEx(item, kCherryCaret, kCherryCaret);
        } else {
            DeselectAllExcept(false, item);
            SetItemStateEx(item, TVIS_SELECTED | kCherryCaret, TVIS_SELECTED | kCherryCaret);
        }
    }
    ::SetFocus(m_hWnd);
    Notify(left ? NM_CLICK : NM_RCLICK, nullptr, false);
}

void CCherryTree::BandSelect(const RECT& band, const std::unordered_set<HTREEITEM>&, bool ctrl, bool shift)
{
    const RECT client = GetClientRect();
    const int height = static_cast<int>(SendMessage(TVM_GETITEMHEIGHT));
    const std::vector<HTREEITEM> items = VisibleItems();
    const HTREEITEM first = Next(nullptr, TVGN_FIRSTVISIBLE);
    const int firstIndex = static_cast<int>(std::find(items.begin(), items.end(), first) - items.begin());
    ++m_bulk;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        HTREEITEM item = items[i];
        const RECT row{client.left, (i - firstIndex) * height, client.right, (i - firstIndex + 1) * height};
        RECT meet{};
        const bool meets = ::IntersectRect(&meet, &row, &band) != 0;
        const bool remembered = m_remembered.count(item) != 0;
        if (meets) {
            if (remembered && ctrl)
                ChangeSelection(item, false);
            else if (remembered && shift)
                m_remembered.erase(item);
            else if (!remembered)
                ChangeSelection(item, true);
        } else if (remembered) {
            ChangeSelection(item, true);
        } else if (IsSelected(item)) {
            ChangeSelection(item, false);
        }
    }
    --m_bulk;
    Invalidate(false);
}

void CCherryTree::RubberBand(POINT pt, bool left, UINT keys)
{
    const bool shift = (keys & MK_SHIFT) != 0;
    const bool ctrl = (keys & MK_CONTROL) != 0;
    ::SetFocus(m_hWnd);
    ::SetCapture(m_hWnd);
    m_remembered.clear();
    if (shift || ctrl)
        m_remembered.insert(m_selected.begin(), m_selected.end());
    ::SetTimer(m_hWnd, kBandTimer, kBandPeriodMs, nullptr);
    const int height = std::max(1, static_cast<int>(SendMessage(TVM_GETITEMHEIGHT)));
    const int startScroll = ::GetScrollPos(m_hWnd, SB_VERT);
    const int dragX = ::GetSystemMetrics(SM_CXDRAG), dragY = ::GetSystemMetrics(SM_CYDRAG);
    bool started = false, drawn = false;
    RECT shownBand{};
    auto eraseBand = [&] {
        if (drawn) {
            ClientDC dc(m_hWnd);
            ::DrawFocusRect(dc, &shownBand);
        }
    };
    auto moveTo = [&](POINT at) {
        if (!started && std::abs(at.x - pt.x) <= dragX && std::abs(at.y - pt.y) <= dragY)
            return;
        if (!started && !shift && !ctrl)
            SelectAllItems(false);
        started = true;
        const RECT client = GetClientRect();
        if (at.y < client.top)
            SendMessage(WM_VSCROLL, SB_LINEUP);
        else if (at.y >= client.bottom)
            SendMessage(WM_VSCROLL, SB_LINEDOWN);
        const int top = pt.y - (::GetScrollPos(m_hWnd, SB_VERT) - startScroll) * height;
        RECT band{std::min<LONG>(pt.x, at.x), std::min<LONG>(top, at.y), std::max<LONG>(pt.x, at.x) + 1,
                  std::max<LONG>(top, at.y) + 1};
        eraseBand();
        drawn = false;
        BandSelect(band, m_remembered, ctrl, shift);
        ::UpdateWindow(m_hWnd);
        ClientDC dc(m_hWnd);
        ::DrawFocusRect(dc, &band);
        shownBand = band;
        drawn = true;
    };

    m_loopRunning = true;
    m_loopAborted = false;
    bool everDrawn = false;
    MSG msg{};
    bool quit = false, ended = false;
    while (!m_loopAborted && ::GetCapture() == m_hWnd) {
        if (!::GetMessageA(&msg, nullptr, 0, 0)) {
            quit = true;
            break;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            SelectAllItems(false);
            ended = true;
            break;
        }
        if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP || msg.message == WM_MBUTTONUP) {
            ended = true;
            break;
        }
        if (msg.message == WM_MOUSEMOVE && msg.hwnd == m_hWnd) {
            moveTo(decode::Point(msg.lParam));
            everDrawn = everDrawn || drawn;
            continue;
        }
        if (msg.message == WM_TIMER && msg.hwnd == m_hWnd && msg.wParam == kBandTimer) {
            // Outside the client area the tick is a move, so the band grows
            // while the view scrolls. Never handed to the native control.
            POINT at{};
            ::GetCursorPos(&at);
            ::ScreenToClient(m_hWnd, &at);
            const RECT client = GetClientRect();
            if (!::PtInRect(&client, at)) {
                moveTo(at);
                everDrawn = everDrawn || drawn;
            }
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    m_loopRunning = false;
    ::KillTimer(m_hWnd, kBandTimer);
    eraseBand();
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    m_remembered.clear();
    if (quit) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    if (!everDrawn && !shift && !ctrl)
        SelectAllItems(false);
    Notify(left ? NM_CLICK : NM_RCLICK, nullptr, false);
    if (ended && !(msg.message == WM_KEYDOWN)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// --- drag and drop ---------------------------------------------------------------

HIMAGELIST CCherryTree::MakeDragImage(HTREEITEM item)
{
    const int height = std::max(1, static_cast<int>(SendMessage(TVM_GETITEMHEIGHT)));
    const CherryItemLayout* layout = FindLayout(item);
    const int width = layout && layout->label.right > 0 ? layout->label.right : kLabelRoom;
    ClientDC screen(m_hWnd);
    Bitmap bitmap(::CreateCompatibleBitmap(screen, width, height));
    if (!bitmap)
        return nullptr;
    {
        MemoryDC dc(screen);
        SelectScope select(dc, bitmap);
        PaintItem(dc, item, RECT{0, 0, width, height}, false);
    }
    HIMAGELIST list = ::ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 1, 1);
    if (list && ::ImageList_AddMasked(list, bitmap, GetBackColor()) < 0) {
        ::ImageList_Destroy(list);
        list = nullptr;
    }
    return list;
}

bool CCherryTree::BeginDrag(HTREEITEM item, POINT pt)
{
    if (!m_drag.allowed || ::GetTickCount() - m_drag.pressTick < kDragDelayMs)
        return false;
    ImageList image(MakeDragImage(item));
    if (!image)
        return false;
    m_drag.source = item;
    m_drag.sourceParent = Next(item, TVGN_PARENT);
    m_drag.target = nullptr;
    m_drag.ticks = 0;
    m_drag.image = std::move(image);
    ::ImageList_BeginDrag(m_drag.image, 0, kDragHotspot.x, kDragHotspot.y);
    ::ImageList_DragEnter(m_hWnd, pt.x, pt.y);
    m_drag.active = true;
    ::SetCapture(m_hWnd);
    m_drag.timer = ::SetTimer(m_hWnd, kDragTimer, kDragPeriodMs, nullptr);
    return true;
}

void CCherryTree::UpdateDropTarget(POINT pt)
{
    UINT flags = 0;
    HTREEITEM candidate = HitTestEx(pt, &flags);
    HTREEITEM target = candidate && GetItemData(candidate) >= -1 ? Next(candidate, TVGN_PARENT) : candidate;
    if (target && GetItemData(target) == kCherryNoDropGroup)
        target = nullptr;
    if (target == m_drag.target)
        return;
    ::ImageList_DragShowNolock(FALSE);
    RepaintItem(m_drag.target);
    m_drag.target = target;
    RepaintItem(target);
    // The highlight first: Wine ignores any selection request for the item
    // that is already the caret, the drop highlight included.
    SendMessage(TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(target));
    if (target)
        SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(target));
    ::UpdateWindow(m_hWnd);
    ::ImageList_DragShowNolock(TRUE);
}

void CCherryTree::EndDrag(bool drop)
{
    if (!m_drag.active)
        return;
    m_drag.active = false;  // first: releasing the capture comes back here
    if (m_drag.timer && m_hWnd)
        ::KillTimer(m_hWnd, kDragTimer);
    m_drag.timer = 0;
    ::ImageList_DragLeave(m_hWnd);
    ::ImageList_EndDrag();
    m_drag.image.Reset();
    if (m_hWnd) {
        SendMessage(TVM_SELECTITEM, TVGN_DROPHILITE, 0);
        if (::GetCapture() == m_hWnd)
            ::ReleaseCapture();
    }
    const HTREEITEM source = m_drag.source, target = m_drag.target;
    const bool ownGroup = target == m_drag.sourceParent;
    m_drag.source = m_drag.target = m_drag.sourceParent = nullptr;
    RepaintItem(target);
    if (drop && source && target && !ownGroup && ItemExists(source) && ItemExists(target)) {
        SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(target));
        NotifyParent(WM_CHERRYTREE_DROP, reinterpret_cast<WPARAM>(source), reinterpret_cast<LPARAM>(target));
    }
}

void CCherryTree::CancelGestures()
{
    m_loopAborted = true;
    EndDrag(false);
}

void CCherryTree::OnTimer(UINT_PTR id)
{
    if (id != kDragTimer || !m_drag.active)
        return;
    ++m_drag.ticks;
    POINT at{};
    ::GetCursorPos(&at);
    const RECT window = GetWindowRect();
    int divisor = 0;
    UINT scroll = 0;
    if (at.y < window.top + kScrollZone) {
        divisor = kMaxTickDivisor - (window.top + kScrollZone - at.y) / kScrollStep;
        scroll = SB_LINEUP;
    } else if (at.y > window.bottom - kScrollZone) {
        divisor = kMaxTickDivisor - (at.y - window.bottom + kScrollZone) / kScrollStep;
        scroll = SB_LINEDOWN;
    }
    if (!scroll || m_drag.ticks % static_cast<unsigned>(std::max(divisor, 1)) != 0)
        return;
    ::ImageList_DragShowNolock(FALSE);
    SendMessage(WM_VSCROLL, scroll);
    ::UpdateWindow(m_hWnd);
    ::ImageList_DragShowNolock(TRUE);
}

void CCherryTree::OnMouseMove(UINT, POINT pt)
{
    if (m_drag.active) {
        ::ImageList_DragMove(pt.x, pt.y);
        UpdateDropTarget(pt);
        return;
    }
    UpdateHot(pt);
    UpdateTip(pt);
}

void CCherryTree::OnLButtonUp(POINT pt)
{
    if (!m_drag.active)
        return;
    UpdateDropTarget(pt);
    EndDrag(true);
}

// --- keys and native notifications --------------------------------------------------

bool CCherryTree::OnKeyDown(UINT key)
{
    if (key == VK_ESCAPE && m_drag.active) {
        EndDrag(false);
        return true;
    }
    if (!m_multiple || (key != VK_UP && key != VK_DOWN))
        return false;
    const HTREEITEM caret = GetCaret();
    const bool shift = Held(VK_SHIFT), ctrl = Held(VK_CONTROL);
    if (!m_anchor)
        m_anchor = caret;
    if (!shift && !ctrl) {
        m_anchor = nullptr;
        SelectAllItems(false);
        Default();
        if (HTREEITEM now = GetCaret())
            ChangeSelection(now, true);
        return true;
    }
    HTREEITEM target = caret ? Next(caret, key == VK_UP ? TVGN_PREVIOUSVISIBLE : TVGN_NEXTVISIBLE) : nullptr;
    if (!target)
        target = caret;
    if (!target)
        return true;
    if (shift) {
        SelectItemRange(m_anchor ? m_anchor : target, target, true);
        SetItemStateEx(target, kCherryCaret, kCherryCaret);
    } else {
        SetItemStateEx(target, kCherryCaret, kCherryCaret);
    }
    SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(target));
    return true;
}

void CCherryTree::OnItemExpanding(const NMTREEVIEWA& info)
{
    HTREEITEM item = info.itemNew.hItem;
    if (!item || (info.action & 0x3) != TVE_COLLAPSE)
        return;
    const HTREEITEM caret = GetCaret();
    bool caretInside = false;
    std::vector<HTREEITEM> pending;
    for (HTREEITEM child = Next(item, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
        pending.push_back(child);
    while (!pending.empty()) {
        HTREEITEM next = pending.back();
        pending.pop_back();
        caretInside = caretInside || next == caret;
        ChangeSelection(next, false);
        for (HTREEITEM child = Next(next, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
            pending.push_back(child);
    }
    if (caretInside && !IsSelected(item))
        SendMessage(TVM_SELECTITEM, TVGN_CARET, 0);
}

bool CCherryTree::OnReflectedMessage(UINT msg, WPARAM, LPARAM lp, LRESULT&)
{
    if (msg != WM_NOTIFY || !lp)
        return false;
    NMHDR& header = decode::Ref<NMHDR>(lp);
    if (header.hwndFrom != m_hWnd)
        return false;
    if (header.code == TVN_ITEMEXPANDINGA || header.code == TVN_ITEMEXPANDINGW)
        OnItemExpanding(decode::Ref<NMTREEVIEWA>(lp));
    return false;  // the parent may still veto
}

UINT CCherryTree::EditEndedMessage()
{
    static const UINT message = ::RegisterWindowMessageA("pelmo.CherryTree.EditEnded");
    return message;
}

void CCherryTree::ApplyEditedText()
{
    const EditState edit = m_edit;
    m_edit = EditState{};
    if (!edit.item || !ItemExists(edit.item))
        return;
    // A text other than the one shown before is a new text the parent
    // accepted; the same text is a cancel or a refusal, and keeps the full one.
    const std::string now = GetItemText(edit.item);
    if (now != edit.shown)
        SetItemTextShort(edit.item, now);
}

LRESULT CCherryTree::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == EditEndedMessage() && msg) {
        if (m_edit.box && reinterpret_cast<HWND>(wp) == m_edit.box)
            ApplyEditedText();
        return 0;
    }
    switch (msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        if (msg == WM_PAINT && !wp) {
            OnPaint();
            return 0;
        }
        if (wp) {
            PaintScope scope(*this, decode::Dc(wp));
            PaintVisibleRows(decode::Dc(wp), m_paint.client);
        }
        return 0;
    case WM_SETREDRAW:
        m_redraw = wp != 0;
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (!m_multiple)
            break;
        if (m_drag.active)
            return 0;
        OnButtonDown(msg == WM_LBUTTONDOWN, static_cast<UINT>(wp), decode::Point(lp));
        return 0;
    case WM_LBUTTONDBLCLK: {
        UINT flags = 0;
        HTREEITEM item = HitTestEx(decode::Point(lp), &flags);
        if (item && (flags & (TVHT_ONITEMLABEL | TVHT_ONITEMICON)))
            Notify(NM_DBLCLK, nullptr, false);
        return 0;
    }
    case WM_LBUTTONUP:
        OnLButtonUp(decode::Point(lp));
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<UINT>(wp), decode::Point(lp));
        if (m_drag.active)
            return 0;
        break;
    case WM_SETCURSOR:
        if (decode::Window(wp) == m_hWnd && LOWORD(lp) == HTCLIENT) {
            ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_TIMER:
        // Our timers are ours: a native tree takes timer 2 for a label edit.
        if (wp == kDragTimer || wp == kBandTimer) {
            OnTimer(wp);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (OnKeyDown(static_cast<UINT>(wp)))
            return 0;
        break;
    case WM_CANCELMODE:
        CancelGestures();
        break;
    case WM_CAPTURECHANGED:
        if (decode::Window(lp) != m_hWnd) {
            if (m_loopRunning)
                m_loopAborted = true;
            EndDrag(false);
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        const LRESULT result = Default();
        Invalidate(false);
        return result;
    }
    case WM_HSCROLL:
        return 0;
    case TVM_INSERTITEMA:
    case TVM_INSERTITEMW: {
        const LRESULT item = Default();
        const auto& insert = decode::Ref<TVINSERTSTRUCTA>(lp);
        if (item)
            m_items[reinterpret_cast<HTREEITEM>(item)] = (insert.item.mask & TVIF_PARAM) ? insert.item.lParam : 0;
        return item;
    }
    case TVM_SETITEMA:
    case TVM_SETITEMW: {
        const LRESULT done = Default();
        const auto& item = decode::Ref<TVITEMA>(lp);
        if (done && (item.mask & TVIF_PARAM))
            m_items[item.hItem] = item.lParam;
        return done;
    }
    case TVM_DELETEITEM: {
        auto item = reinterpret_cast<HTREEITEM>(lp);
        // A rebuild ends every gesture that may hold an item.
        if (m_loopRunning)
            m_loopAborted = true;
        EndDrag(false);
        if (!item || item == TVI_ROOT)
            ForgetAll();
        else
            ForgetSubtree(item);
        return Default();
    }
    case TVM_EXPAND:
        if ((wp & 0x3) == TVE_COLLAPSE ||
            ((wp & 0x3) == TVE_TOGGLE &&
             (::SendMessageA(m_hWnd, TVM_GETITEMSTATE, lp, TVIS_EXPANDED) & TVIS_EXPANDED))) {
            NMTREEVIEWA info{};
            info.action = TVE_COLLAPSE;
            info.itemNew.hItem = reinterpret_cast<HTREEITEM>(lp);
            OnItemExpanding(info);
        }
        break;
    case TVM_EDITLABELA: {
        // The edit starts from the whole text, not the shortened one.
        const auto item = reinterpret_cast<HTREEITEM>(lp);
        const std::string shown = GetItemText(item);
        const LRESULT edit = Default();
        const auto found = m_fullTexts.find(item);
        if (edit && found != m_fullTexts.end())
            ::SetWindowTextA(reinterpret_cast<HWND>(edit), found->second.c_str());
        if (edit)
            m_edit = EditState{item, reinterpret_cast<HWND>(edit), shown};
        return edit;
    }
    case TVM_ENDEDITLABELNOW: {
        const LRESULT done = Default();
        ApplyEditedText();
        return done;
    }
    case WM_PARENTNOTIFY:
        // The native control stores an accepted text as it was typed, then
        // destroys its edit box; the item must show it shortened again.
        if (LOWORD(wp) == WM_DESTROY && m_edit.box && reinterpret_cast<HWND>(lp) == m_edit.box)
            PostMessage(EditEndedMessage(), reinterpret_cast<WPARAM>(m_edit.box));
        break;
    case WM_DESTROY:
        m_edit = EditState{};
        EndDrag(false);
        DeleteAllItemsEx();
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
