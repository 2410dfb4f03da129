// CPopupText: a one-line tip in the system tooltip colours, sized to its
// text, shown after a delay and gone as soon as the pointer leaves the window
// it belongs to or a button is pressed on it. It never takes activation.
//
// The module keeps one instance (ModulePopupText); its window is created on
// first use and the object is not deleted with its window, so an owner that
// destroys the popup with itself just leaves it to be created again.
//
// CTreeItemTip hooks a tree control and uses that instance to show the whole
// text of an item whose label the control cuts off.
#pragma once

#include "framework/SubclassWnd.h"
#include "framework/Gdi.h"
#include "framework/Wnd.h"

#include <commctrl.h>

#include <string>

class CPopupText : public CWnd {
public:
    static constexpr UINT kRightAligned = 0x1;  // Create flag
    static constexpr UINT_PTR kDelayTimer = 1;
    static constexpr UINT_PTR kWatchTimer = 2;
    static constexpr UINT kWatchPeriodMs = 200;
    static constexpr int kMarginX = 4;
    static constexpr int kMarginY = 4;

    CPopupText();

    // A hidden popup at `at` with no size, owned by `parent`. Bit 0 of
    // `flags` keeps the right edge in place when the text changes.
    bool Create(POINT at, HWND parent, UINT flags = 0, UINT id = 0);
    // Shows the tip after `delayMs` (at once for 0) and watches the pointer.
    void ShowDelayed(UINT delayMs);
    // Stops both timers and hides the tip.
    void Cancel();

    // The window the pointer may rest on besides the tip itself; the parent
    // unless a user of the shared instance names its own.
    void SetWatchedWindow(HWND hwnd) { m_watched = hwnd; }
    HWND WatchedWindow() const { return m_watched; }
    bool CancelledByLeave() const { return m_cancelledByLeave; }
    bool IsRightAligned() const { return m_rightAligned; }
    bool IsPending() const { return m_delayTimer != 0; }
    UINT Id() const { return m_id; }

    // The window rectangle for `text` measured as `textSize`: margins around
    // the text plus the border, anchored at `current`'s left edge, or at its
    // right edge when right-aligned; the top stays.
    static RECT FitToText(const RECT& current, SIZE textSize, bool rightAligned, SIZE border);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PostNcDestroy() override;

private:
    void OnSetText(const char* text);
    void OnPaint();
    void OnTimer(UINT_PTR id);
    void Show();
    bool PointerOnWatchedWindows() const;

    int m_marginX = kMarginX;
    int m_marginY = kMarginY;
    Font m_font;
    bool m_rightAligned = false;
    UINT_PTR m_delayTimer = 0;
    UINT_PTR m_watchTimer = 0;
    bool m_cancelledByLeave = false;
    HWND m_watched = nullptr;
    UINT m_id = 0;
};

// The library's one popup text.
CPopupText& ModulePopupText();

// Delay before an item tip appears.
constexpr UINT kItemTipDelayMs = 200;

// The hook on a tree control that shows cut-off item labels in full.
class CTreeItemTip : public CSubclassWnd {
public:
    // Hooks `tree` and makes sure the shared popup exists.
    bool Install(HWND tree);
    HWND Tree() const { return GetHookedWindow(); }

    // The label rectangle of `item` in client coordinates: the item's text
    // rectangle, widened to the text's extent in the control's font.
    static RECT LabelRect(HWND tree, HTREEITEM item, std::string* text = nullptr);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnMouseMove(POINT pt);

    int m_controlId = 0;
    HTREEITEM m_lastItem = nullptr;
};
