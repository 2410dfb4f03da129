// CComboTree: a drop-down box whose list is a tree.
//
// The box is a child window with a read-only text field and a drop button
// (combo_tree_face.h); the tree drops down below it in a top-level window of
// its own (combo_tree_dropdown.h). Items live in the tree, and callers work
// on them through Tree(); the box itself knows only dropping down, closing
// up, its text and its look.
//
// The parent hears of what happens through WM_COMMAND with the box's id and
// CBN_* codes. While the tree is down, a hook on the parent
// (combo_tree_parent_hook.h) closes it, as cancelled, when the parent moves,
// is clicked or gets a command.
//
// The tree window is owned by the box's dialog, so it stays above it and
// goes with it; the tree, text field and drop button report to the box,
// which reflects their notifications back to their own objects.
#pragma once

#include "controls/combo_tree_dropdown.h"
#include "controls/combo_tree_face.h"
#include "controls/combo_tree_parent_hook.h"
#include "framework/Wnd.h"

#include <string>

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

    // Only before the tree exists, unless nothing changes. Without its check
    // images the box shows with no tree (Tree().MissingImages()): tell the
    // user kComboTreeNoCheckImagesText.
    BOOL SetCheckMode(bool checkMode);
    bool CheckMode() const { return m_checkMode; }
    // Where the check images come from; the resource library by default.
    void SetImageModule(HMODULE module) { m_imageModule = module; }
    void SetDroppedSize(int width, int height);
    SIZE DroppedSize() const { return SIZE{m_droppedWidth, m_droppedHeight}; }

    void SetText(const std::string& text);
    std::string GetText() const;
    void SetBkColor(COLORREF colour);

    void DropDown();
    void CloseUp(bool accept);
    bool IsDropped() const { return m_dropped; }

    // The drop-down tree: items, paths, values and check states.
    CComboTreeDropTree& Tree() { return m_tree; }
    const CComboTreeDropTree& Tree() const { return m_tree; }
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
    int m_droppedWidth = kDefaultDroppedSize;
    int m_droppedHeight = kDefaultDroppedSize;
    bool m_dropped = false;
    bool m_checkMode = false;
    CComboTreeParentHook m_parentHook;
    HMODULE m_imageModule = nullptr;
};
