#include "manager/friend_frame.h"

#include "core/resource_text.h"
#include "core/session_state.h"
#include "core/text.h"
#include "manager/manager_pane.h"
#include "resources/resource_ids.h"
#include "resources/string_ids.h"

using namespace manager;

namespace {

CFriendFrmWnd* g_manager = nullptr;

constexpr int kImageWidth = 60;  // the strip's real images (the toolbar's own size is 58 x 60)
constexpr int kImageHeight = 56;
constexpr SIZE kButtonSize{65, 67};
constexpr int kButtonCount = 8;
constexpr UINT kTipFirst = 50004;
constexpr UINT kTipLast = 50012;
constexpr int kLayoutTop = 100;  // what the column widths are reckoned from
constexpr COLORREF kTransparent = RGB(255, 0, 255);

}  // namespace

// ---- splitter -----------------------------------------------------------------

LRESULT CSplitterWndEx::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE: {
        const LRESULT result = CSplitter::WindowProc(msg, wp, lp);
        if (Position() < m_minimum && ::GetCapture() == m_hWnd)
            SetPosition(m_minimum);
        return result;
    }
    }
    return CSplitter::WindowProc(msg, wp, lp);
}

void CSplitterWndEx::OnPaint()
{
    PaintDC dc(m_hWnd);
    Brush colour(::CreateSolidBrush(kColour));
    ::FillRect(dc, &dc.Info().rcPaint, colour);
}

// ---- toolbar ------------------------------------------------------------------

bool CFriendToolBar::OnTipText(NMHDR& header)
{
    if (!m_hWnd || header.hwndFrom != Tooltips() || header.idFrom < m_first || header.idFrom > m_last)
        return false;
    const std::string text = resources::String(static_cast<unsigned>(header.idFrom), 254);
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        const int room = static_cast<int>(sizeof info.szText / sizeof info.szText[0]);
        info.hinst = nullptr;
        info.szText[0] = L'\0';
        // Whole characters only: convert, then cut to the buffer.
        const int need = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        std::wstring wide(need > 0 ? need : 1, L'\0');
        ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], need);
        ::lstrcpynW(info.szText, wide.c_str(), room);
        info.lpszText = info.szText;
        return true;
    }
    if (header.code == TTN_GETDISPINFOA) {
        auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
        info.hinst = nullptr;
        CopyField(info.szText, sizeof info.szText, text.c_str());
        info.lpszText = info.szText;
        return true;
    }
    return false;
}

// ---- frame --------------------------------------------------------------------

CFriendFrmWnd::CFriendFrmWnd() = default;

CFriendFrmWnd::~CFriendFrmWnd()
{
    if (g_manager == this) {
        g_manager = nullptr;
        session::Current().managerWindow = nullptr;
    }
}

CFriendFrmWnd* CFriendFrmWnd::Current()
{
    if (g_manager && !g_manager->IsWindow())
        g_manager = nullptr;
    return g_manager;
}

CFriendFrmWnd* CFriendFrmWnd::Open(const RECT& rect)
{
    auto* frame = new (std::nothrow) CFriendFrmWnd;
    if (!frame)
        return nullptr;
    g_manager = frame;
    const std::string title = resources::String(IDS_MANAGER_CAPTION, 254);
    if (!frame->Create(title.c_str(), rect, nullptr)) {
        // A window that got as far as its creation handler took the object
        // with it; one that never came to be leaves it to us.
        if (g_manager == frame)
            delete frame;
        g_manager = nullptr;
        return nullptr;
    }
    session::Current().managerWindow = frame->GetSafeHwnd();
    ::ShowWindow(*frame, SW_SHOW);
    return frame;
}

LRESULT CFriendFrmWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_ERASEBKGND: {
        RECT client = GetClientRect();
        ::FillRect(decode::Dc(wp), &client, m_background);
        return 1;
    }
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        if (m_bar.IsWindow() && decode::CommandControl(lp) == m_bar.GetSafeHwnd()) {
            RouteCommand(decode::CommandId(wp), decode::CommandCode(wp), nullptr);
            return 0;
        }
        break;
    case WM_MANAGER_REFRESH:
        OnRefresh(lp);
        break;
    }
    return CFrameWnd::WindowProc(msg, wp, lp);
}

int CFriendFrmWnd::OnCreate()
{
    m_background.Reset(::CreateSolidBrush(kBackground));
    if (HICON icon = getGlobalIcon(IDI_APP)) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    if (HMENU menu = getGlobalMenu(IDM_MANAGER))
        ::SetMenu(m_hWnd, menu);  // destroyed with the window

    Bitmap strip(getGlobalBitmap(IDB_MANAGER_TOOLBAR));
    HDC screen = ::GetDC(nullptr);
    const int depth = ::GetDeviceCaps(screen, BITSPIXEL);
    ::ReleaseDC(nullptr, screen);
    const UINT colour = depth >= 32 ? ILC_COLOR32 : depth >= 24 ? ILC_COLOR24 : depth >= 16 ? ILC_COLOR16 : ILC_COLOR8;
    ImageList images(ImageList_Create(kImageWidth, kImageHeight, colour | ILC_MASK, kButtonCount, 0));
    if (images && strip)
        ImageList_AddMasked(images, strip, kTransparent);
    HIMAGELIST shared = images.Get();

    std::vector<CToolBar::Button> buttons;
    for (int i = 0; i < kButtonCount; ++i)
        buttons.push_back({kCmdAddGroup + static_cast<UINT>(i), i});
    if (!m_bar.Create(m_hWnd, buttons, resources::Library(), std::move(images)))
        return -1;
    ::SetWindowLongPtrA(m_bar, GWLP_ID, CFriendToolBar::kId);
    m_bar.SetTipRange(kTipFirst, kTipLast);
    m_bar.SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(kButtonSize.cx, kButtonSize.cy));
    ::SetWindowLongPtrA(m_bar, GWL_STYLE,
                        m_bar.GetStyle() | TBSTYLE_TOOLTIPS | TBSTYLE_CUSTOMERASE | TBSTYLE_TRANSPARENT);
    m_bar.SendMessage(TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(shared));
    m_bar.SendMessage(TB_AUTOSIZE);

    RECT client = GetClientRect();
    client.top = kLayoutTop;
    const Columns columns = SplitterColumns(client.right - client.left);
    if (m_splitter.Create(m_hWnd, CSplitterWndEx::kId)) {
        m_splitter.SetMinimum(columns.minimum);
        m_right.Create(m_splitter);
        m_left.Create(m_splitter);
        m_splitter.SetPanes(&m_left, &m_right);  // the left pane starts active
    }
    Layout();
    // The splitter has its size only now: a position set before would be cut to nothing.
    if (m_splitter.IsWindow())
        m_splitter.SetPosition(columns.ideal);
    return 0;
}

void CFriendFrmWnd::Layout()
{
    RECT client = GetClientRect();
    if (m_bar.IsWindow()) {
        m_bar.SendMessage(TB_AUTOSIZE);
        client.top += m_bar.Height();
    }
    if (m_splitter.IsWindow()) {
        const int keep = m_splitter.Position();
        ::MoveWindow(m_splitter, client.left, client.top, client.right - client.left,
                     std::max<int>(0, client.bottom - client.top), TRUE);
        m_splitter.SetPosition(keep);
    }
}

CWnd* CFriendFrmWnd::ActivePane()
{
    return m_splitter.IsWindow() ? m_splitter.ActivePane() : nullptr;
}

LRESULT CFriendFrmWnd::OnNotify(NMHDR& header)
{
    if (m_bar.OnTipText(header))
        return 0;
    return CFrameWnd::OnNotify(header);
}

bool CFriendFrmWnd::OnCommand(UINT id, UINT code, HWND control)
{
    switch (id) {
    case kCmdImport:
        if (m_left.IsWindow())
            m_left.PostMessage(WM_MANAGER_REFRESH, PELMO_MANAGER_IMPORT, 1);
        return true;
    case kCmdExport:
        if (m_left.IsWindow())
            m_left.PostMessage(WM_MANAGER_REFRESH, PELMO_MANAGER_EXPORT, 1);
        return true;
    }
    return CFrameWnd::OnCommand(id, code, control);
}

bool CFriendFrmWnd::OnUpdateCommand(CommandState& state)
{
    // Every command of the manager stays enabled.
    return IsManagerCommand(state.id) || CFrameWnd::OnUpdateCommand(state);
}

void CFriendFrmWnd::OnRefresh(LPARAM groupId)
{
    // addFriend names the group by ID; the list reads a group index.
    if (m_right.IsWindow())
        m_right.PostMessage(WM_MANAGER_REFRESH,
                            static_cast<WPARAM>(GroupIdToValue(GetFriendCache(), static_cast<int>(groupId))), 0);
}
