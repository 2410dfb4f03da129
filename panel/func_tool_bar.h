// CFuncToolBar: the 60-pixel strip of four picture buttons across the top
// of a host window. It acts on nothing itself: every button becomes a
// message to the host. Of the first two buttons the bar's mode marks one
// as the current function, which shows one face and posts nothing. The
// object deletes itself once its window is gone (PostNcDestroy).
#pragma once

#include "controls/skin_button.h"
#include "framework/Gdi.h"
#include "framework/Wnd.h"

constexpr UINT kToolBarId = 3100;
constexpr int kToolBarStripHeight = 60;
constexpr UINT kToolCallId = 7021;
constexpr UINT kToolMessageId = 7022;
constexpr UINT kToolSettingsId = 7036;
constexpr UINT kToolContactsId = 7037;
// Commands without a button that other windows send to the bar.
constexpr UINT kToolCmdFirst = 7023;
constexpr UINT kToolCmdLast = 7027;
constexpr UINT kWmToolSettings = WM_APP + 1;      // to the main window
constexpr UINT kWmToolContacts = WM_USER + 0x2C;  // to the parent
constexpr WPARAM kToolSettingsCode = 2;
constexpr LPARAM kToolSettingsValue = 517;

class CFuncToolBar : public CWnd {
public:
    explicit CFuncToolBar(UINT mode) : m_mode(mode) {}

    // The bar across the top of `parent`; the one already there when the
    // parent has a bar; null when it cannot be made.
    static CFuncToolBar* Open(HWND parent, UINT mode);

    UINT Mode() const { return m_mode; }
    void SetMode(UINT mode);
    CSkinButton& Button(int index) { return m_buttons[index]; }

    bool OnCommand(UINT id, UINT code, HWND control) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(NMHDR& header) override;
    void PostNcDestroy() override { delete this; }

private:
    int OnCreate();
    BOOL OnEraseBackground(HDC dc);
    void SkinButtons();
    void PostNotice(WPARAM code) const;

    ImageList m_images[2];
    CSkinButton m_buttons[4];
    HWND m_parentWindow = nullptr;
    HWND m_notifyWindow = nullptr;
    UINT m_notifyMessage = 0;
    UINT m_mode = 0;
    Bitmap m_leftImage;
    Bitmap m_rightImage;
};
