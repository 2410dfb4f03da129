#include "manager/dialog_look.h"

#include "module/module_state.h"
#include "pelmo.h"
#include "resources/resource_ids.h"

namespace dialoglook {

namespace {
constexpr int kStringBuffer = 255;
}

void PaintFace(HWND dialog, HDC dc, HBRUSH background, HBRUSH band)
{
    RECT client{};
    ::GetClientRect(dialog, &client);
    RECT upper = client, lower = client;
    upper.bottom = lower.top = client.bottom - kBandHeight;
    ::FillRect(dc, &upper, background);
    ::FillRect(dc, &lower, band);
}

void SkinButton(CSkinButton& button)
{
    button.SetBold(true);
    button.SetAlign(CSkinButton::kAlignOverlap);
    button.SetImageModule(module::ResourceLibrary());
    button.SetBitmaps(IDB_BUTTON_IN, kButtonTransparent, IDB_BUTTON_OUT, kButtonTransparent);
    // Whatever the images leave transparent shows the band they stand on.
    for (auto index : {CSkinButton::kBackIn, CSkinButton::kBackOut, CSkinButton::kBackFocus})
        button.SetColour(index, kBand, false);
}

void SetClientSize(HWND dialog, SIZE client)
{
    RECT frame{0, 0, client.cx, client.cy};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    ::SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOverOwner(HWND dialog)
{
    RECT area{};
    HWND owner = ::GetWindow(dialog, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT self{};
    ::GetWindowRect(dialog, &self);
    const int w = self.right - self.left, h = self.bottom - self.top;
    int left = area.left + (area.right - area.left - w) / 2;
    int top = area.top + (area.bottom - area.top - h) / 2;
    // Never off the screen, even over an owner near its edge.
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (left + w > work.right) left = work.right - w;
    if (top + h > work.bottom) top = work.bottom - h;
    if (left < work.left) left = work.left;
    if (top < work.top) top = work.top;
    ::SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
