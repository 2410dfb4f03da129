// What the address book has to tell the user. The core only says what; the
// module layer shows it (a message box) through the sink it installs.
//
// Inside an export the notices wait (NoticeDeferral) until the export has
// finished its work: a box runs the host's messages, the host may call back
// into the library from a timer, and by then no state is half done.
#ifndef PELMO_CORE_USER_NOTICE_H
#define PELMO_CORE_USER_NOTICE_H

#include <string>

struct UserNotice {
    enum class Kind { kSystem, kInfo };
    Kind kind = Kind::kSystem;
    std::string text;     // kSystem: a fixed text in the system code page
    unsigned textId = 0;  // kInfo: resource strings of the information box
    unsigned captionId = 0;
};

class UserNoticeSink {
public:
    virtual ~UserNoticeSink() = default;
    virtual void Show(const UserNotice& notice) = 0;
};

// Installs `sink` (null: notices are dropped) and returns the one before.
UserNoticeSink* SetUserNoticeSink(UserNoticeSink* sink);

// The system's own message box with a fixed text.
void TellSystemMessage(const std::string& text);
// The information box with resource strings.
void TellInfo(unsigned textId, unsigned captionId);

// While one exists, notices are queued; the outermost one shows them when it
// goes. Declare it first in an export, so it goes last.
class NoticeDeferral {
public:
    NoticeDeferral();
    ~NoticeDeferral();
    NoticeDeferral(const NoticeDeferral&) = delete;
    NoticeDeferral& operator=(const NoticeDeferral&) = delete;
};

#endif
