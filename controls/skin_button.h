// CSkinButton: the owner-drawn push button of the library's dialogs.
//
// It replaces a template push button (attach it with CDataExchange::Control
// or SubclassDlgItem) and draws two images, "in" while pointed at or
// pressed and "out" otherwise, each with one colour transparent, plus its
// caption. It can also act as a check box, open a popup menu or open an
// address instead of only sending a click.
#pragma once

#include "framework/Gdi.h"
#include "framework/Wnd.h"

#include <string>

class CSkinButton : public CWnd {
public:
    enum Align { kAlignCentre = 0, kAlignVertical = 1, kAlignHorizontal = 2, kAlignOverlap = 3, kAlignRightHalf = 4 };
    enum ColourIndex { kBackIn = 0, kForeIn, kBackOut, kForeOut, kBackFocus, kForeFocus, kColourCount };
    enum BitmapResult { kBitmapOk = 0, kBitmapUnreadable = 1, kBitmapNoMask = 2 };
    static constexpr int kAlignRefused = 4;

    // Placement of image and caption inside the client rectangle.
    struct Placement {
        RECT image;
        RECT caption;
    };
    static Placement PlaceImage(const RECT& client, SIZE image, bool hasCaption, int align, POINT origin, bool pressed,
                                bool checkBoxMode);

    CSkinButton();
    ~CSkinButton() override;

    void SetImageModule(HMODULE module) { m_imageModule = module; }
    int SetBitmaps(UINT inId, COLORREF inTransparent, UINT outId, COLORREF outTransparent);
    int SetBitmaps(HBITMAP in, COLORREF inTransparent, HBITMAP out, COLORREF outTransparent);
    int SetAlign(int align, bool repaint = true);
    int GetAlign() const { return m_align; }
    void SetImageOrigin(POINT origin) { m_origin = origin; }
    void SetFlat(bool flat) { m_flat = flat; }
    void SetDrawBorder(bool draw) { m_drawBorder = draw; }
    void SetAlwaysTrack(bool always) { m_alwaysTrack = always; }
    void SetBold(bool bold);
    void SetSingleLine(bool single) { m_singleLine = single; }
    void SetShowDisabledImage(bool show) { m_showDisabledImage = show; }
    void SetColour(ColourIndex index, COLORREF colour, bool repaint = true);
    void SetTooltipText(const std::string& text, bool activate = true);
    void SetTooltipFromCaption(bool activate = true) { SetTooltipText(GetWindowText(), activate); }
    void SetCheck(bool checked, bool repaint = true);
    bool GetCheck() const { return m_checked; }
    void SetURL(const char* address);
    const std::string& GetURL() const { return m_url; }
    void SetMenu(HMENU menu, HWND owner);
    void SetCursor(HCURSOR cursor) { m_cursor = cursor; }

    bool IsCheckBoxMode() const { return m_checkBoxMode; }
    bool IsDefaultButton() const { return m_default; }
    bool IsOver() const { return m_over; }
    HWND Tooltip() const { return m_tooltip; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void PreSubclassWindow() override;

private:
    struct Image {
        Bitmap picture;  // transparent pixels turned black for the OR pass
        Bitmap mask;     // 1 where the background shows through
        int width = 0;
        int height = 0;
    };

    void OnMouseMove(POINT pt);
    void LeaveOver();
    void OnEnable(bool enabled);
    void OnClicked();
    void OnDrawItem(const DRAWITEMSTRUCT& dis);
    void DrawImage(HDC dc, const Image& image, const RECT& at, bool disabled) const;
    void DrawCaption(HDC dc, RECT rect, const std::string& caption, bool pressed, bool disabled, COLORREF fore) const;
    static int MakeImage(HBITMAP source, COLORREF transparent, Image& image);

    Image m_in, m_out;
    HMODULE m_imageModule = nullptr;
    int m_align = kAlignCentre;
    POINT m_origin{3, 3};
    bool m_flat = true;
    bool m_drawBorder = true;
    bool m_alwaysTrack = true;
    bool m_over = false;
    bool m_pressed = false;
    bool m_focused = false;
    bool m_disabled = false;
    bool m_focusDropped = false;  // lost the focus to no window (disabling does that)
    bool m_default = false;
    bool m_checkBoxMode = false;
    bool m_checked = false;
    bool m_bold = false;
    bool m_singleLine = true;
    bool m_showDisabledImage = true;
    COLORREF m_colours[kColourCount];
    Font m_boldFont;
    HWND m_tooltip = nullptr;
    HCURSOR m_cursor = nullptr;
    HMENU m_menu = nullptr;
    HWND m_menuOwner = nullptr;
    std::string m_url;
};
