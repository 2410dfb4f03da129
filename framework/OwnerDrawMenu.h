// Owner-drawn menu items and the seam that hands them their messages.
//
// An owner-drawn item carries a COwnerDrawMenuItem* as its item data. Menus
// that are not ours (a host's menu merged into ours, a system menu) carry
// item data of their own, so a pointer is believed only when it is in the
// module-wide set of live items: foreign item data is never dereferenced.
//
// Every CWnd hands WM_MEASUREITEM/WM_DRAWITEM of type ODT_MENU to
// DispatchOwnerDrawMenu. A popup shown from a control whose parent is not
// ours goes through TrackOwnerDrawPopup, whose hidden owner window of our
// own receives the menu's messages (measure, draw, select) instead of the
// foreign parent. UI thread only.
#pragma once

#include <windows.h>

#include <functional>

class COwnerDrawMenuItem {
public:
    COwnerDrawMenuItem();
    virtual ~COwnerDrawMenuItem();
    COwnerDrawMenuItem(const COwnerDrawMenuItem&) = delete;
    COwnerDrawMenuItem& operator=(const COwnerDrawMenuItem&) = delete;

    // What to store as the menu item's data (MF_OWNERDRAW).
    ULONG_PTR ItemData() const { return reinterpret_cast<ULONG_PTR>(this); }
    // The live item behind `data`, or null for anything else.
    static COwnerDrawMenuItem* FromItemData(ULONG_PTR data);

    virtual void Measure(MEASUREITEMSTRUCT& measure) = 0;
    virtual void Draw(const DRAWITEMSTRUCT& draw) = 0;
};

// Handles WM_MEASUREITEM/WM_DRAWITEM for a menu item of ours; false for
// everything else (controls, foreign menu items).
bool DispatchOwnerDrawMenu(UINT msg, LPARAM lp);

struct PopupCallbacks {
    // WM_MENUSELECT: the item under the pointer (its id, or its index for a
    // submenu; MF_* flags), or 0xFFFF flags when the menu closes.
    std::function<void(UINT item, UINT flags, HMENU menu)> onSelect;
    // WM_INITMENUPOPUP: last chance to enable or check items.
    std::function<void(HMENU popup)> onInitPopup;
};

// Shows `menu` at `screen` (TPM_* alignment flags) with a hidden owner
// window of ours and returns the chosen command id, 0 when none.
UINT TrackOwnerDrawPopup(HMENU menu, POINT screen, UINT flags = 0, const PopupCallbacks& callbacks = {});
