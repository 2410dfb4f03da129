// CSkinDialog: the look the library's own dialogs share (the message box,
// the group and contact dialogs): a light face, a darker band along the
// bottom where the buttons stand, skinned buttons, labels on the face.
#pragma once

#include "controls/skin_button.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"

namespace skin {

constexpr COLORREF kBackground = RGB(230, 234, 248);
constexpr COLORREF kBand = RGB(211, 217, 236);
constexpr COLORREF kButtonTransparent = RGB(35, 38, 81);  // of both button images
constexpr int kBandHeight = 40;

}  // namespace skin

class CSkinDialog : public CDialog {
protected:
    CSkinDialog();

    // Erasing paints the face and the band; WM_CTLCOLORSTATIC, BTN and DLG
    // put the text on the face unless the control answers for itself.
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    virtual BOOL OnEraseBackground(HDC dc);

    // Text background and brush of the face, as a WM_CTLCOLOR* answer.
    LRESULT FaceColour(HDC dc) const;
    // Bold caption over the button images of the resource library.
    static void SkinButton(CSkinButton& button);
    // Centres the window over its owner (the work area without one), kept on screen.
    void CentreOverOwner() const;

    Brush m_backgroundBrush;
    Brush m_bandBrush;
};
