#include "support/msg_sequence.h"

#include <algorithm>
#include <cstdio>

namespace testmsg {

Sequence Sequence::Only(const std::vector<UINT>& messages) const
{
    Sequence filtered;
    for (const Entry& e : m_entries)
        if (std::find(messages.begin(), messages.end(), e.message) != messages.end())
            filtered.m_entries.push_back(e);
    return filtered;
}

std::string MessageName(UINT message)
{
    static const struct {
        UINT id;
        const char* name;
    } names[] = {
        {WM_CREATE, "WM_CREATE"},
        {WM_DESTROY, "WM_DESTROY"},
        {WM_NCDESTROY, "WM_NCDESTROY"},
        {WM_MOVE, "WM_MOVE"},
        {WM_SIZE, "WM_SIZE"},
        {WM_SETTEXT, "WM_SETTEXT"},
        {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
        {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
        {WM_COMMAND, "WM_COMMAND"},
        {WM_NOTIFY, "WM_NOTIFY"},
        {WM_TIMER, "WM_TIMER"},
        {WM_PAINT, "WM_PAINT"},
        {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
        {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
        {WM_KEYDOWN, "WM_KEYDOWN"},
        {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
        {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"},
        {WM_ACTIVATE, "WM_ACTIVATE"},
    };
    for (const auto& n : names)
        if (n.id == message)
            return n.name;
    char text[32];
    if (message >= WM_USER && message < WM_APP)
        std::snprintf(text, sizeof text, "WM_USER+%u", message - WM_USER);
    else
        std::snprintf(text, sizeof text, "0x%04x", message);
    return text;
}

namespace {

std::string Describe(const Entry& e, bool withParams)
{
    char text[160];
    if (withParams)
        std::snprintf(text, sizeof text, "%-10s %-22s wp=%#llx lp=%#llx", e.who.c_str(), MessageName(e.message).c_str(),
                      static_cast<unsigned long long>(e.wParam), static_cast<unsigned long long>(e.lParam));
    else
        std::snprintf(text, sizeof text, "%-10s %s", e.who.c_str(), MessageName(e.message).c_str());
    return text;
}

bool Matches(const Entry& actual, const Entry& expected)
{
    if (actual.who != expected.who || actual.message != expected.message)
        return false;
    if ((expected.check & kWParam) && actual.wParam != expected.wParam)
        return false;
    if ((expected.check & kLParam) && actual.lParam != expected.lParam)
        return false;
    return true;
}

}  // namespace

std::string Compare(const Sequence& actual, const std::vector<Entry>& expected)
{
    const auto& got = actual.Entries();
    bool same = got.size() == expected.size();
    for (size_t i = 0; same && i < got.size(); ++i)
        same = Matches(got[i], expected[i]);
    if (same)
        return {};
    std::string report = "  #  expected                                 | actual\n";
    const size_t rows = std::max(got.size(), expected.size());
    for (size_t i = 0; i < rows; ++i) {
        std::string left = i < expected.size() ? Describe(expected[i], expected[i].check != kMsg) : "-";
        std::string right = i < got.size() ? Describe(got[i], i < expected.size() && expected[i].check != kMsg) : "-";
        const bool ok = i < got.size() && i < expected.size() && Matches(got[i], expected[i]);
        char line[400];
        std::snprintf(line, sizeof line, "%3zu %s %-40s | %s\n", i, ok ? " " : "*", left.c_str(), right.c_str());
        report += line;
    }
    return report;
}

}  // namespace testmsg
