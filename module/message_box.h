// CMessageBoxSkinDlg: the library's own message box, with fixed colours, a
// picture on the left, a text the box sizes itself to and skinned buttons.
#pragma once

#include "controls/skin_dialog.h"

#include <string>

namespace msgbox {

constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 26;
constexpr int kButtonTopFromBottom = 32;
constexpr int kButtonBottomFromBottom = 6;
constexpr int kTextMargin = 50;
constexpr int kPictureLeft = 16;
constexpr int kPictureHeightSlot = 105;

constexpr unsigned kOneButton = 0x1;
constexpr unsigned kSkinnedCancel = 0x2;

// Width and height the message needs: lines end at each line feed and at the
// end of the text; the width grows to a line's extent plus the external
// leading whenever that line is wider.
SIZE MeasureText(HDC dc, const std::string& text);

// Grows the window (screen) and text control (client) rectangles around their
// centre so `needed` plus the margin fits; they never shrink.
void GrowToFit(SIZE needed, RECT& window, RECT& text);

// Button rectangles for a client area of w x h.
void PlaceButtons(int w, int h, bool oneButton, RECT& ok, RECT& cancel);

int PictureTop(int clientHeight);

}  // namespace msgbox

class CMessageBoxSkinDlg : public CSkinDialog {
public:
    CMessageBoxSkinDlg(std::string text, std::string caption, unsigned style, std::string okCaption = {},
                       std::string cancelCaption = {});

    int PictureTop() const { return m_pictureTop; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnEraseBackground(HDC dc) override;

private:
    void Layout();

    CSkinButton m_ok;
    CSkinButton m_cancel;
    Bitmap m_picture;
    std::string m_text;
    std::string m_caption;
    std::string m_okCaption;
    std::string m_cancelCaption;
    unsigned m_style;
    int m_pictureTop = 0;
};
