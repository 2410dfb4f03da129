// Driving a modal dialog through one OK without a person: fill it in, press
// OK, answer every message box that comes up (noting its caption and text),
// then note whether the dialog is still open and close it with Cancel.
#pragma once

#include "support/ui_driver.h"

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

// Timed steps inside a dialog's own modal loop, so that keys and clicks go
// through the dialog manager as a person's would. Each step runs on the
// innermost dialog after its delay.
class StepRun {
public:
    struct Step {
        UINT delayMs;
        std::function<void(HWND dialog)> action;
    };
    explicit StepRun(std::vector<Step> steps);
    ~StepRun();
    StepRun(const StepRun&) = delete;
    StepRun& operator=(const StepRun&) = delete;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    void Arm();

    std::vector<Step> m_steps;
    size_t m_next = 0;
    UINT_PTR m_timer = 0;
};

}  // namespace testui
