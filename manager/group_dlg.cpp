#include "manager/group_dlg.h"

#include "manager/dialog_look.h"
#include "resources/resource_ids.h"

#include <vector>

namespace groupdlg {

const char kOwnParentText[] = "不能将自己设为父组!";
const char kUnderItselfText[] = "不能将组移到它自己的下级组中!";
const char kGroupCaption[] = "组操作";

}  // namespace groupdlg

namespace {

constexpr int kTemplateDialog = 5;  // resource type of dialog templates
constexpr unsigned kInfoStyle = 1;
constexpr size_t kNameLimit = sizeof(FriendGroup{}.name) - 1;

}  // namespace

CGroupDlg::CGroupDlg(FriendCache* cache, FriendGroup* record, int mode, HWND parent)
    : m_mode(mode), m_record(cache ? record : nullptr), m_cache(record ? cache : nullptr), m_parent(parent)
{
    if (m_record)
        m_name = dialogs::FieldText(m_record->name);
}

INT_PTR CGroupDlg::Run()
{
    initModelDialog(this, IDD_GROUP_DLG, m_parent);
    return DoModal();
}

void CGroupDlg::DoDataExchange(CDataExchange& dx)
{
    dx.Control(IDC_GROUP_NAME, m_nameEdit);
    dx.Text(IDC_GROUP_NAME, m_name);
    dx.Control(IDOK, m_ok);
    dx.Control(IDCANCEL, m_cancel);
}

BOOL CGroupDlg::OnInitDialog()
{
    m_chooser.CreateFromPlaceholder(m_hWnd, IDC_GROUP_PARENT);
    Layout();
    SetWindowText(
        dialoglook::ResourceText(m_mode == dialogs::kEditMode ? IDS_GROUPDLG_TITLE_EDIT : IDS_GROUPDLG_TITLE_ADD));
    FillChooser();
    CSkinDialog::OnInitDialog();  // name into the edit, buttons attached
    m_nameEdit.SendMessage(EM_LIMITTEXT, kNameLimit);
    SkinButton(m_ok);
    SkinButton(m_cancel);
    ::SetFocus(m_nameEdit);
    m_nameEdit.SendMessage(EM_SETSEL, 0, -1);
    return FALSE;  // the focus is set
}

void CGroupDlg::Layout()
{
    dialoglook::SetClientSize(m_hWnd, groupdlg::kClientSize);
    CentreOverOwner();
    dialoglook::MoveControl(m_hWnd, IDC_GROUP_PARENT_LABEL, groupdlg::kParentLabelRect);
    dialoglook::MoveControl(m_hWnd, IDC_GROUP_NAME_LABEL, groupdlg::kNameLabelRect);
    dialoglook::MoveControl(m_hWnd, IDC_GROUP_PARENT, groupdlg::kChooserRect);
    // The tree drops down as wide as the box now is.
    m_chooser.SetDroppedSize(groupdlg::kChooserRect.right - groupdlg::kChooserRect.left, m_chooser.DroppedSize().cy);
    dialoglook::MoveControl(m_hWnd, IDC_GROUP_NAME, groupdlg::kNameRect);
    dialoglook::MoveControl(m_hWnd, IDOK, groupdlg::kOkRect);
    dialoglook::MoveControl(m_hWnd, IDCANCEL, groupdlg::kCancelRect);
}

void CGroupDlg::FillChooser()
{
    m_chooser.Tree().DeleteAllItems();
    if (!m_record || !m_cache)
        return;
    const std::vector<dialogs::ChooserItem> items =
        dialogs::GroupChooserItems(m_cache, dialoglook::ResourceText(IDS_ADDRESS_BOOK_ROOT));
    // The current parent is chosen; a new group without a known parent goes
    // to the top level.
    int chosen = dialogs::FindChoice(items, m_record->fatherID);
    if (chosen < 0 && m_mode != dialogs::kEditMode)
        chosen = 0;
    dialoglook::FillChooser(m_chooser, items, chosen);
}

void CGroupDlg::Refuse(dialogs::GroupVerdict verdict)
{
    switch (verdict) {
    case dialogs::GroupVerdict::kEmptyName:
        outPutInfo(IDS_ERR_GROUP_NAME_EMPTY, dialoglook::kManagerCaption, m_hWnd);
        break;
    case dialogs::GroupVerdict::kOwnParent:
        MessageBoxSkin(groupdlg::kOwnParentText, groupdlg::kGroupCaption, kInfoStyle, m_hWnd);
        outPutInfo(IDS_MSG_CHOOSE_OTHER_PARENT, dialoglook::kManagerCaption, m_hWnd);
        break;
    case dialogs::GroupVerdict::kUnderItself:
        MessageBoxSkin(groupdlg::kUnderItselfText, groupdlg::kGroupCaption, kInfoStyle, m_hWnd);
        outPutInfo(IDS_MSG_CHOOSE_OTHER_PARENT, dialoglook::kManagerCaption, m_hWnd);
        break;
    case dialogs::GroupVerdict::kNameTaken:
        outPutInfo(IDS_ERR_GROUP_NAME_EXISTS, dialoglook::kManagerCaption, m_hWnd);
        break;
    case dialogs::GroupVerdict::kNoRecord:
    case dialogs::GroupVerdict::kNoChoice:
    case dialogs::GroupVerdict::kAccept:
        break;  // nothing to say
    }
}

void CGroupDlg::OnOK()
{
    UpdateData(true);
    HTREEITEM item = m_chooser.Tree().GetCaret();
    const int value = item ? m_chooser.Tree().GetItemData(item) : 0;
    int parent = 0;
    const dialogs::GroupVerdict verdict =
        dialogs::CheckGroup(m_cache, m_record, m_mode, m_name, item ? &value : nullptr, &parent);
    if (verdict != dialogs::GroupVerdict::kAccept) {
        Refuse(verdict);
        return;
    }
    // The record changes only once everything passed: a refused dialog
    // leaves the caller's record as it was.
    m_record->fatherID = parent;
    dialogs::CopyText(m_record->name, kNameLimit, m_name);
    EndDialog(IDOK);
}
