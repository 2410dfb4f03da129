#include "module/message_box.h"

#include "core/resource_text.h"
#include "module/module_state.h"
#include "pelmo.h"
#include "resources/resource_ids.h"

#include <cstdio>

namespace msgbox {

SIZE MeasureText(HDC dc, const std::string& text)
{
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc, &tm);
    LONG width = 0;
    int lines = 0;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        const size_t length = (end == std::string::npos ? text.size() : end) - start;
        SIZE extent{};
        ::GetTextExtentPoint32A(dc, text.c_str() + start, static_cast<int>(length), &extent);
        if (extent.cx > width)
            width = extent.cx + tm.tmExternalLeading;
        ++lines;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return SIZE{width, lines * (tm.tmHeight + tm.tmInternalLeading)};
}

void GrowToFit(SIZE needed, RECT& window, RECT& text)
{
    const LONG dx = needed.cx + kTextMargin - (text.right - text.left);
    if (dx > 0) {
        text.right += dx;
        window.left -= dx / 2;
        window.right += dx / 2;
    }
    const LONG dy = needed.cy - (text.bottom - text.top);
    if (dy > 0) {
        text.bottom += dy;
        window.top -= dy / 2;
        window.bottom += dy / 2;
    }
}

void PlaceButtons(int w, int h, bool oneButton, RECT& ok, RECT& cancel)
{
    const int top = h - kButtonTopFromBottom;
    const int bottom = h - kButtonBottomFromBottom;
    if (oneButton) {
        ok = RECT{(w - kButtonWidth) / 2, top, (w + kButtonWidth) / 2, bottom};
    } else {
        const int half = kButtonWidth / 2;
        ok = RECT{w / 4 - half, top, w / 4 + half, bottom};
        cancel = RECT{(3 * w) / 4 - half, top, (3 * w) / 4 + half, bottom};
    }
}

int PictureTop(int clientHeight)
{
    return (clientHeight - kPictureHeightSlot) / 2;
}

}  // namespace msgbox

CMessageBoxSkinDlg::CMessageBoxSkinDlg(std::string text, std::string caption, unsigned style, std::string okCaption,
                                       std::string cancelCaption)
    : m_text(std::move(text)),
      m_caption(std::move(caption)),
      m_okCaption(std::move(okCaption)),
      m_cancelCaption(std::move(cancelCaption)),
      m_style(style)
{
}

void CMessageBoxSkinDlg::DoDataExchange(CDataExchange& dx)
{
    dx.Text(IDC_MESSAGEBOX_TEXT, m_text);
    dx.Control(IDOK, m_ok);
    // Without the skinned-cancel style Cancel stays a plain push button, so it
    // is not taken over (an attached skin button would draw itself flat).
    if (m_style & msgbox::kSkinnedCancel)
        dx.Control(IDCANCEL, m_cancel);
}

BOOL CMessageBoxSkinDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    m_picture.Reset(getGlobalBitmap(IDB_MESSAGEBOX_PICTURE));

    if (m_style & msgbox::kOneButton)
        ::ShowWindow(GetDlgItem(IDCANCEL), SW_HIDE);

    Layout();

    SetWindowText(m_caption);
    if (!m_okCaption.empty())
        m_ok.SetWindowText(m_okCaption);
    SkinButton(m_ok);
    if (m_style & msgbox::kSkinnedCancel) {
        SkinButton(m_cancel);
        if (!m_cancelCaption.empty())
            m_cancel.SetWindowText(m_cancelCaption);
    }

    HICON icon = getGlobalIcon(IDI_APP);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    return TRUE;
}

void CMessageBoxSkinDlg::Layout()
{
    HWND textControl = GetDlgItem(IDC_MESSAGEBOX_TEXT);
    SIZE needed{};
    {
        ClientDC dc(m_hWnd);
        SelectScope font(dc, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
        needed = msgbox::MeasureText(dc, m_text);
    }
    RECT window = GetWindowRect();
    RECT text{};
    if (textControl) {
        ::GetWindowRect(textControl, &text);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&text), 2);
    }
    msgbox::GrowToFit(needed, window, text);
    ::MoveWindow(m_hWnd, window.left, window.top, window.right - window.left, window.bottom - window.top, FALSE);
    if (textControl)
        ::MoveWindow(textControl, text.left, text.top, text.right - text.left, text.bottom - text.top, FALSE);

    const RECT client = GetClientRect();
    RECT ok{}, cancel{};
    msgbox::PlaceButtons(client.right, client.bottom, (m_style & msgbox::kOneButton) != 0, ok, cancel);
    ::MoveWindow(m_ok, ok.left, ok.top, ok.right - ok.left, ok.bottom - ok.top, FALSE);
    if (!(m_style & msgbox::kOneButton))
        ::MoveWindow(GetDlgItem(IDCANCEL), cancel.left, cancel.top, cancel.right - cancel.left,
                     cancel.bottom - cancel.top, FALSE);
    m_pictureTop = msgbox::PictureTop(client.bottom);

    CentreOverOwner();
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Invalidate();
}

BOOL CMessageBoxSkinDlg::OnEraseBackground(HDC dc)
{
    CSkinDialog::OnEraseBackground(dc);
    DrawBitmap(dc, m_picture, msgbox::kPictureLeft, m_pictureTop);
    return TRUE;
}

namespace {

std::string LoadText(unsigned id)
{
    return resources::String(id);
}

int RunMessageBox(CMessageBoxSkinDlg& dialog, HWND parent, bool withInitData)
{
    const void* dialogTemplate = getGlobalRes(IDD_MESSAGEBOX_SKIN, PELMO_RES_DIALOG);
    if (!dialogTemplate)
        return -1;
    const void* initData = nullptr;
    if (withInitData) {
        HMODULE library = module::ResourceLibrary();
        if (HRSRC found =
                ::FindResourceA(library, MAKEINTRESOURCEA(IDD_MESSAGEBOX_SKIN), MAKEINTRESOURCEA(RT_PELMO_DLGINIT)))
            initData = ::LockResource(::LoadResource(library, found));
    }
    // A parent the host has already destroyed (or never had) cannot own the
    // box and would keep it from opening at all; the user must still see the
    // message, so it opens without an owner.
    if (parent && !::IsWindow(parent))
        parent = nullptr;
    dialog.InitModalIndirect(dialogTemplate, parent, initData);
    const INT_PTR result = dialog.DoModal();
    releaseGlobalRes();
    return static_cast<int>(result);
}

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

}  // namespace

extern "C" {

int PELMO_API MessageBoxSkin(const char* text, const char* caption, unsigned int style, HWND parent)
{
    CMessageBoxSkinDlg dialog(OrEmpty(text), OrEmpty(caption), style);
    return RunMessageBox(dialog, parent, true);
}

int PELMO_API MessageBoxSkin2(const char* text, const char* caption, unsigned int style, HWND parent,
                              const char* okCaption, const char* cancelCaption)
{
    CMessageBoxSkinDlg dialog(OrEmpty(text), OrEmpty(caption), style, OrEmpty(okCaption), OrEmpty(cancelCaption));
    return RunMessageBox(dialog, parent, false);
}

int PELMO_API outPutInfo(unsigned int textId, unsigned int captionId, HWND parent)
{
    return MessageBoxSkin(LoadText(textId).c_str(), LoadText(captionId).c_str(), msgbox::kOneButton, parent);
}

int PELMO_API outPutInfoErr(unsigned int textId, long errorCode, unsigned int captionId, HWND parent)
{
    char code[16];
    std::snprintf(code, sizeof code, ":%ld", errorCode);
    const std::string text = LoadText(textId) + code;
    return MessageBoxSkin(text.c_str(), LoadText(captionId).c_str(), msgbox::kOneButton, parent);
}

}  // extern "C"
