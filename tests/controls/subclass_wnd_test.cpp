// The subclassing hook chain: order, removal in any order, destruction.
#include "framework/SubclassWnd.h"
#include "framework/Wnd.h"
#include "support/msg_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

constexpr UINT WM_PROBE = WM_USER + 1;
constexpr UINT WM_SELF_REMOVE = WM_USER + 2;
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

TEST_F(SubclassHook, RemovingHooksInAnyOrderKeepsTheRestChainedAndTheLastRestoresTheProcedure)
{
    const LONG_PTR own = Proc();
    const char* names[] = {"hook A", "hook B", "hook C"};
    RecordingHook a(names[0]), b(names[1]), c(names[2]);
    RecordingHook* hooks[] = {&a, &b, &c};
    // Earliest first, latest first, middle first; the same objects hook again each time.
    for (const auto& order : {std::vector<int>{0, 1, 2}, std::vector<int>{2, 1, 0}, std::vector<int>{1, 0, 2}}) {
        SCOPED_TRACE(::testing::PrintToString(order));
        std::vector<int> left{0, 1, 2};
        for (RecordingHook* hook : hooks)
            hook->HookWindow(window);
        EXPECT_NE(own, Proc());
        for (int gone : order) {
            hooks[gone]->HookWindow(nullptr);
            EXPECT_FALSE(hooks[gone]->IsHooked());
            left.erase(std::find(left.begin(), left.end(), gone));
            Entries expected;
            for (auto i = left.rbegin(); i != left.rend(); ++i)
                expected.push_back({names[*i], WM_PROBE});
            expected.push_back({"window", WM_PROBE});
            EXPECT_SEQUENCE(Heard(), expected, std::string(names[gone]) + " removed");
        }
        EXPECT_EQ(own, Proc()) << "the window's own procedure is back";
        EXPECT_EQ(0, CSubclassWnd::HookCount(window));
    }
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
