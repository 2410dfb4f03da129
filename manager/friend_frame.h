// CFriendFrmWnd: the address-book manager's top-level window, with
// CSplitterWndEx (group tree | contact list) and CFriendToolBar.
//
// Heap only: the frame deletes itself after its window is destroyed
// (CFrameWnd::PostNcDestroy); its destructor forgets it as the one manager
// window, so the pointer that showFriendMain hands out is never followed
// after the user closed the window.
#pragma once

#include "framework/Frame.h"
#include "manager/left_view.h"
#include "manager/manager_rules.h"
#include "manager/right_view.h"

// The splitter, painted in the manager's colour without 3-D edges, with a
// minimum width for its left column.
class CSplitterWndEx : public CSplitter {
public:
    static constexpr UINT kId = 0xE900;
    static constexpr COLORREF kColour = RGB(41, 74, 156);
    void SetMinimum(int width) { m_minimum = width; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnPaint();
    int m_minimum = 0;
};

// The toolbar: its tips are the strings whose ids are the buttons' commands,
// cut to what the tooltip's notification holds.
class CFriendToolBar : public CToolBar {
public:
    static constexpr UINT kId = 0xE800;
    void SetTipRange(UINT first, UINT last)
    {
        m_first = first;
        m_last = last;
    }
    bool OnTipText(NMHDR& header);

private:
    UINT m_first = 0;
    UINT m_last = 0;
};

class CFriendFrmWnd : public CFrameWnd {
public:
    static constexpr COLORREF kBackground = RGB(41, 66, 156);

    CFriendFrmWnd();
    ~CFriendFrmWnd() override;

    // The one manager window, or null.
    static CFriendFrmWnd* Current();
    // Creates and shows the window at `rect`; false when it could not be
    // made (the object is then gone: deleted by its window's end or here).
    static CFriendFrmWnd* Open(const RECT& rect);

    CLeftView& LeftView() { return m_left; }
    CRightView& RightView() { return m_right; }
    CSplitterWndEx& Splitter() { return m_splitter; }
    CFriendToolBar& Bar() { return m_bar; }

    CWnd* ActivePane() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnUpdateCommand(CommandState& state) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(NMHDR& header) override;

private:
    int OnCreate();
    void Layout();
    void OnRefresh(LPARAM groupId);

    Brush m_background;
    CSplitterWndEx m_splitter;
    CFriendToolBar m_bar;
    CLeftView m_left;
    CRightView m_right;
};
