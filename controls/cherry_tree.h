// CCherryTree: the contact tree. A native tree view keeps the items, the
// scrolling, the expansion and the caret; this class paints every row itself
// (item attributes, pictures left and right of the text, shortened texts),
// keeps its own multiple selection and reports it with its own
// TVN_SELCHANGING/TVN_SELCHANGED, and drags contacts onto groups, telling
// the parent with WM_CHERRYTREE_DROP.
//
// Item data convention of the owner: >= -1 a contact (or placeholder),
// < -1 a group, -50 the group that takes no drops and whose contacts do not
// drag, -10 the group whose picture presses are reported with wParam 111.
//
// Everything the control knows about an item (attributes, last layout, the
// full text behind a shortened one, selection) is found through maps keyed
// by the item handle, and forgotten when the native control deletes the
// item by any path, so a press loop, band or drag never holds a dead item.
#pragma once

#include "framework/Gdi.h"
#include "framework/Wnd.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

constexpr UINT WM_CHERRYTREE_DROP = 0x4D3;

// wParam of the WM_LBUTTONDOWN the parent gets for a press on the pictures
// of the item whose data is kCherryImageGroup.
constexpr WPARAM kCherryImagePress = 111;
constexpr LPARAM kCherryImageGroup = -10;
constexpr LPARAM kCherryNoDropGroup = -50;

// Style bits of the control beyond the native tree's.
constexpr DWORD kCherryHotParents = 0x10000;    // hot tracking, parents only
constexpr DWORD kCherryClickExpands = 0x20000;  // a plain click toggles expansion

// AddItemImage positions.
constexpr int kImageLeftFront = -1;
constexpr int kImageLeftBack = -2;
constexpr int kImageRightFront = -3;
constexpr int kImageRightBack = -4;

// The caret bit of SetItemStateEx/GetItemStateEx.
constexpr UINT kCherryCaret = 0x1;

class CCherryItemImage {
public:
    static constexpr COLORREF kTransparent = RGB(255, 255, 255);

    CCherryItemImage(UINT id, HBITMAP bitmap);
    virtual ~CCherryItemImage() = default;
    virtual void Draw(HDC dc, int x, int y) const;
    // Draws through `scratch`, a memory DC the caller keeps for a whole
    // paint (the tree draws thousands of pictures per paint).
    virtual void DrawWith(HDC dc, HDC scratch, int x, int y) const;
    virtual SIZE GetSize() const { return m_size; }
    UINT Id() const { return m_id; }
    HBITMAP Bitmap() const { return m_bitmap; }

private:
    UINT m_id;
    HBITMAP m_bitmap;  // the caller's
    SIZE m_size{};
};

using CherryImageList = std::vector<std::unique_ptr<CCherryItemImage>>;

struct CCherryItemAttr {
    COLORREF textColour = CLR_NONE;
    COLORREF backColour = CLR_NONE;
    BYTE bold = 0;
    BYTE italic = 0;
    int childIndent = 16;
    std::string tip;
    UINT nextImageId = 1;
    CherryImageList leftImages;
    CherryImageList rightImages;
};

// Where the last paint put an item's parts, in client coordinates.
struct CherryItemLayout {
    RECT label{};
    RECT expander{};
    RECT leftImages{};
    RECT rightImages{};
};

// The text an item shows for `text`: top-level items keep 16 bytes, others
// 14; a longer text is cut to 14 (12) bytes of whole characters and "...".
std::string CherryShortText(const std::string& text, bool topLevel);

class CCherryTree : public CWnd {
public:
    static constexpr UINT_PTR kBandTimer = 1;
    static constexpr UINT kBandPeriodMs = 75;
    static constexpr UINT_PTR kDragTimer = 2;
    static constexpr UINT kDragPeriodMs = 40;
    static constexpr DWORD kDragDelayMs = 50;
    static constexpr int kDefaultChildIndent = 16;
    static constexpr int kGap = 2;
    static constexpr int kLabelRoom = 120;  // the label fits into this many pixels from the left
    static constexpr int kMaxTip = 80;

    CCherryTree() = default;
    ~CCherryTree() override;

    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);

    BOOL SetItemFonts(HFONT font);
    COLORREF SetBackColor(COLORREF colour);
    COLORREF GetBackColor() const;
    COLORREF GetItemBackColor(HTREEITEM item) const;
    BOOL SetItemTextColor(HTREEITEM item, COLORREF colour);
    BOOL SetItemFontStyle(HTREEITEM item, BYTE bold, BYTE italic);
    BOOL SetItemChildIndent(HTREEITEM item, int pixels, bool recursive);
    void SetDefaultChildIndent(int pixels) { m_defaultIndent = pixels; }
    bool SetExpanderBitmaps(HBITMAP* expanded, HBITMAP* collapsed, HBITMAP* childless);
    UINT AddItemImage(HTREEITEM item, HBITMAP bitmap, int position);
    BOOL SetItemTip(HTREEITEM item, const std::string& tip);
    HTREEITEM InsertItemShort(const std::string& text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    HTREEITEM InsertItemShort(const std::string& text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                              HTREEITEM after = TVI_LAST);
    BOOL SetItemTextShort(HTREEITEM item, const std::string& text);
    BOOL DeleteItemEx(HTREEITEM item);
    BOOL DeleteAllItemsEx();
    HTREEITEM HitTestEx(POINT pt, UINT* flags) const;
    void SetKeyValue(int key, int value) { m_keyValues[key] = value; }
    int GetKeyValue(int key) const;
    BOOL SetItemStateEx(HTREEITEM item, UINT state, UINT mask);
    UINT GetItemStateEx(HTREEITEM item, UINT mask) const;
    HTREEITEM GetFirstSelectedItem() const;
    HTREEITEM GetNextSelectedItem(HTREEITEM item) const;
    void SelectAllItems(bool select);
    void DeselectAllExcept(bool select, HTREEITEM except);
    void SelectItemRange(HTREEITEM from, HTREEITEM to, bool deselectOthers);
    bool SelectChildItems(HTREEITEM parent, bool select, bool recursive);
    void GetSelectedItems(std::vector<HTREEITEM>& items) const;
    void SetMultipleSelection(bool on) { m_multiple = on; }

    // The text the item was given, before shortening (what a label edit
    // starts from and is compared against).
    std::string GetItemFullText(HTREEITEM item) const;
    std::string GetItemText(HTREEITEM item) const;
    LPARAM GetItemData(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, LPARAM data);
    HTREEITEM Next(HTREEITEM item, UINT how) const;
    HTREEITEM GetCaret() const { return Next(nullptr, TVGN_CARET); }
    bool ItemExists(HTREEITEM item) const;
    bool IsSelected(HTREEITEM item) const { return m_selected.count(item) != 0; }
    size_t SelectedCount() const { return m_selected.size(); }
    bool IsDragging() const { return m_drag.active; }
    HTREEITEM HotItem() const { return m_hot; }
    HTREEITEM Anchor() const { return m_anchor; }
    const CCherryItemAttr* FindAttr(HTREEITEM item) const;
    const CherryItemLayout* FindLayout(HTREEITEM item) const;
    // The tip for the point, as the tool would show it; empty when none.
    std::string TipTextAt(POINT pt, RECT* tool = nullptr) const;
    // Ends a drag, band or press loop without dropping anything.
    void CancelGestures();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void PreSubclassWindow() override;

private:
    enum class PressEnd { Abandon, Drag, Click };
    struct MaskedPicture;
    using PictureCache = std::unordered_map<HBITMAP, std::unique_ptr<MaskedPicture>>;
    // What every row of one paint shares, looked up once per paint.
    struct PaintState {
        PictureCache* pictures = nullptr;
        bool active = false;
        bool focused = false;
        RECT client{};
        COLORREF back = CLR_NONE;
        HDC scratch = nullptr;
    };
    // Sets m_paint up for the outermost paint on the stack; nested scopes share it.
    class PaintScope {
    public:
        PaintScope(CCherryTree& tree, HDC dc);
        ~PaintScope();
        PaintScope(const PaintScope&) = delete;
        PaintScope& operator=(const PaintScope&) = delete;

    private:
        CCherryTree& m_tree;
        bool m_owner = false;  // only the outermost scope sets up and owns the state
        HDC m_scratch = nullptr;
        std::unique_ptr<PictureCache> m_pictures;
    };
    struct DragState {
        bool allowed = false;
        DWORD pressTick = 0;
        bool active = false;
        HTREEITEM source = nullptr;
        HTREEITEM sourceParent = nullptr;
        HTREEITEM target = nullptr;
        ImageList image;
        UINT_PTR timer = 0;
        unsigned ticks = 0;
    };

    CCherryItemAttr* Attr(HTREEITEM item);
    void RepaintItem(HTREEITEM item) const;
    void Forget(HTREEITEM item);
    void ForgetSubtree(HTREEITEM item);
    void ForgetAll();
    std::vector<HTREEITEM> VisibleItems() const;
    bool ChangeSelection(HTREEITEM item, bool select);
    bool Notify(UINT code, HTREEITEM item, bool selected, POINT drag = {}) const;
    void NotifyParent(UINT msg, WPARAM wp, LPARAM lp) const;

    void OnPaint();
    void PaintItem(HDC dc, HTREEITEM item, const RECT& row, bool keepLayout = true);
    void PaintVisibleRows(HDC dc, const RECT& area);
    void DrawImage(HDC dc, const CCherryItemImage& image, int x, int y);
    void OnButtonDown(bool left, UINT keys, POINT pt);
    PressEnd TrackPress(POINT pt, bool left);
    void SelectOnPress(HTREEITEM item, bool left, UINT keys);
    void RubberBand(POINT pt, bool left, UINT keys);
    void BandSelect(const RECT& band, const std::unordered_set<HTREEITEM>& remembered, bool ctrl, bool shift);
    bool OnKeyDown(UINT key);
    void OnItemExpanding(const NMTREEVIEWA& info);
    void OnMouseMove(UINT keys, POINT pt);
    void OnLButtonUp(POINT pt);
    void OnTimer(UINT_PTR id);
    bool BeginDrag(HTREEITEM item, POINT pt);
    void EndDrag(bool drop);
    void UpdateDropTarget(POINT pt);
    HIMAGELIST MakeDragImage(HTREEITEM item);
    void UpdateHot(POINT pt);
    void UpdateTip(POINT pt);
    bool LoopAborted() const { return m_loopAborted; }
    static UINT EditEndedMessage();
    void ApplyEditedText();

    std::unordered_map<HTREEITEM, CCherryItemAttr> m_attrs;
    std::unordered_map<HTREEITEM, CherryItemLayout> m_layouts;
    std::unordered_map<HTREEITEM, std::string> m_fullTexts;
    std::unordered_set<HTREEITEM> m_selected;
    std::unordered_map<int, int> m_keyValues;
    Font m_fonts[4];
    COLORREF m_back = CLR_NONE;
    HBITMAP* m_expanders[3] = {};
    int m_defaultIndent = kDefaultChildIndent;
    bool m_multiple = true;
    HTREEITEM m_anchor = nullptr;
    HTREEITEM m_hot = nullptr;
    HTREEITEM m_pressItem = nullptr;
    HTREEITEM m_tipItem = nullptr;
    HTREEITEM m_paintedTop = nullptr;  // the first visible item at the last paint
    int m_tipZone = 0;
    bool m_loopRunning = false;
    bool m_loopAborted = false;
    DragState m_drag;
    PaintState m_paint;
    struct EditState {
        HTREEITEM item = nullptr;
        HWND box = nullptr;
        std::string shown;  // the item's text when the edit began
    } m_edit;
    std::unordered_set<HTREEITEM> m_remembered;     // the band's items selected before it began
    std::unordered_map<HTREEITEM, LPARAM> m_items;  // every item and its data, kept as they are inserted
    int m_bulk = 0;        // inside a bulk change: one repaint at its end instead of one per item
    bool m_redraw = true;  // WM_SETREDRAW: off while the owner rebuilds
};
