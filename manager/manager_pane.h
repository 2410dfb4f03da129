// What the manager's panes share: finding the other pane, the user's
// number, the database, the colours and telling the host of a change.
#pragma once

#include "core/friend_db.h"
#include "framework/Frame.h"
#include "pelmo.h"

#include <string>

namespace manager {

constexpr COLORREF kPaneColour = RGB(41, 74, 156);
constexpr COLORREF kPaneBandColour = RGB(225, 227, 243);
constexpr int kPaneMargin = 5;
constexpr int kPaneCorner = 15;

constexpr UINT WM_MANAGER_REFRESH = PELMO_WM_MANAGER_REFRESH;
constexpr UINT WM_PRESENCE = PELMO_WM_PRESENCE;

// Command ids, shared by menu 7012, the pop-ups of menu 7001 and the toolbar.
enum Command : UINT {
    kCmdMessage = 50000,
    kCmdMail = 50002,
    kCmdFax = 50003,
    kCmdAddGroup = 50004,
    kCmdEditGroup = 50005,
    kCmdDeleteGroup = 50006,
    kCmdAddContact = 50007,
    kCmdEditContact = 50008,
    kCmdDeleteContact = 50009,
    kCmdImport = 50010,
    kCmdExport = 50011,
    kCmdCall = 50015,
};
bool IsManagerCommand(UINT id);

// The pane in column `column` of the splitter that holds `pane`, or null.
HWND SiblingPane(HWND pane, int column);

// The user's own number as the configuration record holds it (at most 14
// characters), empty when the record cannot be read.
std::string Identity();
// Opens the user's friend.mdb; false when that cannot be done.
bool OpenBook(CFriendDB& db);
// Posts notice 6 to the host, or says that the host is not ready.
void TellBookChanged();
// The skinned information box with caption 507.
void Inform(unsigned textId, HWND parent);

// Fills a pane: the dark ground, then the light band with round corners on
// the side away from the splitter (`bandLeft` -10 rounds the right corners
// only, 0 with the band reaching 10 past the right edge the left ones).
void PaintPane(HWND pane, bool roundLeft);

// The class every pane window is made of.
bool RegisterPaneClass();
extern const char kPaneClass[];

// A pane of the manager's splitter: a window of the pane class on the
// painted ground, handing the focus to its one control.
class CManagerPane : public CWnd {
public:
    // Makes the pane as child `id` of the splitter.
    bool CreatePane(HWND splitter, UINT id);

protected:
    explicit CManagerPane(bool roundLeft) : m_roundLeft(roundLeft) {}
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    virtual int OnCreate() = 0;
    virtual void OnSize(int cx, int cy) = 0;
    virtual HWND FocusTarget() const = 0;

private:
    bool m_roundLeft;
};

// Sub-menu `position` of menu 7001 as a pop-up at `screen`, owned by
// `owner`: the command chosen, 0 for none.
UINT TrackPanePopup(HWND owner, int position, POINT screen);

}  // namespace manager
