// CRightView: the manager's contact list, the contacts of one group.
//
// Rows are ListRows() of manager_rules.h; a row's item value is the
// contact's index in the cache, checked against the row's number and name
// before any command acts on it. Presence news from the host is coalesced:
// a burst of notices costs one refresh.
#pragma once

#include "framework/Gdi.h"
#include "framework/Wnd.h"
#include "manager/manager_pane.h"
#include "manager/manager_rules.h"

#include <commctrl.h>

class CRightView : public manager::CManagerPane {
public:
    CRightView() : CManagerPane(false) {}
    static constexpr UINT kId = 0xE901;  // row 0, column 1 of the splitter
    static constexpr UINT kListId = 7034;
    bool Create(HWND splitter);

    HWND List() const { return m_list; }
    int CurrentGroup() const { return m_currentGroup; }

    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnUpdateCommand(CommandState& state) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(NMHDR& header) override;

private:
    int OnCreate() override;
    void OnSize(int cx, int cy) override;
    HWND FocusTarget() const override { return m_list; }
    void OnDestroy();
    void OnRefresh(WPARAM wp, LPARAM lp);
    void OnPresence(WPARAM code);
    void OnPresenceDue();
    void OnRightClick();

    void ShowGroup(int value);
    void ListGroup(int group);
    void RefreshIcons();
    void AddContact();
    void EditContact();
    void DeleteContact();
    void HandOver(UINT command);

    // The selected row's contact index, checked against the cache; -1 after
    // telling the user (no selection, or a stale row: the list is redone).
    int SelectedContact(const FriendCache* cache);
    void Notify(WPARAM code, LPARAM lp, bool post) const;
    std::string CellText(int row, int column) const;
    void OnGetImage(NMLVDISPINFOA& info) const;

    HWND m_list = nullptr;
    ImageList m_images;
    int m_currentGroup = manager::kRootValue;
    HWND m_notifyWindow = nullptr;
    WORD m_notifyMessage = 0;
    bool m_iconsDue = false;
    bool m_relistDue = false;
    // The cache as it was listed: while it is the same, the rows still name
    // their contacts and a presence refresh is one repaint.
    struct ListedCache {
        const FriendCache* cache = nullptr;
        const FriendInfo* data = nullptr;
        intptr_t count = -1;
        uint64_t changes = 0;
        bool operator==(const ListedCache& other) const
        {
            return cache == other.cache && data == other.data && count == other.count && changes == other.changes;
        }
    };
    static ListedCache Snapshot(const FriendCache* cache);
    ListedCache m_listed;
};
