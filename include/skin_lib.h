/*
 * skin_lib.h - the dialog skin class of the skin library VombelGUI.dll.
 *
 * An exported C++ class: pelmo.dll imports its constructor, destructor and
 * the three operations. Both sides compile this one declaration, so the
 * object's size and virtual table agree. The stand-in under
 * standins/vombelgui implements it.
 */
#ifndef PELMO_SKIN_LIB_H
#define PELMO_SKIN_LIB_H

#include <windows.h>

#if defined(VOMBELGUI_BUILD)
#define VOMBELGUI_CLASS __declspec(dllexport)
#else
#define VOMBELGUI_CLASS __declspec(dllimport)
#endif

class VOMBELGUI_CLASS CSetDlgSkin {
public:
    CSetDlgSkin();
    virtual ~CSetDlgSkin();

    // Background of dialogs (0x00BBGGRR).
    COLORREF GetDlgBkColor();
    // Background of edit-like controls: edits, trees, lists, combo boxes.
    COLORREF GetEditBkColor();
    // Gives a push button the product's look; `style` is 0 for every caller.
    void SetButtonSkin(HWND button, int style);

private:
    CSetDlgSkin(const CSetDlgSkin&) = delete;
    CSetDlgSkin& operator=(const CSetDlgSkin&) = delete;

    COLORREF m_dialogColour;
    COLORREF m_editColour;
    void* m_reserved[4];  // room for the real library's skin state
};

#endif /* PELMO_SKIN_LIB_H */
