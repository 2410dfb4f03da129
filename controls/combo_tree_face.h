// The face of a combo tree box: its read-only text field and drop button.
//
// Both are child windows of the box; they report clicks and keys to it and
// draw themselves from the notifications the box reflects back to them.
#pragma once

#include "framework/Gdi.h"
#include "framework/Wnd.h"

class CComboTree;

// The read-only text field, which draws its own text.
class CComboTreeEdit : public CWnd {
public:
    explicit CComboTreeEdit(CComboTree& box) : m_box(box) {}
    void SetBackground(COLORREF colour);
    COLORREF Background() const { return m_background; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void OnPaint();

    CComboTree& m_box;
    COLORREF m_background = ::GetSysColor(COLOR_WINDOW);
    Brush m_brush;          // m_background, made when the colour changes
    Brush m_disabledBrush;  // the face colour, made on first use
};

// The drop button: the system's combo-box arrow.
class CComboTreeButton : public CWnd {
public:
    explicit CComboTreeButton(CComboTree& box) : m_box(box) {}

protected:
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    CComboTree& m_box;
};
