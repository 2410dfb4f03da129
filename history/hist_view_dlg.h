// CHistViewDlg: the history viewer, a modeless top-level dialog over the
// history library's groups and entries. The object deletes itself when its
// window is destroyed (PostNcDestroy), after releasing the entry array.
#pragma once

#include "controls/skin_button.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "history/hist_model.h"
#include "skin_lib.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace histview {

constexpr POINT kWindowAt{240, 220};
constexpr SIZE kWindowSize{529, 375};
constexpr RECT kTreeRect{7, 8, 7 + 150, 8 + 292};
constexpr RECT kListRect{166, 8, 166 + 345, 8 + 292};
constexpr POINT kButtonAt[3] = {{200, 314}, {300, 314}, {400, 314}};  // add, delete, close
constexpr SIZE kButtonSize{96, 26};
// Open stands at the band's left, kept there on resize like the others.
constexpr POINT kOpenAt{16, 314};
constexpr SIZE kMinTrackSize{372, 238};
constexpr COLORREF kControlBack = RGB(239, 242, 249);
constexpr COLORREF kFace = RGB(230, 234, 245);
constexpr COLORREF kBand = RGB(211, 217, 236);
constexpr COLORREF kFrame = RGB(173, 181, 205);
constexpr COLORREF kIdleSelection = RGB(200, 210, 236);  // the chosen group while the tree has no focus
constexpr int kBandHeight = 40;
constexpr int kFrameWidth = 5;
constexpr DWORD kListExStyles = 0x30;  // header drag-and-drop, full-row select
// The block a host is handed has one zero byte more than the notice itself.
constexpr size_t kNoticeBlockSize = sizeof(HistEntryNotice) + 1;

// The window's new rectangle while the user drags `edge`: never smaller
// than the minimum, the dragged edge giving way.
RECT ClampSizing(RECT proposed, UINT edge, SIZE minimum);

}  // namespace histview

class CHistViewDlg : public CDialog {
public:
    explicit CHistViewDlg(const std::string& identity);
    ~CHistViewDlg() override;

    // Creates the window from template 7000 as a top-level window; false
    // (and the object to be deleted by the caller) when it could not.
    bool Open();

    // For tests and the demo: what the list shows now.
    const histview::Selection& Current() const { return m_current; }
    int EntryCount() const { return m_count; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(NMHDR& header) override;
    void PostNcDestroy() override;

private:
    struct Margins {
        int treeLeft = 0, treeTop = 0, treeToListGap = 0, treeBottom = 0;
        int listTop = 0, listRight = 0, listBottom = 0;
        SIZE buttonSize[4]{};  // add, delete, close, open
        int buttonRight[4]{}, buttonBottom[4]{};
        int openLeft = 0;
    };

    void PlaceControls();
    void SetUpButtons();
    void FillTree();
    void OnTreeSelection(LPARAM value);
    void LoadEntries();
    void ReleaseEntries();
    int SelectedEntry(unsigned captionId);
    void OnOpen();
    void OnDelete();
    void OnAdd();
    void RecordMargins();
    void OnSize();
    void OnSizing(UINT edge, RECT& rect);
    void OnPaint();
    LRESULT OnControlColour(UINT msg, HDC dc);
    LRESULT OnTreeCustomDraw(NMTVCUSTOMDRAW& draw);

    CSkinButton m_add, m_delete, m_open, m_close;
    Margins m_margins;
    int m_treeWidth = 0;
    HWND m_list = nullptr;
    HWND m_tree = nullptr;
    std::string m_identity;
    histview::Selection m_current;
    std::vector<histview::Category> m_categories;
    HistRecord* m_entries = nullptr;
    int m_count = 0;
    HWND m_notifyWindow = nullptr;
    UINT m_notifyMessage = 0;
    CSetDlgSkin m_skin;
    // The block of the last open: sent, then kept until the next open or the
    // viewer's end, so the host may still read it after its handler returns.
    std::unique_ptr<char[]> m_notice;
    Brush m_dialogBrush, m_editBrush;
};
