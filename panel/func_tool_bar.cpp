#include "panel/func_tool_bar.h"

#include "core/host_config.h"
#include "core/resource_text.h"
#include "core/text.h"
#include "pelmo.h"
#include "resource_ids.h"
#include "string_ids.h"

#include <commctrl.h>

#include <new>

namespace {

constexpr char kBarClass[] = "PelmoFuncToolBar";
constexpr COLORREF kBarColour = 0x9C442C;
constexpr COLORREF kFaceKey = RGB(255, 0, 255);
constexpr int kButtonWidth = 55;
constexpr int kButtonHeight = 45;
constexpr int kButtonTop = 4;
constexpr int kButtonLeft[4] = {7, 67, 127, 187};
constexpr int kPaintedHeight = 57;
constexpr int kLeftEnd = 81;
constexpr int kRightEnd = 117;
constexpr UINT kButtonIds[4] = {kToolCallId, kToolMessageId, kToolSettingsId, kToolContactsId};
constexpr UINT kTips[4] = {IDS_TIP_TOOL_CALL, IDS_TIP_TOOL_MESSAGE, IDS_TIP_TOOL_SETTINGS, IDS_TIP_TOOL_CONTACTS};

// Notices of the function buttons and the commands without a button.
constexpr WPARAM kNoticeCall = 14;
constexpr WPARAM kNoticeMessage = 10;
constexpr WPARAM kNoticeFor7023 = 11;
constexpr WPARAM kNoticeFor7024 = 13;
constexpr WPARAM kNoticeFor7026 = 12;
constexpr WPARAM kNoticeFor7027 = 15;

void Stretch(HDC dc, HBITMAP bitmap, const RECT& to)
{
    BITMAP info{};
    if (!bitmap || !::GetObjectA(bitmap, sizeof info, &info))
        return;
    MemoryDC source(dc);
    SelectScope keep(source, bitmap);
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source, 0, 0, info.bmWidth, info.bmHeight,
                 SRCCOPY);
}

}  // namespace

CFuncToolBar* CFuncToolBar::Open(HWND parent, UINT mode)
{
    if (!parent || !::IsWindow(parent))
        return nullptr;
    // A second call finds the bar the first one made instead of stacking
    // another with the same id.
    if (auto* existing = dynamic_cast<CFuncToolBar*>(CWnd::FromHandle(::GetDlgItem(parent, kToolBarId)))) {
        existing->SetMode(mode);
        ::ShowWindow(*existing, SW_SHOW);
        return existing;
    }
    if (!RegisterWindowClass(kBarClass, CS_DBLCLKS, nullptr, nullptr, ::LoadCursorA(nullptr, IDC_ARROW)))
        return nullptr;
    auto* bar = new (std::nothrow) CFuncToolBar(mode);
    if (!bar)
        return nullptr;
    RECT rect{};
    ::GetClientRect(parent, &rect);
    rect.top = 0;
    rect.bottom = kToolBarStripHeight;
    bar->m_parentWindow = parent;
    if (!bar->CreateEx(0, kBarClass, "", WS_CHILD | WS_CLIPCHILDREN, rect, parent, kToolBarId)) {
        delete bar;  // a failed creation never attached a window
        return nullptr;
    }
    ::ShowWindow(*bar, SW_SHOW);
    return bar;
}

LRESULT CFuncToolBar::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_ERASEBKGND:
        return OnEraseBackground(decode::Dc(wp));
    }
    return CWnd::WindowProc(msg, wp, lp);
}

int CFuncToolBar::OnCreate()
{
    HostConfig config{};
    if (ReadHostConfig(&config)) {
        m_notifyWindow = static_cast<HWND>(ULongToHandle(config.notifyWindow));
        m_notifyMessage = config.notifyMessage & 0xFFFF;
    }
    for (int i = 0; i < 4; ++i) {
        HWND button =
            ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, kButtonLeft[i], kButtonTop,
                              kButtonWidth, kButtonHeight, m_hWnd,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kButtonIds[i])), ThisModule(), nullptr);
        if (!button || !m_buttons[i].SubclassWindow(button))
            return -1;
        m_buttons[i].SetImageModule(resources::Library());
        m_buttons[i].SetAlign(CSkinButton::kAlignOverlap, false);
        m_buttons[i].SetImageOrigin(POINT{0, 0});
        m_buttons[i].SetDrawBorder(false);
        for (auto index : {CSkinButton::kBackIn, CSkinButton::kBackOut, CSkinButton::kBackFocus})
            m_buttons[i].SetColour(index, kBarColour, false);
        m_buttons[i].SetTooltipText(resources::String(kTips[i]));
    }
    SkinButtons();
    m_leftImage.Reset(getGlobalBitmap(IDB_TOOL_LEFT));
    m_rightImage.Reset(getGlobalBitmap(IDB_TOOL_RIGHT));
    return 0;
}

void CFuncToolBar::SetMode(UINT mode)
{
    m_mode = mode;
    if (m_hWnd)
        SkinButtons();
}

void CFuncToolBar::SkinButtons()
{
    // The current function shows its "on" face whether pointed at or not.
    const int faces[4][2] = {
        {m_mode == 0 ? IDB_TOOL_CALL_ON : IDB_TOOL_CALL_HOT, m_mode == 0 ? IDB_TOOL_CALL_ON : IDB_TOOL_CALL_IDLE},
        {m_mode == 1 ? IDB_TOOL_MESSAGE_ON : IDB_TOOL_MESSAGE_HOT,
         m_mode == 1 ? IDB_TOOL_MESSAGE_ON : IDB_TOOL_MESSAGE_IDLE},
        {IDB_TOOL_SETTINGS_HOT, IDB_TOOL_SETTINGS_IDLE},
        {IDB_TOOL_CONTACTS_HOT, IDB_TOOL_CONTACTS_IDLE},
    };
    for (int i = 0; i < 4; ++i)
        m_buttons[i].SetBitmaps(static_cast<UINT>(faces[i][0]), kFaceKey, static_cast<UINT>(faces[i][1]), kFaceKey);
}

BOOL CFuncToolBar::OnEraseBackground(HDC dc)
{
    // The whole client area, also below the painted strip, so nothing of
    // an earlier picture shows through on a bar taller than the strip.
    const RECT c = GetClientRect();
    const int w = c.right;
    Brush fill(::CreateSolidBrush(kBarColour));
    ::FillRect(dc, &c, fill);
    Stretch(dc, m_leftImage.Get(), RECT{0, 0, kLeftEnd, kPaintedHeight});
    Stretch(dc, m_rightImage.Get(), RECT{w - kRightEnd, 0, w, kPaintedHeight});
    return TRUE;
}

void CFuncToolBar::PostNotice(WPARAM code) const
{
    if (m_notifyWindow)
        ::PostMessageA(m_notifyWindow, m_notifyMessage, code, 0);
}

bool CFuncToolBar::OnCommand(UINT id, UINT code, HWND control)
{
    switch (id) {
    case kToolCallId:
        if (m_mode != 0)
            PostNotice(kNoticeCall);
        return true;
    case kToolMessageId:
        if (m_mode != 1)
            PostNotice(kNoticeMessage);
        return true;
    case kToolCmdFirst:
        PostNotice(kNoticeFor7023);
        return true;
    case kToolCmdFirst + 1:
    case kToolCmdFirst + 2:
        PostNotice(kNoticeFor7024);
        return true;
    case kToolCmdFirst + 3:
        PostNotice(kNoticeFor7026);
        return true;
    case kToolCmdLast:
        PostNotice(kNoticeFor7027);
        return true;
    case kToolSettingsId:
        // The application's main window: the top of the parent's owner
        // chain; nothing when there is none.
        if (HWND main = m_parentWindow ? ::GetAncestor(m_parentWindow, GA_ROOTOWNER) : nullptr;
            main && ::IsWindow(main))
            ::SendMessageA(main, kWmToolSettings, kToolSettingsCode, kToolSettingsValue);
        return true;
    case kToolContactsId:
        if (m_parentWindow && ::IsWindow(m_parentWindow))
            ::PostMessageA(m_parentWindow, kWmToolContacts, 0, 0);
        return true;
    }
    return CWnd::OnCommand(id, code, control);
}

LRESULT CFuncToolBar::OnNotify(NMHDR& header)
{
    // The buttons carry their own tips; other tip requests get nothing.
    if (header.code == TTN_NEEDTEXTA || header.code == TTN_NEEDTEXTW)
        return 0;
    return CWnd::OnNotify(header);
}

extern "C" void* PELMO_API showFuncTools(HWND parent, unsigned int value)
{
    return CFuncToolBar::Open(parent, value);
}
