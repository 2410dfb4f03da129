// The skin library as far as pelmo relies on it: fixed colours.
#include "skin_lib.h"

namespace {
constexpr COLORREF kDialogBackground = RGB(230, 234, 245);
constexpr COLORREF kEditBackground = RGB(247, 249, 253);
}  // namespace

CSetDlgSkin::CSetDlgSkin() : m_dialogColour(kDialogBackground), m_editColour(kEditBackground), m_reserved{} {}

CSetDlgSkin::~CSetDlgSkin() = default;

COLORREF CSetDlgSkin::GetDlgBkColor()
{
    return m_dialogColour;
}

COLORREF CSetDlgSkin::GetEditBkColor()
{
    return m_editColour;
}

// Plain push buttons already look right on this skin.
void CSetDlgSkin::SetButtonSkin(HWND, int) {}
