// CContactDlg: enters or edits one contact.
//
// In edit mode it shows the whole record as a form; in add mode only the
// group and the number (everything else of the record passes through). On
// OK it checks the number (ten digits, not another contact's), refuses the
// root as the group, and only then writes the record; storing it is the
// caller's business.
#pragma once

#include "controls/combo_tree.h"
#include "controls/flat_edit.h"
#include "controls/skin_button.h"
#include "controls/skin_dialog.h"
#include "manager/dialog_rules.h"
#include "pelmo.h"

#include <cstddef>
#include <string>

namespace contactdlg {

// The record's text fields and the controls that show them: the control,
// the field's place and width in FriendInfo, and how many characters the
// dialog copies back at most (the field's width always bounds that too).
struct FieldBinding {
    int control;
    size_t offset;
    size_t width;
    size_t limit;
};
constexpr int kFieldCount = 13;
extern const FieldBinding kFields[kFieldCount];

// Add mode: the outer size and where the few kept controls go.
constexpr SIZE kAddModeSize{240, 180};
constexpr POINT kAddGroupLabel{20, 30};
constexpr POINT kAddChooser{65, 28};
constexpr RECT kAddNumberLabel{20, 60, 20 + 160, 60 + 15};
constexpr POINT kAddNumber{65, 75};
// The buttons stand in the band, 32 pixels above the client area's bottom
// (110 under a standard 26-pixel caption), as wide as their images; OK
// keeps a gap to Cancel instead of touching it. The two fields get one
// width that fits the narrow dialog.
constexpr int kAddOkLeft = 17;
constexpr int kAddCancelLeft = 123;
constexpr SIZE kAddButtonSize{96, 26};
constexpr int kAddFieldWidth = 150;
// Edit mode: the buttons centred in the band.
constexpr SIZE kButtonSize{96, 26};
constexpr int kButtonGap = 20;
constexpr int kButtonTopFromBottom = 32;
constexpr POINT kPictureAt{2, 2};
// Controls hidden in add mode.
extern const int kAddModeHidden[];
extern const size_t kAddModeHiddenCount;

extern const char kRootChosenText[];

}  // namespace contactdlg

class CContactDlg : public CSkinDialog {
public:
    CContactDlg(FriendInfo* record, int mode, HWND parent);

    // Takes template 7006 from the resource library and runs the dialog:
    // IDOK when the record was written.
    INT_PTR Run();

    CComboTree& Chooser() { return m_chooser; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    BOOL OnEraseBackground(HDC dc) override;

private:
    void LayOutAddMode();
    void PlaceButtons();
    void LoadRecord();
    void FillChooser();
    void WriteRecord(const int* groupValue);

    Bitmap m_picture;
    CComboTree m_chooser;
    std::string m_texts[contactdlg::kFieldCount];
    int m_genderIndex = -1;  // -1 none, 0 male, 1 female
    CFlatEdit m_edits[contactdlg::kFieldCount];
    CSkinButton m_ok;
    CSkinButton m_cancel;
    FriendInfo* m_record;
    FriendCache* m_cache = nullptr;
    int m_mode;
    HWND m_parent;
};
