// The subclassing hook chain: order, removal in any order, destruction.
#include "framework/SubclassWnd.h"
#include "framework/Wnd.h"
#include "support/msg_sequence.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr UINT WM_PROBE = WM_USER + 1;
constexpr UINT WM_SELF_REMOVE = WM_USER + 2;
constexpr UINT WM_OUTER = WM_USER + 5;
constexpr LRESULT kWindowAnswer = 0x5150;

testmsg::Sequence g_seq;

// A plain window of someone else's making: it records what reaches it.
LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PROBE:
    case WM_SELF_REMOVE:
        g_seq.Add("window", msg, wp, lp);
        return kWindowAnswer;
    case WM_DESTROY:
        g_seq.Add("window", msg);
        break;
    case WM_NCDESTROY:
        // What the window sees of its hooks when its end comes.
        g_seq.Add("window", msg, static_cast<WPARAM>(CSubclassWnd::HookCount(hwnd)),
                  ::GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(PlainProc));
        break;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakePlainWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "pelmo.test.Plain";
        ::RegisterClassA(&wc);
        registered = true;
    }
    return ::CreateWindowExA(0, "pelmo.test.Plain", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

class RecordingHook : public CSubclassWnd {
public:
    explicit RecordingHook(const char* name) : m_name(name) {}
    bool removeSelfOnProbe = false;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_PROBE || msg == WM_SELF_REMOVE || msg == WM_DESTROY || msg == WM_NCDESTROY)
            g_seq.Add(m_name, msg, wp, lp);
        if (msg == WM_SELF_REMOVE && removeSelfOnProbe)
            HookWindow(nullptr);
        return Default();
    }

private:
    const char* m_name;
};

const std::vector<UINT> kWatched{WM_PROBE, WM_SELF_REMOVE, WM_DESTROY, WM_NCDESTROY};
using Entries = std::vector<testmsg::Entry>;

class SubclassHook : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_seq.Clear();
        window = MakePlainWindow();
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override
    {
        if (::IsWindow(window))
            ::DestroyWindow(window);
    }
    LONG_PTR Proc() const { return ::GetWindowLongPtrA(window, GWLP_WNDPROC); }
    // What the chain hears of one WM_PROBE sent now.
    testmsg::Sequence Heard()
    {
        g_seq.Clear();
        ::SendMessageA(window, WM_PROBE, 0, 0);
        return g_seq.Only(kWatched);
    }

    HWND window = nullptr;
};

}  // namespace

TEST_F(SubclassHook, LaterHookHearsFirstThenEarlierThenTheWindow)
{
    RecordingHook a("hook A"), b("hook B");
    EXPECT_TRUE(a.HookWindow(window));
    EXPECT_TRUE(b.HookWindow(window));
    EXPECT_EQ(2, CSubclassWnd::HookCount(window));

    EXPECT_EQ(kWindowAnswer, ::SendMessageA(window, WM_PROBE, 7, 8)) << "the window's answer comes back through both";
    EXPECT_SEQUENCE(g_seq.Only(kWatched),
                    (Entries{{"hook B", WM_PROBE, 7, 8, testmsg::kWParam | testmsg::kLParam},
                                                 {"hook A", WM_PROBE, 7, 8, testmsg::kWParam | testmsg::kLParam},
                                                 {"window", WM_PROBE, 7, 8, testmsg::kWParam | testmsg::kLParam}}),
                    "two hooks, one message");
}

TEST_F(SubclassHook, RemovingTheEarlierHookKeepsTheLaterOneAndTheLastRemovalRestoresTheProcedure)
{
    const LONG_PTR own = Proc();
    RecordingHook a("hook A"), b("hook B");
    a.HookWindow(window);
    b.HookWindow(window);
    EXPECT_NE(own, Proc());

    a.HookWindow(nullptr);
    EXPECT_FALSE(a.IsHooked());
    EXPECT_SEQUENCE(Heard(), (Entries{{"hook B", WM_PROBE}, {"window", WM_PROBE}}), "earlier hook removed");

    b.HookWindow(nullptr);
    EXPECT_EQ(own, Proc()) << "the window's own procedure is back";
    EXPECT_EQ(0, CSubclassWnd::HookCount(window));
    EXPECT_SEQUENCE(Heard(), (Entries{{"window", WM_PROBE}}), "both removed");
}

TEST_F(SubclassHook, RemovingTheLaterHookKeepsTheEarlierOne)
{
    const LONG_PTR own = Proc();
    RecordingHook a("hook A"), b("hook B");
    a.HookWindow(window);
    b.HookWindow(window);

    b.HookWindow(nullptr);
    EXPECT_SEQUENCE(Heard(), (Entries{{"hook A", WM_PROBE}, {"window", WM_PROBE}}), "later hook removed");

    // The one left can go too, and a hook can come back.
    a.HookWindow(nullptr);
    EXPECT_EQ(own, Proc());
    b.HookWindow(window);
    EXPECT_SEQUENCE(Heard(), (Entries{{"hook B", WM_PROBE}, {"window", WM_PROBE}}), "hook installed again");
}

TEST_F(SubclassHook, MiddleHookOfThreeLeavesTheChainIntact)
{
    RecordingHook a("hook A"), b("hook B"), c("hook C");
    a.HookWindow(window);
    b.HookWindow(window);
    c.HookWindow(window);
    b.HookWindow(nullptr);
    EXPECT_SEQUENCE(Heard(), (Entries{{"hook C", WM_PROBE}, {"hook A", WM_PROBE}, {"window", WM_PROBE}}),
                    "middle hook removed");
}

TEST_F(SubclassHook, DestroyingAHookedWindowUnhooksEverythingBeforeItsOwnNcDestroy)
{
    auto a = std::make_unique<RecordingHook>("hook A");
    auto b = std::make_unique<RecordingHook>("hook B");
    a->HookWindow(window);
    b->HookWindow(window);

    ::DestroyWindow(window);
    // WM_DESTROY still travels the chain; WM_NCDESTROY reaches only the
    // window, which by then has its own procedure and no hooks (wParam 0,
    // lParam 1 in the record).
    EXPECT_SEQUENCE(g_seq.Only(kWatched),
                    (Entries{{"hook B", WM_DESTROY},
                                                 {"hook A", WM_DESTROY},
                                                 {"window", WM_DESTROY},
                                                 {"window", WM_NCDESTROY, 0, 1, testmsg::kWParam | testmsg::kLParam}}),
                    "destroying the hooked window");
    EXPECT_FALSE(a->IsHooked());
    EXPECT_FALSE(b->IsHooked());
    EXPECT_EQ(0, CSubclassWnd::HookCount(window));

    // Hook objects that outlive their window do nothing more.
    g_seq.Clear();
    a.reset();
    b.reset();
    EXPECT_TRUE(g_seq.Entries().empty());
}

TEST_F(SubclassHook, HookThatRemovesItselfMidMessageStillLetsTheWindowHearIt)
{
    RecordingHook a("hook A"), b("hook B");
    a.HookWindow(window);
    b.HookWindow(window);
    b.removeSelfOnProbe = true;

    EXPECT_EQ(kWindowAnswer, ::SendMessageA(window, WM_SELF_REMOVE, 0, 0));
    EXPECT_FALSE(b.IsHooked());
    EXPECT_SEQUENCE(g_seq.Only(kWatched), (Entries{{"hook B", WM_SELF_REMOVE}, {"window", WM_SELF_REMOVE}}),
                    "hook B leaves while handling a message");
    EXPECT_SEQUENCE(Heard(), (Entries{{"hook A", WM_PROBE}, {"window", WM_PROBE}}), "the next message");
}

namespace {

WNDPROC g_beforeLater = nullptr;

LRESULT CALLBACK LaterSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PROBE)
        g_seq.Add("later", msg);
    return ::CallWindowProcA(g_beforeLater, hwnd, msg, wp, lp);
}

}  // namespace

TEST_F(SubclassHook, WindowSubclassedAfterTheHookKeepsThatSubclassWhenTheHookLeaves)
{
    RecordingHook a("hook A");
    a.HookWindow(window);
    g_beforeLater = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LaterSubclassProc)));

    a.HookWindow(nullptr);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(LaterSubclassProc), Proc()) << "someone else's subclass was undone";
    EXPECT_SEQUENCE(Heard(), (Entries{{"later", WM_PROBE}, {"window", WM_PROBE}}), "hook gone, later subclass stays");

    // A new hook still chains in front of the window's own procedure.
    RecordingHook b("hook B");
    b.HookWindow(window);
    EXPECT_SEQUENCE(Heard(), (Entries{{"later", WM_PROBE}, {"hook B", WM_PROBE}, {"window", WM_PROBE}}),
                    "hook installed under a later subclass");
}

namespace {

// A framework window that sends a message to the hooked window while it
// handles one of its own, and notes what the current-message record says.
class Sender : public CWnd {
public:
    HWND target = nullptr;
    CurrentMessage afterNestedSend{};

    Sender()
    {
        RegisterWindowClass("pelmo.test.Sender");
        CreateEx(0, "pelmo.test.Sender", "", WS_OVERLAPPED, RECT{0, 0, 50, 50}, nullptr, 0);
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_OUTER) {
            ::SendMessageA(target, WM_PROBE, 3, 4);
            afterNestedSend = ThreadCurrentMessage();
            return 0;
        }
        return CWnd::WindowProc(msg, wp, lp);
    }
};

class CurrentMessageHook : public CSubclassWnd {
public:
    CurrentMessage seen{};

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_PROBE)
            seen = ThreadCurrentMessage();
        return CSubclassWnd::WindowProc(msg, wp, lp);
    }
};

}  // namespace

TEST_F(SubclassHook, HookSeesItsMessageAsTheCurrentOneAndTheSenderGetsItsOwnBack)
{
    CurrentMessageHook hook;
    hook.HookWindow(window);
    Sender sender;
    sender.target = window;

    ::SendMessageA(sender, WM_OUTER, 1, 2);

    EXPECT_EQ(window, hook.seen.hwnd);
    EXPECT_EQ(WM_PROBE, hook.seen.message);
    EXPECT_EQ(3u, hook.seen.wParam);
    EXPECT_EQ(4, hook.seen.lParam);
    EXPECT_EQ(sender.GetSafeHwnd(), sender.afterNestedSend.hwnd) << "record not restored after the hook";
    EXPECT_EQ(WM_OUTER, sender.afterNestedSend.message);
    EXPECT_EQ(1u, sender.afterNestedSend.wParam);
}
