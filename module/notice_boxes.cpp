// The core's notices as the user sees them: the system message box for the
// fixed texts, the skinned information box for resource strings.
#include "core/user_notice.h"
#include "module/module_state.h"
#include "pelmo.h"

#include <windows.h>

namespace module {
namespace {

class NoticeBoxes : public UserNoticeSink {
public:
    void Show(const UserNotice& notice) override
    {
        if (notice.kind == UserNotice::Kind::kSystem)
            ::MessageBoxA(nullptr, notice.text.c_str(), nullptr, MB_OK | MB_ICONINFORMATION);
        else
            outPutInfo(notice.textId, notice.captionId, nullptr);
    }
};

NoticeBoxes g_boxes;

}  // namespace

void InstallNoticeBoxes()
{
    SetUserNoticeSink(&g_boxes);
}

void RemoveNoticeBoxes()
{
    SetUserNoticeSink(nullptr);
}

}  // namespace module
