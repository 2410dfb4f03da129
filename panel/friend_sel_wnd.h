// CFriendSelWnd: the contact panel the host docks at the right edge of its
// window. It applies what panel_rules.h decides to a CCherryTree, keeps the
// pictures up with the host's presence messages and turns clicks into
// messages to its parent. The object deletes itself once its window is
// gone (PostNcDestroy); the host only keeps the pointer.
#pragma once

#include "controls/cherry_tree.h"
#include "controls/link_label.h"
#include "framework/Gdi.h"
#include "framework/Wnd.h"
#include "panel/panel_commands.h"
#include "panel/panel_rules.h"

#include <shellapi.h>

#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

constexpr UINT kPanelId = 3200;
constexpr UINT kPanelTreeId = 7035;
constexpr UINT kIdentityLabelId = 60001;
constexpr UINT kSiteLinkId = 60004;
constexpr int kPanelWidth = 157;
constexpr int kToolBarHeight = 60;
constexpr UINT_PTR kRefreshTimerId = 1035;
constexpr UINT_PTR kRequestTimerId = 1034;
constexpr UINT kRefreshMs = 100;
constexpr UINT kRequestWaitMs = 30000;
constexpr UINT kCmdOpenManager = 1041;
constexpr UINT kCmdRequestList = 60000;
constexpr UINT kCmdToggleList = 60003;
// The panel's own: a rebuild after the tree has finished what it is doing.
constexpr UINT kWmRebuildLater = WM_APP + 0x3D1;

class CFriendSelWnd : public CWnd {
public:
    CFriendSelWnd();
    ~CFriendSelWnd() override;

    // The panel at `address` while it lives, else null: the host may hand
    // back a pointer whose panel went with its parent window.
    static CFriendSelWnd* Live(void* address);

    // Creates the panel over the rightmost 157 pixels of `parent`'s client
    // area; null when it cannot.
    static CFriendSelWnd* Open(HWND parent, UINT pickMessage, const std::string& pickMode, UINT barAbove);

    CCherryTree& Tree() { return m_tree; }
    const std::string& PickedValue() const { return m_pickedText; }
    size_t RebuildCount() const { return m_rebuildCount; }

    bool OnCommand(UINT id, UINT code, HWND control) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(NMHDR& header) override;
    void PostNcDestroy() override { delete this; }

private:
    int OnCreate();
    void OnSize();
    void OnClose();
    void OnDestroy();
    BOOL OnEraseBackground(HDC dc);
    void OnPaint();
    void OnPresence(WPARAM code, LPARAM number);
    void OnDelivery(size_t length, const void* block);
    void OnTimer(UINT_PTR id);
    void OnRefreshTick();
    void OnRequestWaitOver();
    void StartRequest();
    void ToggleList();
    void StartRefresh();
    void StopRefresh();
    void SendParent(UINT msg, WPARAM wp) const;

    void Notify(WPARAM code) const;
    void RepairBook();
    void Rebuild();
    void ShowList();
    HTREEITEM AddItem(const panel::PanelItem& item, HTREEITEM parent);
    void ApplyPresence(HTREEITEM item, int rank);
    void SortChildren(HTREEITEM parent);
    void RememberExpansion();
    void OnPick();
    void OnDoubleClick();
    // The value of the selected item for a pick or a double click; false
    // when the item picks nothing. A contact item whose record moved
    // away makes the panel rebuild instead.
    bool SelectedValue(std::string* value, bool* fromList, bool* online);
    void Post(UINT msg, const std::string& value, LPARAM lp = 0);

    // What a command acts on, kept by what the item stands for (a contact's
    // number, a group's ID), never by handle: a modal menu, box or dialog
    // runs the refresh timer, and a rebuild deletes every item.
    struct ItemRef {
        panel::ItemKind kind;
        int value;
        std::string number;  // a contact's
        int groupId = 0;     // a group's
    };
    std::optional<ItemRef> RefOf(HTREEITEM item);
    // The cache index of a contact ref now, -1 when it is gone.
    intptr_t ContactIndex(const FriendCache* cache, const ItemRef& ref) const;
    HTREEITEM ContactItem(const ItemRef& ref);

    // Keeps what a command acts on: `selected` for all but adding a
    // contact, which files it by `kept`.
    void TakeTarget(HTREEITEM selected, HTREEITEM kept);
    // Whether the group items stand for the cache's groups as they are.
    bool GroupsCurrent(const FriendCache* cache) const;
    // `fromLabel`: the tree's right press on a label, which it also took as
    // a click that toggles expansion.
    void OnContextMenu(bool fromLabel);
    void OnTreePress(WPARAM code, LPARAM point);
    void RunCommand(UINT id);
    void PostAction(LPARAM what);
    void AddContact(int groupId);
    void AddGroup();
    void ModifyGroup();
    void DeleteGroup();
    void StartRename();
    bool OnEndLabelEdit(const NMTVDISPINFOA& info);
    void DeleteContact();
    void ViewHistory();
    void OnCherryDrop(HTREEITEM dragged, HTREEITEM target);
    void OnDropFiles(HDROP drop);
    void BookChanged();

    static int CALLBACK CompareByRank(LPARAM a, LPARAM b, LPARAM tree);

    CCherryTree m_tree;
    CLinkLabel m_identityLabel;
    CLinkLabel m_siteLink;
    Bitmap m_pictures[3];  // offline, online, special
    Bitmap m_expandOpen;
    Bitmap m_expandClosed;
    Bitmap m_addContact;
    HBITMAP m_expanderHandles[2] = {};
    Bitmap m_background;
    Font m_font;
    ImageList m_smallImages;

    std::string m_pickMode;
    UINT m_pickMessage = 0;
    UINT m_barAbove = 0;
    std::string m_identity;
    HWND m_notifyWindow = nullptr;
    UINT m_notifyMessage = 0;
    bool m_pickedFromList = false;
    bool m_rebuilding = false;
    size_t m_rebuildCount = 0;

    // Where this panel stands in the refresh cycle the panels share.
    UINT_PTR m_refreshTimer = 0;
    bool m_waitTimerOwned = false;  // this panel started the request wait
    bool m_requestArmed = false;    // it showed another panel's answer
    bool m_pendingArmed = false;    // its request is not answered yet
    bool m_ownsLock = false;
    int m_refreshPhase = 0;
    // Posted values live in a ring of fixed buffers: a queued message's
    // pointer stays valid while the user goes on clicking, until the host
    // reads it.
    static constexpr size_t kPickedSlots = 16;
    static constexpr size_t kPickedChars = 64;
    char m_picked[kPickedSlots][kPickedChars] = {};
    size_t m_nextPicked = 0;
    std::string m_pickedText;

    POINT m_cursorPos{};
    // The selected item a command acts on: the one the menu was opened on,
    // else the caret when the host sends the command.
    std::optional<ItemRef> m_commandItem;
    bool m_fromMenu = false;
    int m_menuGroup = PELMO_GROUP_NONE;  // where the menu's add-contact files the contact
    char m_newNumber[16] = {};

    bool m_serviceExpanded = true;
    bool m_extraExpanded = false;
    std::unordered_map<int, bool> m_groupExpanded;  // by group ID
    // Where each shown contact is, by number, and what its item stands for.
    std::unordered_map<std::string, HTREEITEM> m_itemByNumber;
    std::unordered_map<HTREEITEM, std::string> m_numberOfItem;
    std::unordered_map<HTREEITEM, UINT> m_imageOfItem;
    std::vector<HTREEITEM> m_listItems;  // the online-list entries shown
    std::vector<int> m_groupIdOfValue;   // group index -> ID at the last rebuild
};
