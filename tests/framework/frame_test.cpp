// Frames and panes: command routing and the update pass, and the lifetime
// rule for a frame with member child windows.
#include "framework/Frame.h"
#include "support/msg_sequence.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kCmdShared = 40001;  // the focused pane's when it can, else the frame's
constexpr UINT kCmdFrameOnly = 40002;
constexpr UINT kCmdNobody = 40003;

// A pane: claims kCmdShared only when `handles` is set.
class Pane : public CWnd {
public:
    Pane(const char* name, std::vector<std::string>& log) : m_name(name), m_log(log) {}
    bool handles = false;

    bool Create(HWND parent)
    {
        RegisterWindowClass("pelmo.test.Pane", CS_DBLCLKS, ::GetSysColorBrush(COLOR_WINDOW));
        return CreateEx(WS_EX_CLIENTEDGE, "pelmo.test.Pane", m_name, WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                        RECT{0, 0, 10, 10}, parent, 0);
    }
    bool OnCommand(UINT id, UINT, HWND) override
    {
        if (id != kCmdShared || !handles)
            return false;
        m_log.push_back(std::string(m_name) + " " + std::to_string(id));
        return true;
    }
    bool OnUpdateCommand(CommandState& state) override
    {
        if (state.id != kCmdShared || !handles)
            return false;
        state.checked = true;
        return true;
    }

private:
    const char* m_name;
    std::vector<std::string>& m_log;
};

class RoutingFrame : public CFrameWnd {
public:
    explicit RoutingFrame(std::vector<std::string>& log) : m_log(log), left("left", log), right("right", log) {}
    bool Build()
    {
        Menu menu(::CreateMenu());
        HMENU popup = ::CreatePopupMenu();
        ::AppendMenuA(popup, MF_STRING, kCmdShared, "shared");
        ::AppendMenuA(popup, MF_STRING, kCmdFrameOnly, "frame");
        ::AppendMenuA(popup, MF_STRING, kCmdNobody, "nobody");
        ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&Edit");
        if (!Create("frame", RECT{60, 60, 460, 300}, nullptr, menu.Release()))
            return false;
        CreateToolBar({{kCmdShared, STD_COPY}, {0, 0}, {kCmdFrameOnly, STD_PASTE}, {kCmdNobody, STD_DELETE}},
                      ThisModule());
        splitter.Create(m_hWnd);
        left.Create(splitter);
        right.Create(splitter);
        splitter.SetPanes(&left, &right);
        SetView(&splitter);
        return true;
    }
    bool OnCommand(UINT id, UINT, HWND) override
    {
        if (id != kCmdShared && id != kCmdFrameOnly)
            return false;
        m_log.push_back("frame " + std::to_string(id));
        return true;
    }
    bool OnUpdateCommand(CommandState& state) override { return state.id == kCmdShared || state.id == kCmdFrameOnly; }

    std::vector<std::string>& m_log;
    CSplitter splitter;
    Pane left, right;
};

bool ButtonEnabled(CToolBar& bar, UINT id)
{
    return bar.SendMessage(TB_ISBUTTONENABLED, id) != 0;
}

UINT MenuState(HMENU popup, UINT id)
{
    return ::GetMenuState(popup, id, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED);
}

}  // namespace

TEST(CommandRouting, FocusedPaneFirstThenTheFrameAndNobodysCommandIsDisabled)
{
    std::vector<std::string> log;
    auto* frame = new RoutingFrame(log);
    ASSERT_TRUE(frame->Build());
    HWND hwnd = *frame;
    ::ShowWindow(hwnd, SW_SHOW);
    frame->left.handles = true;

    ::SetFocus(frame->left);
    ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(kCmdShared, 0), 0);  // menu
    ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(kCmdShared, BN_CLICKED),
                   reinterpret_cast<LPARAM>(frame->ToolBar().GetSafeHwnd()));  // tool bar
    ::SetFocus(frame->right);
    ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(kCmdShared, 1), 0);  // accelerator
    ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(kCmdFrameOnly, 0), 0);
    const std::string shared = std::to_string(kCmdShared);
    EXPECT_EQ((std::vector<std::string>{"left " + shared, "left " + shared, "frame " + shared,
                                        "frame " + std::to_string(kCmdFrameOnly)}),
              log);

    // The update pass: the tool bar after a command, the menu before it opens.
    EXPECT_TRUE(ButtonEnabled(frame->ToolBar(), kCmdShared));
    EXPECT_TRUE(ButtonEnabled(frame->ToolBar(), kCmdFrameOnly));
    EXPECT_FALSE(ButtonEnabled(frame->ToolBar(), kCmdNobody)) << "a command nobody handles stays enabled";
    HMENU popup = ::GetSubMenu(::GetMenu(hwnd), 0);
    ::SendMessageA(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    EXPECT_EQ(0u, MenuState(popup, kCmdShared)) << "the frame's, unchecked, while the right pane has the focus";
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), MenuState(popup, kCmdNobody));
    ::SetFocus(frame->left);
    ::SendMessageA(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), MenuState(popup, kCmdShared)) << "the left pane's answer";

    ::DestroyWindow(hwnd);  // the frame deletes itself
}

namespace {

// Notes any message that reaches an object whose destructor has started.
struct Lifetime {
    std::vector<std::string> late;
    std::vector<std::string> destroyed;
};

class WatchedControl : public CWnd {
public:
    WatchedControl(const char* name, Lifetime& life) : m_name(name), m_life(life) {}
    ~WatchedControl() override
    {
        m_dying = true;
        m_life.destroyed.push_back(m_name);
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (m_dying)
            m_life.late.push_back(m_name + (" " + testmsg::MessageName(msg)));
        return CWnd::WindowProc(msg, wp, lp);
    }

private:
    std::string m_name;
    Lifetime& m_life;
    bool m_dying = false;
};

// A frame whose members are child windows: a tree view (it notifies its
// parent of every item it deletes) in the splitter beside a pane.
class MemberFrame : public CFrameWnd {
public:
    explicit MemberFrame(Lifetime& life) : m_life(life), tree("tree", life), edit("edit", life) {}
    ~MemberFrame() override
    {
        m_dying = true;
        m_life.destroyed.push_back("frame");
    }
    bool Build(HWND owner)
    {
        if (!Create("members", RECT{80, 80, 400, 300}, owner))
            return false;
        CreateToolBar({{kCmdShared, STD_COPY}}, ThisModule());
        splitter.Create(m_hWnd);
        tree.SubclassWindow(::CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, splitter,
                                              nullptr, nullptr, nullptr));
        edit.SubclassWindow(
            ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, splitter, nullptr, nullptr, nullptr));
        TVINSERTSTRUCTA insert{};
        insert.hParent = TVI_ROOT;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>("item");
        tree.SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
        splitter.SetPanes(&tree, &edit);
        SetView(&splitter);
        return true;
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (m_dying)
            m_life.late.push_back("frame " + testmsg::MessageName(msg));
        return CFrameWnd::WindowProc(msg, wp, lp);
    }

private:
    Lifetime& m_life;
    bool m_dying = false;

public:
    CSplitter splitter;
    WatchedControl tree, edit;
};

}  // namespace

TEST(FrameLifetime, FrameWithMemberChildrenHearsNothingOnceItsDestructorStarts)
{
    for (const bool byOwner : {false, true}) {
        SCOPED_TRACE(byOwner ? "destroyed with its owner" : "destroyed by DestroyWindow");
        Lifetime life;
        HWND owner =
            byOwner ? ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)
                    : nullptr;
        auto* frame = new MemberFrame(life);
        ASSERT_TRUE(frame->Build(owner));
        HWND hwnd = *frame;
        ::ShowWindow(hwnd, SW_SHOW);
        testui::Pump(30);

        ::DestroyWindow(byOwner ? owner : hwnd);
        EXPECT_FALSE(::IsWindow(hwnd));
        EXPECT_EQ(nullptr, CWnd::FromHandle(hwnd));
        EXPECT_EQ((std::vector<std::string>{"frame", "edit", "tree"}), life.destroyed)
            << "the frame deletes itself, then its members go";
        EXPECT_TRUE(life.late.empty()) << "late: " << (life.late.empty() ? "" : life.late.front());
    }
}
