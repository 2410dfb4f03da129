// Dispatch: the current message across nested modal loops, subclassing next
// to foreign subclasses, the wider reflection, owner-drawn menus and keys of
// a modeless dialog inside a plain host loop.
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Keyboard.h"
#include "framework/OwnerDrawMenu.h"
#include "framework/Wnd.h"
#include "pelmo.h"
#include "resources/resource_ids.h"
#include "support/msg_sequence.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT WM_PROBE = WM_USER + 1;
using Entries = std::vector<testmsg::Entry>;
constexpr unsigned kArgs = testmsg::kWParam | testmsg::kLParam;

testmsg::Sequence g_seq;

// Someone else's window: it records the probes that reach its own procedure.
LRESULT CALLBACK ForeignProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PROBE || msg == WM_KEYDOWN)
        g_seq.Add("window", msg, wp, lp);
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakeForeignWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ForeignProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "pelmo.test.Foreign";
        registered = ::RegisterClassA(&wc) != 0;
    }
    return ::CreateWindowExA(0, "pelmo.test.Foreign", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

// Ours: records the probe, may run a modal dialog first, then passes it on.
class Watcher : public CWnd {
public:
    const void* nestedTemplate = nullptr;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_PROBE) {
            g_seq.Add("ours", msg, wp, lp);
            if (nestedTemplate) {
                CDialog nested;
                nested.InitModalIndirect(nestedTemplate, m_hWnd);
                testui::ModalDriver close([](HWND dialog) { testui::ClickButton(dialog, IDOK); });
                nested.DoModal();
            }
            return Default();
        }
        return CWnd::WindowProc(msg, wp, lp);
    }
};

// A subclass of someone else's making, installed and removed by hand.
WNDPROC g_beforeForeign = nullptr;

LRESULT CALLBACK ForeignSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PROBE)
        g_seq.Add("foreign", msg, wp, lp);
    return ::CallWindowProcA(g_beforeForeign, hwnd, msg, wp, lp);
}

class ForeignSubclass : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_seq.Clear();
        window = MakeForeignWindow();
        ASSERT_NE(nullptr, window);
        own = ::GetWindowLongPtrA(window, GWLP_WNDPROC);
    }
    void TearDown() override { ::DestroyWindow(window); }
    void InstallForeign()
    {
        g_beforeForeign = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForeignSubclassProc)));
    }
    // The foreign code puts back what it found, as such code does.
    void RemoveForeign() { ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_beforeForeign)); }
    testmsg::Sequence Heard()
    {
        g_seq.Clear();
        ::SendMessageA(window, WM_PROBE, 0, 0);
        return g_seq;
    }

    HWND window = nullptr;
    LONG_PTR own = 0;
};

}  // namespace

TEST(CurrentMessage, HandlerThatRunsANestedModalDialogThenDefaultForwardsItsOwnMessage)
{
    g_seq.Clear();
    HWND window = MakeForeignWindow();
    Watcher watcher;
    ASSERT_TRUE(watcher.SubclassWindow(window));
    watcher.nestedTemplate = getGlobalRes(IDD_MESSAGEBOX_SKIN, 5);
    ASSERT_NE(nullptr, watcher.nestedTemplate);

    ::SendMessageA(window, WM_PROBE, 21, 22);
    EXPECT_SEQUENCE(g_seq, (Entries{{"ours", WM_PROBE, 21, 22, kArgs}, {"window", WM_PROBE, 21, 22, kArgs}}),
                    "after a nested modal dialog, Default() forwards the handler's own message");
    watcher.UnsubclassWindow();
    ::DestroyWindow(window);
}

TEST_F(ForeignSubclass, OursRemovedWhileALaterForeignSubclassIsInstalledBothKeepWorking)
{
    Watcher ours;
    ASSERT_TRUE(ours.SubclassWindow(window));
    InstallForeign();
    EXPECT_SEQUENCE(Heard(), (Entries{{"foreign", WM_PROBE}, {"ours", WM_PROBE}, {"window", WM_PROBE}}), "both on");

    ours.UnsubclassWindow();
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(ForeignSubclassProc), ::GetWindowLongPtrA(window, GWLP_WNDPROC))
        << "removing ours undid the later subclass";
    EXPECT_SEQUENCE(Heard(), (Entries{{"foreign", WM_PROBE}, {"window", WM_PROBE}}), "ours gone, foreign stays");

    RemoveForeign();
    EXPECT_SEQUENCE(Heard(), (Entries{{"window", WM_PROBE}}), "foreign gone too");
    // The object can attach again to the same window.
    ASSERT_TRUE(ours.SubclassWindow(window));
    EXPECT_SEQUENCE(Heard(), (Entries{{"ours", WM_PROBE}, {"window", WM_PROBE}}), "ours again");
}

TEST_F(ForeignSubclass, LaterForeignSubclassRemovedFirstThenOursGivesTheWindowItsProcedure)
{
    Watcher ours;
    ASSERT_TRUE(ours.SubclassWindow(window));
    InstallForeign();
    RemoveForeign();
    EXPECT_SEQUENCE(Heard(), (Entries{{"ours", WM_PROBE}, {"window", WM_PROBE}}), "foreign gone");
    ours.UnsubclassWindow();
    EXPECT_EQ(own, ::GetWindowLongPtrA(window, GWLP_WNDPROC));
    EXPECT_SEQUENCE(Heard(), (Entries{{"window", WM_PROBE}}), "both gone");
}

TEST_F(ForeignSubclass, OursOnTopOfAnEarlierForeignSubclassLeavesItInPlace)
{
    InstallForeign();
    {
        Watcher ours;
        ASSERT_TRUE(ours.SubclassWindow(window));
        EXPECT_SEQUENCE(Heard(), (Entries{{"ours", WM_PROBE}, {"foreign", WM_PROBE}, {"window", WM_PROBE}}), "both on");
    }
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(ForeignSubclassProc), ::GetWindowLongPtrA(window, GWLP_WNDPROC));
    EXPECT_SEQUENCE(Heard(), (Entries{{"foreign", WM_PROBE}, {"window", WM_PROBE}}), "ours gone with its object");
    RemoveForeign();
}

namespace {

class ReflectSink : public CWnd {
public:
    std::vector<UINT> reflected;

protected:
    bool OnReflectedMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        reflected.push_back(msg);
        result = 5;
        return true;
    }
};

// One owner-drawn menu item of ours; counts what reaches it.
class CountingItem : public COwnerDrawMenuItem {
public:
    int measured = 0;
    int drawn = 0;
    void Measure(MEASUREITEMSTRUCT& m) override
    {
        ++measured;
        m.itemWidth = 80;
        m.itemHeight = 18;
    }
    void Draw(const DRAWITEMSTRUCT& d) override
    {
        ++drawn;
        ::FillRect(d.hDC, &d.rcItem, ::GetSysColorBrush(COLOR_MENU));
    }
};

}  // namespace

TEST(Reflection, ItemScrollAndDeleteMessagesGoToTheControlAndMenuItemsToTheMenuSeam)
{
    testui::TestParent parent;
    HWND child = ::CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 0, 0, 50, 50, parent.Handle(),
                                   reinterpret_cast<HMENU>(9), nullptr, nullptr);
    ReflectSink sink;
    ASSERT_TRUE(sink.SubclassWindow(child));

    DELETEITEMSTRUCT del{ODT_LISTBOX, 9, 0, child, 0};
    COMPAREITEMSTRUCT cmp{ODT_LISTBOX, 9, child};
    ::SendMessageA(parent.Handle(), WM_DELETEITEM, 9, reinterpret_cast<LPARAM>(&del));
    EXPECT_EQ(5, ::SendMessageA(parent.Handle(), WM_COMPAREITEM, 9, reinterpret_cast<LPARAM>(&cmp)));
    ::SendMessageA(parent.Handle(), WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(child));
    ::SendMessageA(parent.Handle(), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(child));
    ::SendMessageA(parent.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);  // the parent's own scroll bar

    // A menu item's draw message names no control: ours is drawn, foreign data is left alone.
    CountingItem item;
    DRAWITEMSTRUCT draw{ODT_MENU,       0, 1, ODA_DRAWENTIRE, 0, nullptr, ::GetDC(parent.Handle()), RECT{0, 0, 10, 10},
                        item.ItemData()};
    EXPECT_EQ(TRUE, ::SendMessageA(parent.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
    draw.itemData = 0x7FFF1234;  // would crash if dereferenced
    EXPECT_EQ(FALSE, ::SendMessageA(parent.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
    ::ReleaseDC(parent.Handle(), draw.hDC);

    EXPECT_EQ((std::vector<UINT>{WM_DELETEITEM, WM_COMPAREITEM, WM_HSCROLL, WM_VSCROLL}), sink.reflected);
    EXPECT_EQ(1, item.drawn);
}

namespace {

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

}  // namespace

TEST(OwnerDrawMenu, PopupWithForeignItemDataInAnotherItemShowsOursAndSurvives)
{
    CountingItem item;
    Menu menu(::CreatePopupMenu());
    ::AppendMenuA(menu, MF_OWNERDRAW, 101, reinterpret_cast<const char*>(item.ItemData()));
    // Item data of someone else's making: neither a live item nor memory we may read.
    ::AppendMenuA(menu, MF_OWNERDRAW, 102, reinterpret_cast<const char*>(static_cast<ULONG_PTR>(0x7FFF1234)));
    ::AppendMenuA(menu, MF_STRING, 103, "plain");

    PopupCallbacks callbacks;
    callbacks.onInitPopup = [&](HMENU popup) { EXPECT_EQ(menu.Get(), popup); };
    ::SetTimer(nullptr, 0, 300, CloseMenu);
    EXPECT_EQ(0u, TrackOwnerDrawPopup(menu, POINT{50, 50}, TPM_LEFTALIGN, callbacks)) << "closed without a choice";
    EXPECT_GE(item.measured, 1);
    EXPECT_GE(item.drawn, 1);
    EXPECT_EQ(nullptr, COwnerDrawMenuItem::FromItemData(0x7FFF1234));
}

namespace {

// A modeless dialog of ours on the message box template (a text and two buttons).
class Modeless : public CDialog {
public:
    int cancelled = 0;

protected:
    void OnCancel() override
    {
        ++cancelled;
        CDialog::OnCancel();
    }
};

// The host's loop: no IsDialogMessage, no accelerators.
void PlainHostLoop()
{
    ::PostQuitMessage(0);
    MSG m;
    while (::GetMessageA(&m, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&m);
        ::DispatchMessageA(&m);
    }
}

void PostKey(HWND to, WPARAM key)
{
    ::PostMessageA(to, WM_KEYDOWN, key, 1);
    ::PostMessageA(to, WM_KEYUP, key, 0xC0000001);
}

}  // namespace

TEST(ModelessKeys, TabAndEscapeWorkInsideAPlainHostLoopForOurDialogOnly)
{
    testui::TestParent host;
    Modeless dialog;
    ASSERT_TRUE(dialog.CreateIndirect(getGlobalRes(IDD_MESSAGEBOX_SKIN, 5), host.Handle()));
    HWND hwnd = dialog.GetSafeHwnd();
    EXPECT_TRUE(keyboard::FilterInstalled());
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetActiveWindow(hwnd);
    ::SetFocus(::GetDlgItem(hwnd, IDOK));

    PostKey(::GetDlgItem(hwnd, IDOK), VK_TAB);
    PlainHostLoop();
    EXPECT_EQ(::GetDlgItem(hwnd, IDCANCEL), ::GetFocus()) << "Tab moves to the next button";

    // A key for the host's own window passes untouched.
    // Keys of the host's windows pass untouched.
    HWND foreign = MakeForeignWindow();
    g_seq.Clear();
    PostKey(foreign, VK_ESCAPE);
    PlainHostLoop();
    EXPECT_SEQUENCE(g_seq, (Entries{{"window", WM_KEYDOWN, VK_ESCAPE, 0, testmsg::kWParam}}), "a host window's key");
    EXPECT_TRUE(::IsWindow(hwnd));
    ::DestroyWindow(foreign);

    PostKey(::GetFocus(), VK_ESCAPE);
    PlainHostLoop();
    EXPECT_EQ(1, dialog.cancelled);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(keyboard::FilterInstalled()) << "the filter goes with the last window";
}
