#include "core/user_notice.h"

#include <utility>
#include <vector>

namespace {

// Used on the host's user-interface thread only.
UserNoticeSink* g_sink = nullptr;
int g_deferrals = 0;
std::vector<UserNotice> g_waiting;

void Tell(UserNotice notice)
{
    if (g_deferrals > 0) {
        g_waiting.push_back(std::move(notice));
        return;
    }
    if (g_sink)
        g_sink->Show(notice);
}

}  // namespace

UserNoticeSink* SetUserNoticeSink(UserNoticeSink* sink)
{
    return std::exchange(g_sink, sink);
}

void TellSystemMessage(const std::string& text)
{
    UserNotice notice;
    notice.kind = UserNotice::Kind::kSystem;
    notice.text = text;
    Tell(std::move(notice));
}

void TellInfo(unsigned textId, unsigned captionId)
{
    UserNotice notice;
    notice.kind = UserNotice::Kind::kInfo;
    notice.textId = textId;
    notice.captionId = captionId;
    Tell(std::move(notice));
}

NoticeDeferral::NoticeDeferral()
{
    ++g_deferrals;
}

NoticeDeferral::~NoticeDeferral()
{
    if (--g_deferrals > 0)
        return;
    // Taken out before the first box: a call that re-enters from the box
    // starts with an empty queue of its own.
    std::vector<UserNotice> due = std::exchange(g_waiting, {});
    for (const UserNotice& notice : due)
        if (g_sink)
            g_sink->Show(notice);
}
