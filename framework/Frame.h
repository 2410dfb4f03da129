// Frames and panes: CFrameWnd (menu, tool bar, one view laid out by
// RecalcLayout), CToolBar and CSplitter (a static splitter with two panes).
//
// Commands: a WM_COMMAND from the menu, the tool bar or an accelerator goes
// first to the active pane (the splitter's pane that has the focus, or had it
// last) and, when the pane does not carry it out, to the frame: each answers
// through CWnd::OnCommand. The update pass asks the same chain through
// CWnd::OnUpdateCommand; a command nobody claims is disabled. It runs before
// a menu of the frame opens (WM_INITMENUPOPUP) and for the tool bar when the
// frame idles (a short timer: the message loop is the host's, so there is no
// idle hook of ours) and after every routed command.
#pragma once

#include "framework/Gdi.h"
#include "framework/Wnd.h"

#include <commctrl.h>

#include <vector>

class CFrameWnd;

// The frame's tool bar. Tooltips are the string resources whose ids are the
// buttons' command ids.
class CToolBar : public CWnd {
public:
    struct Button {
        UINT command;  // 0 for a separator
        int image;     // index into the bar's images
    };

    // `images` null: the common controls' standard small images (STD_*).
    bool Create(HWND frame, const std::vector<Button>& buttons, HINSTANCE strings, ImageList images = ImageList());
    int Height() const;
    HWND Tooltips() const;
    // Asks the frame's update chain for each button's state.
    void UpdateButtons(CFrameWnd& frame);
    // Answers a tooltip's TTN_GETDISPINFO; false when it is not ours.
    bool OnTooltipText(NMHDR& header);

private:
    std::vector<Button> m_buttons;
    HINSTANCE m_strings = nullptr;
    ImageList m_images;
};

// A static splitter: two side-by-side panes and a bar the user drags.
class CSplitter : public CWnd {
public:
    static constexpr int kBarWidth = 5;

    bool Create(HWND parent, UINT id = 0);
    // The panes are windows whose parent is the splitter.
    void SetPanes(CWnd* left, CWnd* right);
    void SetPosition(int x);
    int Position() const { return m_position; }
    // The pane that has the focus, or else the one that had it last.
    CWnd* ActivePane();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Layout();
    RECT BarRect() const;
    void OnPaint();

    CWnd* m_panes[2] = {nullptr, nullptr};
    CWnd* m_lastActive = nullptr;
    int m_position = 150;
    bool m_dragging = false;
};

// A top-level frame. Heap only: it deletes itself in PostNcDestroy, so its
// members (tool bar, view, panes) go after all of its windows are gone.
class CFrameWnd : public CWnd {
public:
    static constexpr UINT_PTR kIdleTimer = 0x5F01;
    static constexpr UINT kIdleMs = 250;

    // `menu` becomes the frame's and goes with its window; `accelerators`
    // (kept by the caller) work inside a host's message loop too.
    bool Create(const char* title, const RECT& rect, HWND owner, HMENU menu = nullptr, HACCEL accelerators = nullptr);
    bool CreateToolBar(const std::vector<CToolBar::Button>& buttons, HINSTANCE strings, ImageList images = ImageList());
    CToolBar& ToolBar() { return m_toolBar; }
    // The window that fills the client area below the tool bar.
    void SetView(CWnd* view);
    void RecalcLayout();

    // Where commands go before the frame.
    virtual CWnd* ActivePane();
    // The routing chain: the active pane, then the frame.
    bool RouteCommand(UINT id, UINT code, HWND control);
    CommandState QueryCommand(UINT id);
    void UpdateMenu(HMENU popup);
    void UpdateToolBar();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(NMHDR& header) override;
    void PostNcDestroy() override;

private:
    CToolBar m_toolBar;
    CWnd* m_view = nullptr;
};
