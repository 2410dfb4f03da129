// CComboTreeParentHook: while a combo tree box is dropped down, watches the
// box's parent and closes the tree (as cancelled) when the parent moves, is
// clicked or gets a command that is not the box's own.
#pragma once

#include "framework/SubclassWnd.h"

class CComboTree;

class CComboTreeParentHook : public CSubclassWnd {
public:
    explicit CComboTreeParentHook(CComboTree& box) : m_box(box) {}
    // Whether the parent's message `msg` (already handled) closes the tree.
    static bool ClosesDropDown(UINT msg, WPARAM wp, LPARAM lp, HWND box);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    CComboTree& m_box;
};
