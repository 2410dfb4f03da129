// CFlatEdit: an edit box that draws its own flat two-line frame.
//
// A box with a border (window border or client edge) gets an outer line in
// a steel blue, brighter while it has the focus, and an inner line that is
// white, or amber while the pointer is over it. A read-only or disabled box
// paints its inner line in the colour of its own content so it reads as a
// plain field. The frame is redrawn after every non-client paint and on each
// change of focus or hover.
#pragma once

#include "framework/Wnd.h"

class CFlatEdit : public CWnd {
public:
    static constexpr COLORREF kOuter = RGB(127, 157, 185);
    static constexpr COLORREF kOuterFocused = RGB(127, 157, 255);
    static constexpr COLORREF kInner = RGB(255, 255, 255);
    static constexpr COLORREF kInnerHover = RGB(253, 216, 137);

    struct FrameColours {
        COLORREF outer;
        COLORREF inner;
    };
    // The two frame colours for a box in this state; `content` is the colour
    // of the box's own face.
    static FrameColours ChooseColours(bool focused, bool hover, bool inert, COLORREF content);

    bool IsHover() const { return m_hover; }
    bool HasFrame() const;
    // Draws the frame now (it also follows every non-client paint).
    void DrawFrame();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnMouseMove();
    void OnMouseLeave();

    bool m_hover = false;
};
