// CGroupDlg: enters or edits one group (its name and parent group).
//
// The dialog works on a record its caller owns and checks the input on OK:
// a name, a parent that is neither the group itself nor one of its own
// subgroups, and no other group of that name under the chosen parent. Only
// then does it write the record; storing it is the caller's business.
//
// The parent chooser lists the address book's root and every group under
// it, as the group tree shows them, so a group can be moved as well as
// renamed.
#pragma once

#include "controls/combo_tree.h"
#include "controls/flat_edit.h"
#include "controls/skin_button.h"
#include "controls/skin_dialog.h"
#include "manager/dialog_rules.h"
#include "pelmo.h"

#include <string>

namespace groupdlg {

constexpr SIZE kClientSize{227, 141};
constexpr RECT kChooserRect{59, 26, 59 + 155, 26 + 18};
constexpr RECT kNameRect{59, 61, 59 + 155, 61 + 18};
// The buttons are as tall as their images (26), which fills the band as in
// the message box: 8 pixels above, 6 below.
constexpr RECT kOkRect{8, 109, 8 + 96, 109 + 26};
constexpr RECT kCancelRect{125, 109, 125 + 96, 109 + 26};
// The labels stand level with their fields.
constexpr RECT kParentLabelRect{8, 26, 8 + 50, 26 + 18};
constexpr RECT kNameLabelRect{8, 61, 8 + 50, 61 + 18};
// Texts of the box shown when the chosen parent is the group itself (and,
// with the second text, one of its subgroups); the standard message 509
// follows either.
extern const char kOwnParentText[];
extern const char kUnderItselfText[];
extern const char kGroupCaption[];

}  // namespace groupdlg

class CGroupDlg : public CSkinDialog {
public:
    // With both a cache and a record the dialog edits that record; with
    // either missing it has nothing to edit and OK does nothing.
    CGroupDlg(FriendCache* cache, FriendGroup* record, int mode, HWND parent);

    // Takes template 7005 from the resource library and runs the dialog:
    // IDOK when the record was written.
    INT_PTR Run();

    CComboTree& Chooser() { return m_chooser; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;

private:
    void Layout();
    void FillChooser();
    void Refuse(dialogs::GroupVerdict verdict);

    std::string m_name;
    CComboTree m_chooser;
    int m_mode;
    FriendGroup* m_record;
    FriendCache* m_cache;
    CFlatEdit m_nameEdit;
    CSkinButton m_ok;
    CSkinButton m_cancel;
    HWND m_parent;
};
