// The look the manager's dialogs share: a light face, a darker band along
// the bottom where the buttons stand, and skinned OK and Cancel buttons.
#pragma once

#include "controls/skin_button.h"

#include <windows.h>

#include <string>

namespace dialoglook {

constexpr COLORREF kBackground = RGB(230, 234, 248);
constexpr COLORREF kBand = RGB(211, 217, 236);
constexpr COLORREF kButtonTransparent = RGB(35, 38, 81);
constexpr int kBandHeight = 40;
constexpr UINT kManagerCaption = 507;

// Fills the client area: the face, then the band.
void PaintFace(HWND dialog, HDC dc, HBRUSH background, HBRUSH band);
// Bold caption over the button images of the resource library.
void SkinButton(CSkinButton& button);
// Sizes the window so that its client area is `client`, keeping its place.
void SetClientSize(HWND dialog, SIZE client);
// Centres the window over its owner (over the work area without one).
void CentreOverOwner(HWND dialog);
void MoveControl(HWND dialog, int id, const RECT& rect);
std::string ResourceText(unsigned id);

}  // namespace dialoglook
