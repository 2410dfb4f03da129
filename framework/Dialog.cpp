#include "framework/Dialog.h"

#include "framework/Keyboard.h"

#include <cstdlib>
#include <cstring>

HWND CDataExchange::Control(int id) const
{
    return m_dialog.GetDlgItem(id);
}

void CDataExchange::Text(int id, std::string& value)
{
    HWND control = Control(id);
    if (!control)
        return;
    if (m_save) {
        int length = ::GetWindowTextLengthA(control);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        int copied = ::GetWindowTextA(control, &text[0], length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        value = text;
    } else {
        ::SetWindowTextA(control, value.c_str());
    }
}

void CDataExchange::Text(int id, int& value)
{
    std::string text = m_save ? std::string() : std::to_string(value);
    Text(id, text);
    if (m_save)
        value = std::atoi(text.c_str());
}

void CDataExchange::Control(int id, CWnd& control)
{
    if (!control.GetSafeHwnd())
        control.SubclassDlgItem(id, m_dialog.GetSafeHwnd());
}

bool CDialog::InitModalIndirect(const void* dialogTemplate, HWND parent, const void* initData)
{
    m_template = dialogTemplate;
    m_parent = parent;
    m_initData = initData;
    return dialogTemplate != nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (!m_template || m_hWnd)
        return -1;
    m_modal = true;
    INT_PTR result = ::DialogBoxIndirectParamA(ThisModule(), static_cast<LPCDLGTEMPLATEA>(m_template), m_parent,
                                               StaticDialogProc, reinterpret_cast<LPARAM>(this));
    m_modal = false;
    return result;
}

bool CDialog::CreateIndirect(const void* dialogTemplate, HWND parent, const void* initData)
{
    if (!dialogTemplate || m_hWnd)
        return false;
    m_template = dialogTemplate;
    m_parent = parent;
    m_initData = initData;
    m_modal = false;
    HWND dialog = ::CreateDialogIndirectParamA(ThisModule(), static_cast<LPCDLGTEMPLATEA>(dialogTemplate), parent,
                                               StaticDialogProc, reinterpret_cast<LPARAM>(this));
    // The host's message loop knows nothing of us: Tab, arrows and Escape
    // come through our own filter (Keyboard.h).
    if (dialog && m_hWnd == dialog)
        keyboard::AddWindow(dialog);
    return dialog != nullptr;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lp);
    if (!dialog || !dialog->SubclassWindow(hwnd))
        return TRUE;
    dialog->m_ownsWindow = true;
    MessageScope scope(hwnd, msg, wp, lp);
    return dialog->OnInitDialog();
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    if (!m_hWnd)
        return false;
    CDataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return true;
}

void CDialog::EndDialog(INT_PTR result)
{
    if (!m_hWnd)
        return;
    if (m_modal)
        ::EndDialog(m_hWnd, result);
    else
        ::DestroyWindow(m_hWnd);
}

BOOL CDialog::OnInitDialog()
{
    ApplyInitData();
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND && decode::CommandCode(wp) == BN_CLICKED) {
        // The button hears of its click first (check boxes toggle, menus open).
        LRESULT result = 0;
        if (ReflectNotification(msg, wp, lp, result))
            return result;
        switch (decode::CommandId(wp)) {
        case IDOK:
            OnOK();
            return 0;
        case IDCANCEL:
            OnCancel();
            return 0;
        }
        if (OnCommand(decode::CommandId(wp), decode::CommandCode(wp), decode::CommandControl(lp)))
            return 0;
        return Default();
    }
    return CWnd::WindowProc(msg, wp, lp);
}

// Class-library initialisation data: entries of control id (WORD), message
// (WORD), data length (DWORD) and data, ended by a zero control id. The old
// list and combo "add string" codes are mapped to today's messages.
namespace {
// The class library's initialisation-data codes for adding list strings.
constexpr WORD kInitListAddString = 0x0401;
constexpr WORD kInitComboAddString = 0x0403;
constexpr WORD kInitComboAddStringOld = 0x1234;
}  // namespace

void CDialog::ApplyInitData()
{
    const auto* p = static_cast<const BYTE*>(m_initData);
    if (!p)
        return;
    for (int guard = 0; guard < 4096; ++guard) {
        WORD id, message;
        DWORD length;
        std::memcpy(&id, p, sizeof id);
        if (id == 0)
            break;
        std::memcpy(&message, p + 2, sizeof message);
        std::memcpy(&length, p + 4, sizeof length);
        const char* data = reinterpret_cast<const char*>(p + 8);
        if (message == kInitListAddString)
            ::SendDlgItemMessageA(m_hWnd, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data));
        else if (message == kInitComboAddString || message == kInitComboAddStringOld)
            ::SendDlgItemMessageA(m_hWnd, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data));
        p += 8 + length;
    }
}
