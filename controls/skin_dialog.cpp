#include "controls/skin_dialog.h"

#include "core/resource_text.h"
#include "resources/resource_ids.h"

CSkinDialog::CSkinDialog()
    : m_backgroundBrush(::CreateSolidBrush(skin::kBackground)), m_bandBrush(::CreateSolidBrush(skin::kBand))
{
}

BOOL CSkinDialog::OnEraseBackground(HDC dc)
{
    const RECT client = GetClientRect();
    RECT upper = client, band = client;
    upper.bottom = band.top = client.bottom - skin::kBandHeight;
    ::FillRect(dc, &upper, m_backgroundBrush);
    ::FillRect(dc, &band, m_bandBrush);
    return TRUE;
}

LRESULT CSkinDialog::FaceColour(HDC dc) const
{
    ::SetBkColor(dc, skin::kBackground);
    return reinterpret_cast<LRESULT>(m_backgroundBrush.Get());
}

void CSkinDialog::SkinButton(CSkinButton& button)
{
    button.SetBold(true);
    button.SetAlign(CSkinButton::kAlignOverlap);
    button.SetImageModule(resources::Library());
    button.SetBitmaps(IDB_BUTTON_IN, skin::kButtonTransparent, IDB_BUTTON_OUT, skin::kButtonTransparent);
    // Whatever the images leave transparent shows the band they stand on.
    for (auto index : {CSkinButton::kBackIn, CSkinButton::kBackOut, CSkinButton::kBackFocus})
        button.SetColour(index, skin::kBand, false);
}

void CSkinDialog::CentreOverOwner() const
{
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT area = work;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    const RECT self = GetWindowRect();
    const int w = self.right - self.left, h = self.bottom - self.top;
    int left = area.left + (area.right - area.left - w) / 2;
    int top = area.top + (area.bottom - area.top - h) / 2;
    // Never off the screen, even over an owner near its edge.
    if (left + w > work.right)
        left = work.right - w;
    if (top + h > work.bottom)
        top = work.bottom - h;
    if (left < work.left)
        left = work.left;
    if (top < work.top)
        top = work.top;
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CSkinDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return OnEraseBackground(reinterpret_cast<HDC>(wp));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: {
        LRESULT reflected = 0;
        if (ReflectNotification(msg, wp, lp, reflected))
            return reflected;
        return FaceColour(reinterpret_cast<HDC>(wp));
    }
    }
    return CDialog::WindowProc(msg, wp, lp);
}
