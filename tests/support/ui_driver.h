// Driving windows without a person: pumping messages and acting on modal
// dialogs from inside their own message loop.
#pragma once

#include "framework/Wnd.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace testui {

// Dispatches this thread's messages for about `ms` milliseconds.
void Pump(DWORD ms = 50);

// The first visible dialog (class #32770) of this thread, or null.
HWND FindThreadDialog();
// The innermost dialog of this thread: visible, enabled, class #32770.
HWND InnermostDialog();

// Runs `action` on the first dialog this thread shows, from a timer that
// fires inside the dialog's modal loop. Expires with the object.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(HWND dialog)> action, UINT periodMs = 30);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;
    bool Ran() const { return m_ran; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    std::function<void(HWND)> m_action;
    UINT_PTR m_timer = 0;
    bool m_ran = false;
};

// Ways of closing a dialog as a person would.
void ClickButton(HWND dialog, int id);
void PressEscape(HWND dialog);
void CloseBox(HWND dialog);

// Input as a person gives it, through the system's input queue.
void PointerTo(POINT screen);                                     // moves the pointer and pumps a little
POINT Centre(HWND window);                                        // of the window, in screen coordinates
void Click();                                                     // left button down and up where the pointer is
void ClickOn(HWND window);                                        // at the window's centre, then pumps
void Keys(std::initializer_list<std::pair<WORD, bool>> strokes);  // (key, down)
void Press(WORD key);

std::string WindowText(HWND hwnd);
std::string ResourceText(unsigned id);  // from grell.dll, "" when missing
RECT ClientRectOf(HWND child);          // child rectangle in its parent's client coordinates

// What a person would notice wrong in a dialog: a visible control reaching
// out of the client area, a label or button text cut off by its control,
// OK or Cancel not standing in the bottom band. One line per fault.
std::vector<std::string> LayoutFaults(HWND dialog, int bandHeight = 40);
// Whether `picture` shows at `at` in the window's client area: the share of
// its pixels found there (0 to 1), after the window has repainted.
double PictureShown(HWND window, HBITMAP picture, POINT at);

// A framework top-level window for tests to parent controls to; it records
// the WM_COMMAND notifications it receives and reflects them like any CWnd.
class TestParent : public CWnd {
public:
    TestParent();
    HWND Handle() const { return m_hWnd; }
    std::vector<std::pair<int, int>> commands;  // (control id, notification code)

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace testui
