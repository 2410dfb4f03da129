#include "manager/contact_dlg.h"

#include "manager/dialog_look.h"
#include "skin_lib.h"
#include "resources/resource_ids.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace contactdlg {

#define PELMO_FIELD(control, field, limit)                                     \
    FieldBinding                                                               \
    {                                                                          \
        control, offsetof(FriendInfo, field), sizeof(FriendInfo::field), limit \
    }

// The first entry is the number: the checks read it from m_texts[0].
const FieldBinding kFields[kFieldCount] = {
    PELMO_FIELD(IDC_CONTACT_NUMBER, mirrun, 30),
    PELMO_FIELD(IDC_CONTACT_NAME, name, 32),
    PELMO_FIELD(IDC_CONTACT_NICKNAME, nickname, 50),
    PELMO_FIELD(IDC_CONTACT_CITY, city, 20),
    PELMO_FIELD(IDC_CONTACT_COMPANY, company, 50),
    PELMO_FIELD(IDC_CONTACT_DEPARTMENT, department, 50),
    PELMO_FIELD(IDC_CONTACT_TITLE, title, 50),
    PELMO_FIELD(IDC_CONTACT_INTEREST, interest, 255),
    PELMO_FIELD(IDC_CONTACT_EMAIL, e_mail, 50),
    PELMO_FIELD(IDC_CONTACT_FAX, fax_phone, 15),
    PELMO_FIELD(IDC_CONTACT_OFFICE_PHONE, company_phone, 30),
    PELMO_FIELD(IDC_CONTACT_MOBILE, cell_phone, 30),
    PELMO_FIELD(IDC_CONTACT_ADDRESS, address, 254),
};
#undef PELMO_FIELD

const int kAddModeHidden[] = {
    IDC_CONTACT_FRAME_PERSON,   IDC_CONTACT_FRAME_CONTACT, IDC_CONTACT_NAME_LABEL,     IDC_CONTACT_GENDER_LABEL,
    IDC_CONTACT_NICKNAME_LABEL, IDC_CONTACT_CITY_LABEL,    IDC_CONTACT_COMPANY_LABEL,  IDC_CONTACT_DEPT_LABEL,
    IDC_CONTACT_TITLE_LABEL,    IDC_CONTACT_EMAIL_LABEL,   IDC_CONTACT_FAX_LABEL,      IDC_CONTACT_OFFICE_LABEL,
    IDC_CONTACT_MOBILE_LABEL,   IDC_CONTACT_ADDRESS_LABEL, IDC_CONTACT_INTEREST_LABEL, IDC_CONTACT_NAME,
    IDC_CONTACT_NICKNAME,       IDC_CONTACT_CITY,          IDC_CONTACT_COMPANY,        IDC_CONTACT_DEPARTMENT,
    IDC_CONTACT_TITLE,          IDC_CONTACT_INTEREST,      IDC_CONTACT_EMAIL,          IDC_CONTACT_FAX,
    IDC_CONTACT_OFFICE_PHONE,   IDC_CONTACT_MOBILE,        IDC_CONTACT_MALE,           IDC_CONTACT_FEMALE,
    IDC_CONTACT_ADDRESS,
};
const size_t kAddModeHiddenCount = sizeof kAddModeHidden / sizeof kAddModeHidden[0];

const char kRootChosenText[] = "不能选择根目录组，请选择合适的组";

}  // namespace contactdlg

namespace {

constexpr unsigned kInfoStyle = 1;
constexpr int kNumberField = 0;

void MoveTo(HWND dialog, int id, POINT at)
{
    if (HWND control = ::GetDlgItem(dialog, id))
        ::SetWindowPos(control, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT ControlRect(HWND dialog, int id)
{
    RECT r{};
    HWND control = ::GetDlgItem(dialog, id);
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

char* FieldOf(FriendInfo& record, const contactdlg::FieldBinding& binding)
{
    return reinterpret_cast<char*>(&record) + binding.offset;
}

}  // namespace

CContactDlg::CContactDlg(FriendInfo* record, int mode, HWND parent) : m_record(record), m_mode(mode), m_parent(parent)
{
}

INT_PTR CContactDlg::Run()
{
    initModelDialog(this, IDD_CONTACT_DLG, m_parent);
    return DoModal();
}

void CContactDlg::DoDataExchange(CDataExchange& dx)
{
    for (int i = 0; i < contactdlg::kFieldCount; ++i) {
        dx.Control(contactdlg::kFields[i].control, m_edits[i]);
        dx.Text(contactdlg::kFields[i].control, m_texts[i]);
    }
    dx.Control(IDOK, m_ok);
    dx.Control(IDCANCEL, m_cancel);
    // The two radio buttons form one choice: its index, or -1 for none.
    if (dx.Saving()) {
        m_genderIndex = ::IsDlgButtonChecked(m_hWnd, IDC_CONTACT_MALE) == BST_CHECKED     ? 0
                        : ::IsDlgButtonChecked(m_hWnd, IDC_CONTACT_FEMALE) == BST_CHECKED ? 1
                                                                                          : -1;
    } else {
        ::CheckDlgButton(m_hWnd, IDC_CONTACT_MALE, m_genderIndex == 0 ? BST_CHECKED : BST_UNCHECKED);
        ::CheckDlgButton(m_hWnd, IDC_CONTACT_FEMALE, m_genderIndex == 1 ? BST_CHECKED : BST_UNCHECKED);
    }
}

BOOL CContactDlg::OnInitDialog()
{
    m_chooser.CreateFromPlaceholder(m_hWnd, IDC_CONTACT_GROUP);
    if (m_mode == dialogs::kEditMode)
        m_picture.Reset(getGlobalBitmap(IDB_CONTACT_PICTURE));
    else
        LayOutAddMode();
    PlaceButtons();
    // The tree drops down as wide as the box.
    const RECT chooser = ControlRect(m_hWnd, IDC_CONTACT_GROUP);
    m_chooser.SetDroppedSize(chooser.right - chooser.left, m_chooser.DroppedSize().cy);

    LoadRecord();
    CSkinDialog::OnInitDialog();  // fields into the controls, buttons attached
    for (int i = 0; i < contactdlg::kFieldCount; ++i)
        m_edits[i].SendMessage(EM_LIMITTEXT, std::min(contactdlg::kFields[i].limit, contactdlg::kFields[i].width - 1));
    SkinButton(m_ok);
    SkinButton(m_cancel);

    m_cache = GetFriendCache();
    {
        CSetDlgSkin skin;
        skin.SetButtonSkin(m_ok, 0);
        skin.SetButtonSkin(m_cancel, 0);
    }
    SetWindowText(
        dialoglook::ResourceText(m_mode == dialogs::kEditMode ? IDS_CONTACTDLG_TITLE_EDIT : IDS_CONTACTDLG_TITLE_ADD));
    FillChooser();
    CentreOverOwner();

    HWND first = m_mode == dialogs::kEditMode ? GetDlgItem(IDC_CONTACT_NAME) : GetDlgItem(IDC_CONTACT_NUMBER);
    if (m_mode != dialogs::kEditMode || m_texts[kNumberField].empty())
        first = GetDlgItem(IDC_CONTACT_NUMBER);
    ::SetFocus(first);
    ::SendMessageA(first, EM_SETSEL, 0, -1);
    return FALSE;  // the focus is set
}

void CContactDlg::LayOutAddMode()
{
    for (size_t i = 0; i < contactdlg::kAddModeHiddenCount; ++i)
        if (HWND control = GetDlgItem(contactdlg::kAddModeHidden[i]))
            ::ShowWindow(control, SW_HIDE);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, contactdlg::kAddModeSize.cx, contactdlg::kAddModeSize.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveTo(m_hWnd, IDC_CONTACT_GROUP_LABEL, contactdlg::kAddGroupLabel);
    MoveTo(m_hWnd, IDC_CONTACT_GROUP, contactdlg::kAddChooser);
    dialoglook::MoveControl(m_hWnd, IDC_CONTACT_NUMBER_LABEL, contactdlg::kAddNumberLabel);
    ::SetDlgItemTextA(m_hWnd, IDC_CONTACT_NUMBER_LABEL, dialoglook::ResourceText(IDS_CONTACTDLG_NUMBER_PROMPT).c_str());
    MoveTo(m_hWnd, IDC_CONTACT_NUMBER, contactdlg::kAddNumber);
    for (int id : {IDC_CONTACT_GROUP, IDC_CONTACT_NUMBER}) {
        const RECT r = ControlRect(m_hWnd, id);
        ::SetWindowPos(GetDlgItem(id), nullptr, 0, 0, contactdlg::kAddFieldWidth, r.bottom - r.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CContactDlg::PlaceButtons()
{
    const RECT client = GetClientRect();
    const int top = client.bottom - contactdlg::kButtonTopFromBottom;
    if (m_mode == dialogs::kEditMode) {
        const SIZE size = contactdlg::kButtonSize;
        const int middle = client.right / 2;
        const int half = contactdlg::kButtonGap / 2;
        dialoglook::MoveControl(m_hWnd, IDOK, RECT{middle - half - size.cx, top, middle - half, top + size.cy});
        dialoglook::MoveControl(m_hWnd, IDCANCEL, RECT{middle + half, top, middle + half + size.cx, top + size.cy});
    } else {
        const SIZE size = contactdlg::kAddButtonSize;
        dialoglook::MoveControl(m_hWnd, IDOK,
                                RECT{contactdlg::kAddOkLeft, top, contactdlg::kAddOkLeft + size.cx, top + size.cy});
        dialoglook::MoveControl(
            m_hWnd, IDCANCEL,
            RECT{contactdlg::kAddCancelLeft, top, contactdlg::kAddCancelLeft + size.cx, top + size.cy});
    }
}

void CContactDlg::LoadRecord()
{
    if (!m_record)
        return;
    for (int i = 0; i < contactdlg::kFieldCount; ++i)
        m_texts[i] = dialogs::FieldText(FieldOf(*m_record, contactdlg::kFields[i]), contactdlg::kFields[i].width);
    m_genderIndex = m_record->gender - 1;
}

void CContactDlg::FillChooser()
{
    m_chooser.Tree().DeleteAllItems();
    {
        CSetDlgSkin skin;
        m_chooser.SetBkColor(skin.GetEditBkColor());
    }
    if (!m_record || !m_cache)
        return;
    const std::vector<dialogs::ChooserItem> items = dialogs::ContactChooserItems(
        m_cache, dialoglook::ResourceText(IDS_ADDRESS_BOOK_ROOT), dialoglook::ResourceText(IDS_GROUP_MY_FRIENDS));
    // A contact of a group the chooser does not offer (-40, say) starts with
    // nothing chosen and keeps its group unless the user picks another.
    dialoglook::FillChooser(m_chooser, items, dialogs::FindChoice(items, m_record->groupID));
}

void CContactDlg::WriteRecord(const int* groupValue)
{
    for (int i = 0; i < contactdlg::kFieldCount; ++i) {
        const contactdlg::FieldBinding& binding = contactdlg::kFields[i];
        dialogs::CopyText(FieldOf(*m_record, binding), binding.width, binding.limit, m_texts[i]);
    }
    m_record->gender = m_genderIndex + 1;
    if (groupValue)
        m_record->groupID = *groupValue;
}

void CContactDlg::OnOK()
{
    UpdateData(true);
    HTREEITEM item = m_chooser.Tree().GetCaret();
    const int value = item ? m_chooser.Tree().GetItemData(item) : 0;
    const dialogs::ContactCheck check =
        dialogs::CheckContact(m_cache, m_record, m_mode, m_texts[kNumberField], item ? &value : nullptr);
    switch (check.verdict) {
    case dialogs::ContactVerdict::kBadNumber:
        outPutInfo(IDS_ERR_NUMBER_FORMAT, dialoglook::kManagerCaption, m_hWnd);
        return;
    case dialogs::ContactVerdict::kDuplicate:
        outPutInfo(IDS_ERR_NUMBER_EXISTS, dialoglook::kManagerCaption, m_hWnd);
        return;
    case dialogs::ContactVerdict::kRootChosen:
        if (check.noCache)
            outPutInfo(IDS_NOT_INITIALISED, dialoglook::kManagerCaption, m_hWnd);
        MessageBoxSkin(contactdlg::kRootChosenText, "", kInfoStyle, m_hWnd);
        return;
    case dialogs::ContactVerdict::kAccept:
        if (check.noCache)
            outPutInfo(IDS_NOT_INITIALISED, dialoglook::kManagerCaption, m_hWnd);
        break;
    }
    if (!m_record) {
        // Nothing to write into: the input was fine, the dialog has no record.
        EndDialog(IDOK);
        return;
    }
    WriteRecord(item ? &value : nullptr);
    EndDialog(IDOK);
}

BOOL CContactDlg::OnEraseBackground(HDC dc)
{
    CSkinDialog::OnEraseBackground(dc);
    // The header picture (edit mode only) sits on the face at its own size.
    DrawBitmap(dc, m_picture, contactdlg::kPictureAt.x, contactdlg::kPictureAt.y);
    return TRUE;
}

LRESULT CContactDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CTLCOLOREDIT) {
        // Here the edit boxes sit on the face too.
        LRESULT reflected = 0;
        if (ReflectNotification(msg, wp, lp, reflected))
            return reflected;
        return FaceColour(reinterpret_cast<HDC>(wp));
    }
    return CSkinDialog::WindowProc(msg, wp, lp);
}
