// Recording the messages windows and hooks see, and comparing the record
// with an expected table, in the manner of Wine's message tests: on a
// mismatch both sequences are printed side by side.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testmsg {

// Which fields of an expected entry are compared.
enum Check : unsigned { kMsg = 0, kWParam = 0x1, kLParam = 0x2 };

struct Entry {
    std::string who;  // "window", "hook A", "parent" ...
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    unsigned check = kMsg;
};

class Sequence {
public:
    void Add(const std::string& who, UINT message, WPARAM wp = 0, LPARAM lp = 0)
    {
        m_entries.push_back(Entry{who, message, wp, lp, kMsg});
    }
    void Clear() { m_entries.clear(); }
    const std::vector<Entry>& Entries() const { return m_entries; }
    // Only the entries whose message is in `messages`, in order.
    Sequence Only(const std::vector<UINT>& messages) const;

private:
    std::vector<Entry> m_entries;
};

// Empty when `actual` matches `expected` exactly, else a report of both.
std::string Compare(const Sequence& actual, const std::vector<Entry>& expected);

std::string MessageName(UINT message);

}  // namespace testmsg

// Use as EXPECT_SEQUENCE(recorded, {{"hook B", WM_USER}, ...}, "context").
#define EXPECT_SEQUENCE(actual, expected, context)                          \
    do {                                                                    \
        const std::string report_ = ::testmsg::Compare((actual), expected); \
        EXPECT_TRUE(report_.empty()) << (context) << "\n" << report_;       \
    } while (0)
