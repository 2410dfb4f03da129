// Driving a modal dialog through one OK without a person: fill it in, press
// OK, answer every message box that comes up (noting its caption and text),
// then note whether the dialog is still open and close it with Cancel.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testui {

struct SeenBox {
    std::string caption;
    std::string text;
};

class OkRun {
public:
    // `fill` runs once on the dialog before OK is pressed.
    explicit OkRun(std::function<void(HWND dialog)> fill);
    ~OkRun();
    OkRun(const OkRun&) = delete;
    OkRun& operator=(const OkRun&) = delete;

    // Message boxes in the order they appeared.
    const std::vector<SeenBox>& Boxes() const { return m_boxes; }
    std::vector<std::string> BoxTexts() const;
    // Whether the dialog was still open after the last box was answered.
    bool StayedOpen() const { return m_stayedOpen; }
    bool Finished() const { return m_phase == kDone; }
    HWND Dialog() const { return m_dialog; }
    // Runs on the dialog (still open) after the boxes, before Cancel.
    std::function<void(HWND dialog)> inspect;

private:
    enum Phase { kWaiting, kWatching, kDone };
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    void Tick();

    std::function<void(HWND)> m_fill;
    std::vector<SeenBox> m_boxes;
    HWND m_dialog = nullptr;
    Phase m_phase = kWaiting;
    int m_quietTicks = 0;
    bool m_stayedOpen = false;
    UINT_PTR m_timer = 0;
};

// The innermost dialog of this thread: visible, enabled, class #32770.
HWND InnermostDialog();

}  // namespace testui
