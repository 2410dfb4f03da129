#include "manager/dialog_look.h"

#include "module/module_state.h"
#include "pelmo.h"
#include "resources/resource_ids.h"

namespace dialoglook {

namespace {
constexpr int kStringBuffer = 255;
}

void SetClientSize(HWND dialog, SIZE client)
{
    RECT frame{0, 0, client.cx, client.cy};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    ::SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MoveControl(HWND dialog, int id, const RECT& rect)
{
    if (HWND control = ::GetDlgItem(dialog, id))
        ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
}

std::string ResourceText(unsigned id)
{
    char buffer[kStringBuffer] = {};
    getGlobalStr(id, buffer, kStringBuffer);
    return buffer;
}

}  // namespace dialoglook
