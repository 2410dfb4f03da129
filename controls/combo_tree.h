// CComboTree: a drop-down box whose list is a tree.
//
// The box is a child window with a read-only text field and a drop button;
// the tree drops down below it in a top-level window of its own. Items are
// addressed by their texts joined with a separator ("/"), so one call can
// select or create a whole path. In check mode every item carries a
// three-state check box whose state spreads to descendants and ancestors.
//
// The parent hears of what happens through WM_COMMAND with the box's id and
// the CBN_* codes below. While the tree is down, a hook on the parent closes
// it (as cancelled) when the parent moves, is clicked or gets a command.
//
// The tree window is owned by the box's dialog, so it stays above it and
// goes with it; the tree, text field and drop button report to the box,
// which reflects their notifications back to their own objects.
#pragma once

#include "controls/popup_text.h"
#include "framework/SubclassWnd.h"
#include "framework/Gdi.h"
#include "framework/Wnd.h"

#include <commctrl.h>

#include <string>
#include <vector>

class CComboTree;

// What to tell the user when check mode cannot get its images; it names the
// bitmap the program has to add. The box itself shows no message.
extern const char kComboTreeNoCheckImagesText[];

// Notification sent when SetCheck changed an item's check state.
constexpr WORD kCtnCheckChanged = 0x88F3;

// Check states (state image indices).
enum ComboTreeCheck { kCheckNone = 0, kUnchecked = 1, kChecked = 2, kPartlyChecked = 3 };
// SetCheck modes.
enum ComboTreeCheckMode { kSetChecked = 0, kSetUnchecked = 1, kToggleCheck = 2, kPropagateOnly = 3 };

// The tree that drops down.
class CComboTreeDropTree : public CWnd {
public:
    explicit CComboTreeDropTree(CComboTree& box) : m_box(box) {}

    // Creates the hidden tree for `boxWindow`. In check mode it needs the
    // state images; without them it fails (MissingImages() tells why).
    bool Create(HWND boxWindow, SIZE size, bool checkMode, HMODULE imageModule);

    char Separator() const { return m_separator; }
    void SetSeparator(char separator) { m_separator = separator; }

    HTREEITEM InsertItem(const std::string& text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    HTREEITEM AddPath(const std::string& path);
    HTREEITEM SelectPath(const std::string& path);
    HTREEITEM FindPath(const std::string& path) const;
    std::string GetItemPath(HTREEITEM item) const;
    std::string GetItemText(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const { return Next(item, TVGN_PARENT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return Next(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return Next(item, TVGN_NEXT); }
    HTREEITEM GetCaret() const { return Next(nullptr, TVGN_CARET); }
    bool SelectItem(HTREEITEM item);
    bool ItemExists(HTREEITEM item) const;

    int GetCheck(HTREEITEM item) const;
    void SetCheck(HTREEITEM item, int mode);
    bool CheckMode() const { return m_checkMode; }
    bool MissingImages() const { return m_missingImages; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    struct Match {
        HTREEITEM item = nullptr;
        size_t depth = 0;
    };
    HTREEITEM Next(HTREEITEM item, UINT how) const;
    std::vector<std::string> Split(const std::string& path) const;
    // The deepest run of existing items along `parts`, first match wins.
    Match FindDeepest(HTREEITEM parent, const std::vector<std::string>& parts, size_t index) const;
    void SetState(HTREEITEM item, int state);
    void SetDescendants(HTREEITEM item, int state);
    void UpdateAncestors(HTREEITEM item);
    bool OnTreeNotify(const NMHDR& header, LRESULT& result);
    void OnStateIconClick();

    CComboTree& m_box;
    char m_separator = '/';
    bool m_checkMode = false;
    bool m_missingImages = false;
    ImageList m_stateImages;
    CTreeItemTip m_itemTip;
};

// The read-only text field: the box's face, which draws its own text.
class CComboTreeEdit : public CWnd {
public:
    explicit CComboTreeEdit(CComboTree& box) : m_box(box) {}
    void SetBackground(COLORREF colour);
    COLORREF Background() const { return m_background; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void OnPaint();

    CComboTree& m_box;
    COLORREF m_background = ::GetSysColor(COLOR_WINDOW);
    Brush m_brush;          // m_background, made when the colour changes
    Brush m_disabledBrush;  // the face colour, made on first use
};

// The drop button: the system's combo-box arrow.
class CComboTreeButton : public CWnd {
public:
    explicit CComboTreeButton(CComboTree& box) : m_box(box) {}

protected:
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    CComboTree& m_box;
};

// While the tree is down: watches the box's parent.
class CComboTreeParentHook : public CSubclassWnd {
public:
    explicit CComboTreeParentHook(CComboTree& box) : m_box(box) {}
    // Whether the parent's message `msg` (already handled) closes the tree.
    static bool ClosesDropDown(UINT msg, WPARAM wp, LPARAM lp, HWND box);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    CComboTree& m_box;
};

class CComboTree : public CWnd {
public:
    static constexpr int kButtonId = 4317;
    static constexpr int kEditId = 4318;
    static constexpr int kTreeId = 4319;
    static constexpr int kDefaultDroppedSize = 200;

    // A child control: it ends with its window (its parent's destruction or
    // DestroyWindow) before the object goes, as every CWnd does.
    CComboTree();

    // A box of its own at `rect` (parent client coordinates).
    bool Create(const RECT& rect, HWND parent, int id);
    // Takes the place, id and dropped-down size of the dialog's control
    // `id` (a combo box) and destroys it. 1 on success.
    BOOL CreateFromPlaceholder(HWND dialog, int id);

    // True when check mode was asked for and the check images are missing:
    // the box shows, without its tree. Tell the user kComboTreeNoCheckImagesText.
    bool MissingCheckImages() const { return m_tree.MissingImages(); }
    // Only before the tree exists, unless nothing changes.
    BOOL SetCheckMode(bool checkMode);
    bool CheckMode() const { return m_checkMode; }
    // Where the check images come from; the resource library by default.
    void SetImageModule(HMODULE module) { m_imageModule = module; }
    void SetDroppedSize(int width, int height);
    SIZE DroppedSize() const { return SIZE{m_droppedWidth, m_droppedHeight}; }

    HTREEITEM AddPath(const std::string& path);
    HTREEITEM SelectPath(const std::string& path, bool unused = false);
    std::string GetItemPath(HTREEITEM item) const;
    HTREEITEM InsertItem(const std::string& text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    void SetCheck(HTREEITEM item, int mode);
    int GetCheck(HTREEITEM item) const;
    HTREEITEM GetSelectedItem() const;
    bool SelectItem(HTREEITEM item);
    int SetItemData(HTREEITEM item, LPARAM value);
    LPARAM GetItemData(HTREEITEM item) const;
    std::string GetItemText(HTREEITEM item) const;
    void DeleteAllItems();
    void ExpandAll();
    void SetText(const std::string& text);
    std::string GetText() const;
    void SetBkColor(COLORREF colour);

    void DropDown();
    void CloseUp(bool accept);
    bool IsDropped() const { return m_dropped; }

    CComboTreeDropTree& Tree() { return m_tree; }
    const CComboTreeDropTree& Tree() const { return m_tree; }
    HWND TreeWindow() const { return m_tree.GetSafeHwnd(); }
    HWND EditWindow() const { return m_edit.GetSafeHwnd(); }
    HWND ButtonWindow() const { return m_button.GetSafeHwnd(); }

    // Where the tree goes: below the box, above it when it would pass the
    // screen's bottom, right-aligned with it when it would pass the right.
    static POINT PlaceDropDown(const RECT& box, SIZE dropped, const RECT& screen);

    // --- used by the box's parts ---
    void Notify(WORD code);
    // Key messages of the text field and the tree before their own
    // handling; true when the box took the key.
    bool PreTranslateKey(HWND from, UINT msg, WPARAM wp, LPARAM lp);
    void OnButtonClicked();
    void OnEditClicked();
    void OnTreeDoubleClick();
    void OnTreeDeactivated(HWND activated);
    void OnParentClosesDropDown();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    int OnCreate();
    void OnSize();
    void Layout();
    void RepaintParts();
    void MoveFocusOn(bool previous);

    CComboTreeDropTree m_tree;
    CComboTreeEdit m_edit;
    CComboTreeButton m_button;
    std::string m_savedPath;
    HTREEITEM m_savedItem = nullptr;  // the caret at drop-down time, for cancelling
    int m_droppedWidth = kDefaultDroppedSize;
    int m_droppedHeight = kDefaultDroppedSize;
    bool m_dropped = false;
    bool m_checkMode = false;
    CComboTreeParentHook m_parentHook;
    HMODULE m_imageModule = nullptr;
};
