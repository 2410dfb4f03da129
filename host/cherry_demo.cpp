#include "host/cherry_demo.h"
#include "host/screenshot.h"

#include "controls/cherry_tree.h"
#include "controls/link_label.h"

#include <commctrl.h>

namespace cherry_demo {
namespace {

constexpr COLORREF kPanelColour = 0xECD9D3;

// A presence dot on white (white is left out when drawn).
HBITMAP Dot(COLORREF colour)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 14, 16);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::PatBlt(dc, 0, 0, 14, 16, WHITENESS);
    HBRUSH brush = ::CreateSolidBrush(colour);
    HGDIOBJ oldBrush = ::SelectObject(dc, brush);
    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    ::Ellipse(dc, 2, 3, 13, 14);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    ::DeleteObject(brush);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

class DemoWindow : public CWnd {
public:
    CCherryTree tree;
    CLinkLabel identity, site;

    bool Create()
    {
        static const char kClass[] = "PelmoCherryDemo";
        RegisterWindowClass(kClass, CS_DBLCLKS, ::CreateSolidBrush(kPanelColour));
        return CreateEx(0, kClass, "联系人", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{120, 60, 380, 560}, nullptr, 0);
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_CHERRYTREE_DROP)
            return 0;
        return CWnd::WindowProc(msg, wp, lp);
    }
};

void Pump(DWORD ms)
{
    const DWORD end = ::GetTickCount() + ms;
    MSG msg;
    while (static_cast<int>(end - ::GetTickCount()) > 0) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(5);
    }
}

POINT LabelOnScreen(CCherryTree& tree, HTREEITEM item)
{
    ::UpdateWindow(tree);
    const CherryItemLayout* layout = tree.FindLayout(item);
    POINT pt{layout ? layout->label.left + 12 : 0, layout ? (layout->label.top + layout->label.bottom) / 2 : 0};
    ::ClientToScreen(tree, &pt);
    return pt;
}

void Mouse(DWORD flags)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof in);
}

// The drag gesture, one step a tick: six moves toward the target, a
// screenshot while the drag is on, then Escape and the release.
constexpr UINT kDragTickMs = 60;
constexpr int kDragMoves = 6;
struct DragPlay {
    POINT from{};
    POINT to{};
    std::string shot;
    CCherryTree* tree = nullptr;
    int step = 0;
    bool saved = false;
    bool wasDragging = false;
    bool done = false;
};
DragPlay g_drag;

void CALLBACK DragTick(HWND, UINT, UINT_PTR id, DWORD)
{
    DragPlay& d = g_drag;
    ++d.step;
    if (d.step <= kDragMoves) {
        ::SetCursorPos(d.from.x + (d.to.x - d.from.x) * d.step / kDragMoves + 10,
                       d.from.y + (d.to.y - d.from.y) * d.step / kDragMoves);
        return;
    }
    if (d.step == kDragMoves + 3) {
        d.wasDragging = d.tree && d.tree->IsDragging();
        d.saved = SaveScreenshot(d.shot);
        return;
    }
    if (d.step < kDragMoves + 4)
        return;
    ::KillTimer(nullptr, id);
    INPUT escape[2] = {};
    escape[0].type = escape[1].type = INPUT_KEYBOARD;
    escape[0].ki.wVk = escape[1].ki.wVk = VK_ESCAPE;
    escape[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, escape, sizeof(INPUT));
    Mouse(MOUSEEVENTF_LEFTUP);
    d.done = true;
}

}  // namespace

int ShootCherryTree(const std::string& folder, FILE* log)
{
    INITCOMMONCONTROLSEX init{sizeof init, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    DemoWindow window;
    if (!window.Create())
        return 0;
    const RECT client = window.GetClientRect();
    window.identity.Create("", WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, RECT{0, 0, client.right, 24}, window, 60001);
    window.identity.SetBackColors(kPanelColour, 0, 0);
    window.identity.SetBold(TRUE);
    window.identity.SetLabelText("我的号码：8613800138000");
    CCherryTree& tree = window.tree;
    tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_EDITLABELS | TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS |
                    TVS_FULLROWSELECT | kCherryHotParents | kCherryClickExpands,
                RECT{0, 24, client.right, client.bottom - 28}, window, 1000);
    window.site.Create("", WS_CHILD | WS_VISIBLE | SS_CENTER, RECT{0, client.bottom - 28, client.right, client.bottom},
                       window, 60004);
    window.site.SetBackColors(kPanelColour, 0xFFFFFF, 1);
    window.site.SetPointSize(10);
    window.site.SetFaceName("Bodoni MT", 0);
    window.site.SetLabelText("www.pelmo.example");
    window.site.SetUrl("http://www.pelmo.example/");
    window.site.SetUrlLink(TRUE, FALSE);
    window.site.SetTextColor(0xB28677);
    window.site.SetUnderline(TRUE);
    window.site.SetLinkCursor(::LoadCursor(nullptr, IDC_HAND));

    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = ::CreateFontIndirectA(&metrics.lfMessageFont);
    tree.SetItemFonts(font);
    tree.SendMessage(TVM_SETITEMHEIGHT, 18);
    tree.SetDefaultChildIndent(20);
    tree.SetBackColor(RGB(255, 255, 255));
    HBITMAP online = Dot(RGB(40, 170, 60)), offline = Dot(RGB(170, 170, 170)), video = Dot(RGB(60, 110, 220));

    struct Contact {
        const char* name;
        bool online;
        const char* tip;
    };
    const Contact friends[] = {{"张伟", true, "北京 · 视频通话中"},
                               {"李娜", true, "上海"},
                               {"王芳 (公司同事，市场部经理)", false, "最后上线：昨天"},
                               {"刘洋", false, ""},
                               {"陈静", true, "广州"}};
    const Contact colleagues[] = {{"赵磊", true, "深圳研发中心"}, {"孙丽", false, ""}, {"周杰", true, ""}};
    HTREEITEM service = tree.InsertItemShort("客服中心", TVI_ROOT);
    tree.SetItemData(service, kCherryNoDropGroup);
    tree.SetItemFontStyle(service, 1, 0);
    HTREEITEM helper = tree.InsertItemShort("在线客服", service);
    tree.SetItemData(helper, 0);
    tree.AddItemImage(helper, online, kImageLeftBack);
    int position = 1;
    HTREEITEM firstGroup = nullptr, secondGroup = nullptr;
    std::vector<HTREEITEM> contacts;
    auto addGroup = [&](const char* name, LPARAM data, const Contact* list, size_t count) {
        HTREEITEM group = tree.InsertItemShort(name, TVI_ROOT);
        tree.SetItemData(group, data);
        tree.SetItemFontStyle(group, 1, 0);
        tree.SetItemTextColor(group, RGB(40, 60, 120));
        for (size_t i = 0; i < count; ++i) {
            HTREEITEM item = tree.InsertItemShort(list[i].name, group);
            tree.SetItemData(item, position++);
            tree.AddItemImage(item, list[i].online ? online : offline, kImageLeftBack);
            if (list[i].online && i % 2 == 0)
                tree.AddItemImage(item, video, kImageRightBack);
            tree.SetItemTip(item, list[i].tip);
            if (!list[i].online)
                tree.SetItemTextColor(item, RGB(110, 110, 110));
            contacts.push_back(item);
        }
        tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(group));
        return group;
    };
    tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(service));
    firstGroup = addGroup("我的好友", -1001, friends, 5);
    secondGroup = addGroup("同事", -1002, colleagues, 3);
    HTREEITEM none = tree.InsertItemShort("未分组联系人", TVI_ROOT);
    tree.SetItemData(none, kCherryImageGroup);
    tree.SetItemFontStyle(none, 1, 0);
    (void)firstGroup;

    // Above the host's main window: the clicks below go to whatever lies
    // under the pointer.
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(window);
    ::SetFocus(tree);
    Pump(200);
    int saved = 0;

    // A multiple selection made as a person would: a click, then Ctrl clicks.
    ::SetCursorPos(LabelOnScreen(tree, contacts[0]).x, LabelOnScreen(tree, contacts[0]).y);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    Mouse(MOUSEEVENTF_LEFTUP);
    Pump(120);
    for (HTREEITEM item : {contacts[1], contacts[4]}) {
        const POINT pt = LabelOnScreen(tree, item);
        ::SetCursorPos(pt.x, pt.y);
        INPUT keys[4] = {};
        keys[0].type = keys[3].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
        keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
        keys[1].type = keys[2].type = INPUT_MOUSE;
        keys[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        keys[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ::SendInput(4, keys, sizeof(INPUT));
        Pump(120);
    }
    // Rest on a contact's picture until its tip shows.
    POINT rest = LabelOnScreen(tree, contacts[5]);
    if (const CherryItemLayout* layout = tree.FindLayout(contacts[5])) {
        rest = POINT{(layout->leftImages.left + layout->leftImages.right) / 2,
                     (layout->leftImages.top + layout->leftImages.bottom) / 2};
        ::ClientToScreen(tree, &rest);
    }
    ::SetCursorPos(rest.x, rest.y);
    Pump(50);
    ::SetCursorPos(rest.x + 2, rest.y);
    Pump(700);
    if (SaveScreenshot(folder + "\\cherry_tree.bmp")) {
        ++saved;
        std::fprintf(log, "screenshot cherry_tree\n");
    }

    // Mid-drag: a colleague carried onto the first group. The press runs the
    // tree's own mouse loop, so the rest of the gesture plays from a timer
    // that fires inside it.
    g_drag = DragPlay{};
    g_drag.from = LabelOnScreen(tree, contacts[7]);
    g_drag.to = LabelOnScreen(tree, contacts[2]);
    g_drag.shot = folder + "\\cherry_tree_drag.bmp";
    g_drag.tree = &tree;
    ::SetCursorPos(g_drag.from.x, g_drag.from.y);
    Pump(50);
    ::SetTimer(nullptr, 0, kDragTickMs, DragTick);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    for (int i = 0; i < 80 && !g_drag.done; ++i)
        Pump(50);
    Pump(100);
    if (g_drag.saved) {
        ++saved;
        std::fprintf(log, "screenshot cherry_tree_drag (dragging: %d)\n", g_drag.wasDragging ? 1 : 0);
    }
    (void)secondGroup;
    window.DestroyWindow();
    ::DeleteObject(font);
    for (HBITMAP b : {online, offline, video})
        ::DeleteObject(b);
    return saved;
}

}  // namespace cherry_demo
