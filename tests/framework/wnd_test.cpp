// CWnd: where the object lives, self-deletion, subclassing and reflection.
#include "framework/Wnd.h"
#include "support/ui_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kClass[] = "pelmo.test.Window";

// Records what reaches it; deletes itself on WM_NCDESTROY when asked to.
class Recorder : public CWnd {
public:
    explicit Recorder(std::vector<std::string>& log, bool selfDeleting = false)
        : m_log(log), m_selfDeleting(selfDeleting)
    {
    }
    ~Recorder() override { m_log.push_back("destructor"); }

    bool Create(HWND parent = nullptr)
    {
        RegisterWindowClass(kClass);
        DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW;
        return CreateEx(0, kClass, "recorder", style, RECT{0, 0, 200, 100}, parent, parent ? 7 : 0);
    }
    using CWnd::Default;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg) {
        case WM_NCDESTROY:
            m_log.push_back(std::string("WM_NCDESTROY object=") + (FromHandle(m_hWnd) == this ? "attached" : "gone"));
            break;
        case WM_USER + 1:
            // A nested send sees its own current message, then ours again.
            m_log.push_back("outer " + std::to_string(ThreadCurrentMessage().message - WM_USER));
            SendMessage(WM_USER + 2);
            m_log.push_back("outer " + std::to_string(ThreadCurrentMessage().message - WM_USER));
            return 11;
        case WM_USER + 2:
            m_log.push_back("inner " + std::to_string(ThreadCurrentMessage().message - WM_USER));
            return 0;
        }
        return CWnd::WindowProc(msg, wp, lp);
    }
    void PostNcDestroy() override
    {
        m_log.push_back(std::string("PostNcDestroy hwnd=") + (m_hWnd ? "set" : "null"));
        if (m_selfDeleting)
            delete this;
    }

private:
    std::vector<std::string>& m_log;
    bool m_selfDeleting;
};

// A control that swallows the notifications its parent hands back.
class NotifySink : public CWnd {
public:
    std::vector<UINT> reflected;

protected:
    bool OnReflectedMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        reflected.push_back(msg);
        result = 77;
        return msg == WM_NOTIFY;
    }
};

using Log = std::vector<std::string>;

}  // namespace

TEST(WindowObject, SelfDeletingWindowDetachesBeforeItDeletesItself)
{
    std::vector<std::string> log;
    auto* wnd = new Recorder(log, true);
    ASSERT_TRUE(wnd->Create());
    HWND hwnd = wnd->GetSafeHwnd();
    EXPECT_EQ(wnd, CWnd::FromHandle(hwnd));
    ::DestroyWindow(hwnd);
    EXPECT_EQ((Log{"WM_NCDESTROY object=attached", "PostNcDestroy hwnd=null", "destructor"}), log);
    EXPECT_EQ(nullptr, CWnd::FromHandle(hwnd));
}

TEST(WindowObject, ObjectDestroyedFirstTakesItsWindowWithIt)
{
    std::vector<std::string> log;
    HWND hwnd = nullptr;
    {
        Recorder wnd(log);
        ASSERT_TRUE(wnd.Create());
        hwnd = wnd.GetSafeHwnd();
    }
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ((Log{"destructor"}), log);
}

TEST(WindowObject, CurrentMessageIsRestoredAfterANestedSend)
{
    std::vector<std::string> log;
    Recorder wnd(log);
    ASSERT_TRUE(wnd.Create());
    EXPECT_EQ(11, wnd.SendMessage(WM_USER + 1));
    EXPECT_EQ((Log{"outer 1", "inner 2", "outer 1"}), log);
}

// Messages reaching the control and its procedure coming back are checked
// beside foreign subclasses in dispatch_test.
TEST(Subclassing, OneObjectPerWindowAndNoneOnceTheObjectHasGone)
{
    testui::TestParent parent;
    HWND edit = ::CreateWindowExA(0, "EDIT", "text", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, parent.Handle(), nullptr,
                                  nullptr, nullptr);
    {
        CWnd control;
        ASSERT_TRUE(control.SubclassWindow(edit));
        EXPECT_FALSE(CWnd().SubclassWindow(edit)) << "one object per window";
    }
    EXPECT_EQ(nullptr, CWnd::FromHandle(edit));
}

TEST(Subclassing, DestroyedControlDetachesItsObject)
{
    testui::TestParent parent;
    HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 100, 20, parent.Handle(), nullptr, nullptr, nullptr);
    CWnd control;
    ASSERT_TRUE(control.SubclassWindow(edit));
    ::DestroyWindow(edit);
    EXPECT_EQ(nullptr, control.GetSafeHwnd());
}

TEST(Reflection, NotificationsGoToTheSendingControlsObject)
{
    testui::TestParent parent;
    HWND child = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, parent.Handle(), reinterpret_cast<HMENU>(5),
                                   nullptr, nullptr);
    NotifySink sink;
    ASSERT_TRUE(sink.SubclassWindow(child));

    NMHDR hdr{child, 5, NM_CLICK};
    EXPECT_EQ(77, ::SendMessageA(parent.Handle(), WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&hdr)));
    ::SendMessageA(parent.Handle(), WM_COMMAND, MAKEWPARAM(5, STN_CLICKED), reinterpret_cast<LPARAM>(child));
    HDC dc = ::GetDC(child);
    ::SendMessageA(parent.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
    ::ReleaseDC(child, dc);
    // A notification naming another window is not handed to this control.
    NMHDR other{parent.Handle(), 0, NM_CLICK};
    ::SendMessageA(parent.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&other));

    EXPECT_EQ((std::vector<UINT>{WM_NOTIFY, WM_COMMAND, WM_CTLCOLORSTATIC}), sink.reflected);
    ASSERT_EQ(1u, parent.commands.size()) << "the parent still sees commands the control did not swallow";
}
