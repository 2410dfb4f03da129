// CComboTreeDropTree: the tree that drops down below a combo tree box.
//
// A hidden top-level tree view of its own, owned by the box's dialog. It
// keeps the items and everything about them: paths joined with a separator,
// item values, and in check mode a three-state check box per item whose
// state spreads to descendants and ancestors. Callers reach it through
// CComboTree::Tree(); the box only drops it down and closes it up.
#pragma once

#include "controls/popup_text.h"
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

class CComboTreeDropTree : public CWnd {
public:
    explicit CComboTreeDropTree(CComboTree& box) : m_box(box) {}

    // Creates the hidden tree for `boxWindow`. In check mode it needs the
    // state images; without them it fails (MissingImages() tells why).
    bool Create(HWND boxWindow, SIZE size, bool checkMode, HMODULE imageModule);

    char Separator() const { return m_separator; }
    void SetSeparator(char separator) { m_separator = separator; }

    HTREEITEM InsertItem(const std::string& text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    // Returns the last item inserted; null when the path is empty or exists whole.
    HTREEITEM AddPath(const std::string& path);
    // Selects the item only when the whole path leads to it.
    HTREEITEM SelectPath(const std::string& path);
    HTREEITEM FindPath(const std::string& path) const;
    std::string GetItemPath(HTREEITEM item) const;
    std::string GetItemText(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const { return Next(item, TVGN_PARENT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return Next(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return Next(item, TVGN_NEXT); }
    // The selected item.
    HTREEITEM GetCaret() const { return Next(nullptr, TVGN_CARET); }
    bool SelectItem(HTREEITEM item);
    bool ItemExists(HTREEITEM item) const;
    // The item's value: 0 on success, -1 on failure (the box's old contract).
    int SetItemData(HTREEITEM item, LPARAM value);
    LPARAM GetItemData(HTREEITEM item) const;
    void DeleteAllItems();
    void ExpandAll();

    int GetCheck(HTREEITEM item) const;
    void SetCheck(HTREEITEM item, int mode);
    bool CheckMode() const { return m_checkMode; }
    bool MissingImages() const { return m_missingImages; }

    // The caret when the tree drops down, and back to it on cancelling.
    void RememberCaret();
    void RestoreCaret();

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
    std::string m_savedPath;
    HTREEITEM m_savedItem = nullptr;
};
