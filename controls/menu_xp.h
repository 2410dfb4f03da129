// CMenuXP: an owner-drawn popup menu in a classic or a flat "XP" look, with
// icons, tabbed accelerator texts, separators, column breaks and an optional
// title drawn as a vertical gradient bar along the left edge.
//
// The menu owns the CMenuXPItem objects appended to it and deletes them with
// itself. Its items reach it through the framework's owner-drawn menu seam
// (framework/OwnerDrawMenu.h), so the menu works whoever owns the window it
// pops up from; Track shows it with the seam's own hidden owner. The menu
// sizes and draws only item data that is one of its own items: the item's
// magic alone proves nothing about foreign data.
#pragma once

#include "framework/Gdi.h"
#include "framework/OwnerDrawMenu.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CMenuXP;

class CMenuXPItem : public COwnerDrawMenuItem {
public:
    static constexpr DWORD kMagic = 0x0505A0A0;

    CMenuXPItem() = default;
    CMenuXPItem(UINT id, std::string text, HICON icon = nullptr) : id(id), text(std::move(text)), icon(icon) {}
    ~CMenuXPItem() override;

    DWORD magic = kMagic;
    UINT id = 0;
    BYTE separator = 0;
    BYTE title = 0;
    BYTE imageOnly = 0;
    std::string text;      // a tab separates the right-aligned accelerator text
    HICON icon = nullptr;  // destroyed with the item
    int imageSize = 16;

    void Measure(MEASUREITEMSTRUCT& measure) override;
    void Draw(const DRAWITEMSTRUCT& draw) override;

private:
    friend class CMenuXP;
    CMenuXP* m_menu = nullptr;
};

namespace menu_xp {

// Colour `step` of `steps` from `from` to `to`, each channel interpolated
// to the nearest whole value; step 0 is `from`, step steps-1 is `to`.
COLORREF StepColour(COLORREF from, COLORREF to, int step, int steps);

// The colour of pixel (x, y) of a width x height gradient with at most
// `steps` (1..256) colours. Direction 0 runs top to bottom, 2 left to right,
// 1 from the top left and 3 from the top right corner. Every row (or column)
// gets its own step, so a gradient shorter than its step count is still
// complete from `from` to `to`.
COLORREF GradientPixel(COLORREF from, COLORREF to, int x, int y, int width, int height, int direction, int steps);

// A 32-bit bitmap of that gradient; null for an empty size.
HBITMAP CreateGradientBitmap(COLORREF from, COLORREF to, int width, int height, int direction, int steps);

// The text an accelerator adds after a tab: "Ctrl+", "Shift+", "Alt+" and
// the key's name (virtual keys) or the key itself as a character.
std::string AcceleratorText(const ACCEL& accel);

// The size an item asks for, given its text measured in the bold menu font,
// the system's menu height and check-mark width. Never negative.
SIZE ItemSize(const CMenuXPItem& item, SIZE text, SIZE proposed, int menuHeight, int checkWidth);

}  // namespace menu_xp

class CMenuXP {
public:
    enum Style : UINT { kClassic = 0, kXP = 2 };
    enum Colour : int {
        kBackground,
        kSelectedBackground,
        kText,
        kSelectedText,
        kDisabledText,
        kTitleTop,
        kTitleBottom,
        kIconColumn,
        kColourCount
    };

    // A new, empty popup menu in the classic style and the system colours.
    CMenuXP();
    virtual ~CMenuXP();
    CMenuXP(const CMenuXP&) = delete;
    CMenuXP& operator=(const CMenuXP&) = delete;

    HMENU Handle() const { return m_menu.Get(); }
    void SetStyle(UINT style) { m_style = style; }
    UINT GetStyle() const { return m_style; }
    void SetColour(int slot, COLORREF colour);
    COLORREF GetColour(int slot) const;

    // The side-bar title: an owner-drawn separator; the next item starts a
    // new column beside the bar.
    bool AppendTitle(std::unique_ptr<CMenuXPItem> item);
    // `flags` get MF_OWNERDRAW (and a pending column break); with `accel`
    // its key name is added to the text after a tab.
    bool AppendItem(UINT flags, std::unique_ptr<CMenuXPItem> item, const ACCEL* accel = nullptr);
    // Half a line high. Right after a title it takes the pending column
    // break, so the bar keeps a column of its own.
    bool AppendSeparatorXP();

    // WM_MEASUREITEM / WM_DRAWITEM for an item of this menu; false, with
    // nothing touched, for any other item data.
    bool MeasureItem(MEASUREITEMSTRUCT& measure) const;
    bool DrawItem(const DRAWITEMSTRUCT& draw) const;
    bool Owns(ULONG_PTR itemData) const;

    // Shows the menu at `screen` and returns the chosen command, 0 for none.
    UINT Track(POINT screen, UINT flags = TPM_LEFTALIGN | TPM_LEFTBUTTON, const PopupCallbacks& callbacks = {}) const;

    HFONT MenuFont() const { return m_font.Get(); }
    HFONT BoldFont() const { return m_boldFont.Get(); }

private:
    bool Append(UINT flags, UINT_PTR id, std::unique_ptr<CMenuXPItem> item);

    void DrawTitle(HDC dc, const CMenuXPItem& item, const RECT& rect) const;
    void DrawSeparator(HDC dc, const CMenuXPItem& item, const RECT& rect) const;
    void DrawBackground(HDC dc, const RECT& rect, bool selected, bool disabled) const;
    void DrawIconArea(HDC dc, const CMenuXPItem& item, const RECT& rect) const;
    void DrawButton(HDC dc, const RECT& cell, bool selected, bool disabled, bool checked) const;
    void DrawIcon(HDC dc, const CMenuXPItem& item, const RECT& cell, bool selected, bool disabled) const;
    void DrawCheckMark(HDC dc, const RECT& cell) const;
    void DrawMenuText(HDC dc, const CMenuXPItem& item, const RECT& rect, bool selected, bool disabled,
                      bool isDefault) const;
    void DrawTabbedText(HDC dc, const std::string& text, RECT rect) const;

    Menu m_menu;
    Brush m_background;  // the menu's own margins, in the item background colour
    Font m_font;
    Font m_boldFont;
    COLORREF m_colours[kColourCount];
    bool m_columnBreak = false;
    UINT m_style = kClassic;
    std::vector<std::unique_ptr<CMenuXPItem>> m_items;
};
