// CLeftView: the manager's group tree, and CTipTreeCtrl, its tree control.
//
// The tree shows GroupTree() of manager_rules.h; an item's value is a
// group's index in the cache, which add and delete keep up to date. The
// view takes the cache from GetFriendCache for every command and checks an
// item against its group before acting on it.
#pragma once

#include "framework/Wnd.h"
#include "manager/manager_pane.h"
#include "manager/manager_rules.h"

#include <commctrl.h>

#include <string>
#include <unordered_map>

// The tree control with a tip that shows an item's whole text while the
// pointer rests on it (the control's info tips, answered by the control
// itself through reflection).
class CTipTreeCtrl : public CWnd {
public:
    static constexpr UINT kId = 7035;
    bool Create(HWND parent);

    int Value(HTREEITEM item) const;
    std::string Text(HTREEITEM item) const;
    HTREEITEM Insert(HTREEITEM parent, const std::string& text, int image, int value);
    // Depth first from the first top-level item; null when none has `value`.
    HTREEITEM Find(int value) const;
    // Every item by value, in one walk.
    std::unordered_map<int, HTREEITEM> ItemsByValue() const;
    HTREEITEM Selected() const;

protected:
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

class CLeftView : public manager::CManagerPane {
public:
    CLeftView() : CManagerPane(true) {}
    static constexpr UINT kId = 0xE900;  // row 0, column 0 of the splitter
    bool Create(HWND splitter);
    CTipTreeCtrl& Tree() { return m_tree; }

    // Contact-list transfer (import, export) is started here; the requests
    // are counted too.
    int ImportRequests() const { return m_importRequests; }
    int ExportRequests() const { return m_exportRequests; }

    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnUpdateCommand(CommandState& state) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(NMHDR& header) override;

private:
    int OnCreate() override;
    void OnSize(int cx, int cy) override;
    HWND FocusTarget() const override { return m_tree.GetSafeHwnd(); }
    void OnRefresh(WPARAM what);
    void OnSelectionChanged(HTREEITEM item);
    void OnRightClick();

    void Rebuild();
    void AddGroup();
    void EditGroup();
    void DeleteGroup();
    void Export();
    void Import();
    void TellRightPane(int value);
    // The item a group command acts on: the one right-clicked for the
    // command of its menu, else the selection.
    HTREEITEM Target() const;
    // False (after listing again and telling the user) when the item no
    // longer names its cached group.
    bool CheckItem(const FriendCache* cache, HTREEITEM item);
    // The group item an edit or delete acts on, or null once the user has
    // been told why there is none (a zero text refuses silently).
    HTREEITEM GroupCommandTarget(manager::GroupCommand (*verdict)(const FriendCache*, const int*), UINT selectText,
                                 UINT fixedText, UINT nothingText);

    CTipTreeCtrl m_tree;
    HTREEITEM m_menuTarget = nullptr;  // set only while a pop-up's command runs
    bool m_quiet = false;              // no selection news while items are deleted
    int m_importRequests = 0;
    int m_exportRequests = 0;
};
