#include "support/dialog_run.h"

#include <map>

namespace testui {
namespace {

constexpr UINT kTickMs = 25;
constexpr int kQuietTicksToSettle = 6;
constexpr int kMessageBoxTextId = 8035;  // the skinned message box's text

std::map<UINT_PTR, OkRun*>& Runs()
{
    static std::map<UINT_PTR, OkRun*> runs;
    return runs;
}

std::map<UINT_PTR, StepRun*>& StepRuns()
{
    static std::map<UINT_PTR, StepRun*> runs;
    return runs;
}

}  // namespace

OkRun::OkRun(std::function<void(HWND)> fill) : m_fill(std::move(fill))
{
    m_timer = ::SetTimer(nullptr, 0, kTickMs, OnTimer);
    Runs()[m_timer] = this;
}

OkRun::~OkRun()
{
    if (m_timer) {
        ::KillTimer(nullptr, m_timer);
        Runs().erase(m_timer);
    }
}

std::vector<std::string> OkRun::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const auto& box : m_boxes)
        texts.push_back(box.text);
    return texts;
}

void CALLBACK OkRun::OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    auto it = Runs().find(id);
    if (it != Runs().end())
        it->second->Tick();
}

void OkRun::Tick()
{
    HWND top = InnermostDialog();
    switch (m_phase) {
    case kWaiting:
        if (!top)
            return;
        m_dialog = top;
        if (m_fill)
            m_fill(top);
        ::PostMessageA(::GetDlgItem(top, IDOK), BM_CLICK, 0, 0);
        m_phase = kWatching;
        break;
    case kWatching:
        if (!::IsWindow(m_dialog)) {
            m_stayedOpen = false;
            m_phase = kDone;
        } else if (top && top != m_dialog && ::GetDlgItem(top, kMessageBoxTextId)) {
            m_boxes.push_back(SeenBox{WindowText(top), WindowText(::GetDlgItem(top, kMessageBoxTextId))});
            ::PostMessageA(::GetDlgItem(top, IDOK), BM_CLICK, 0, 0);
            m_quietTicks = 0;
        } else if (top == m_dialog && ++m_quietTicks >= kQuietTicksToSettle) {
            m_stayedOpen = ::IsWindowVisible(m_dialog) != FALSE;
            ::PostMessageA(::GetDlgItem(m_dialog, IDCANCEL), BM_CLICK, 0, 0);
            m_phase = kDone;
        }
        break;
    case kDone:
        ::KillTimer(nullptr, m_timer);
        Runs().erase(m_timer);
        m_timer = 0;
        break;
    }
}

StepRun::StepRun(std::vector<Step> steps) : m_steps(std::move(steps))
{
    Arm();
}

StepRun::~StepRun()
{
    if (m_timer) {
        ::KillTimer(nullptr, m_timer);
        StepRuns().erase(m_timer);
    }
}

void StepRun::Arm()
{
    if (m_next >= m_steps.size())
        return;
    m_timer = ::SetTimer(nullptr, 0, m_steps[m_next].delayMs, OnTimer);
    StepRuns()[m_timer] = this;
}

void CALLBACK StepRun::OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    auto it = StepRuns().find(id);
    if (it == StepRuns().end())
        return;
    StepRun* run = it->second;
    StepRuns().erase(it);
    run->m_timer = 0;
    HWND dialog = InnermostDialog();
    const Step& step = run->m_steps[run->m_next++];
    if (dialog)
        step.action(dialog);
    run->Arm();
}

}  // namespace testui
