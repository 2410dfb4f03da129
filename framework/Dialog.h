// CDialog: modal and modeless dialogs from in-memory templates.
//
// The dialog procedure only catches WM_INITDIALOG; there the object attaches
// itself to the dialog window by subclassing it, so from then on every
// message goes through WindowProc like any other CWnd, and LRESULTs
// (brushes of WM_CTLCOLOR*, for instance) are returned directly.
// The object pointer follows the CWnd rule (set at WM_INITDIALOG, cleared
// at the window's end), and so does the lifetime: the dialog ends (EndDialog,
// DestroyWindow) before its object goes. A modeless dialog takes its keys
// through the keyboard filter (Keyboard.h) while it exists, so Tab, arrows
// and Escape work inside a message loop that is not ours.
#pragma once

#include "framework/Wnd.h"

#include <string>

class CDialog;

// Moves values between dialog controls and members (one direction per pass).
class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate) : m_dialog(dialog), m_save(saveAndValidate) {}
    bool Saving() const { return m_save; }
    HWND Control(int id) const;

    void Text(int id, std::string& value);
    void Text(int id, int& value);
    // Attaches `control` to dialog item `id` on the first pass.
    void Control(int id, CWnd& control);

private:
    CDialog& m_dialog;
    bool m_save;
};

class CDialog : public CWnd {
public:
    CDialog() = default;

    // Prepares a modal run from `dialogTemplate` (DLGTEMPLATE or DLGTEMPLATEEX).
    // `initData` is optional class-library initialisation data (resource type 240).
    bool InitModalIndirect(const void* dialogTemplate, HWND parent, const void* initData = nullptr);
    // Runs the prepared modal dialog; the end code, or -1 when it cannot be created.
    INT_PTR DoModal();
    // Creates a modeless dialog.
    bool CreateIndirect(const void* dialogTemplate, HWND parent, const void* initData = nullptr);

    bool UpdateData(bool saveAndValidate);
    void EndDialog(INT_PTR result);
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    bool IsModal() const { return m_modal; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange&) {}
    virtual void OnOK();
    virtual void OnCancel();

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void ApplyInitData();

    const void* m_template = nullptr;
    const void* m_initData = nullptr;
    HWND m_parent = nullptr;
    bool m_modal = false;
};
