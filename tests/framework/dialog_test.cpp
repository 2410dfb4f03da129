// CDialog from in-memory templates: modal and modeless runs, data exchange.
#include "framework/Dialog.h"
#include "pelmo.h"
#include "resources/resource_ids.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

namespace {

// The message box template serves as a small dialog with one static and two buttons.
class TextDialog : public CDialog {
public:
    std::string text = "first";
    int initCalls = 0;

protected:
    BOOL OnInitDialog() override
    {
        ++initCalls;
        return CDialog::OnInitDialog();
    }
    void DoDataExchange(CDataExchange& dx) override { dx.Text(IDC_MESSAGEBOX_TEXT, text); }
};

}  // namespace

TEST(ModalDialog, RunsFromATemplateAndReturnsTheEndCode)
{
    TextDialog dialog;
    EXPECT_EQ(-1, dialog.DoModal()) << "no template yet";
    ASSERT_TRUE(dialog.InitModalIndirect(getGlobalRes(IDD_MESSAGEBOX_SKIN, 5), nullptr));
    std::string shown;
    testui::ModalDriver driver([&](HWND hwnd) {
        shown = testui::WindowText(::GetDlgItem(hwnd, IDC_MESSAGEBOX_TEXT));
        ::SetWindowTextA(::GetDlgItem(hwnd, IDC_MESSAGEBOX_TEXT), "edited");
        testui::ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ("first", shown);
    EXPECT_EQ("edited", dialog.text) << "OK saves the controls into the members";
    EXPECT_EQ(nullptr, dialog.GetSafeHwnd());

    testui::ModalDriver cancel([&](HWND hwnd) {
        ::SetWindowTextA(::GetDlgItem(hwnd, IDC_MESSAGEBOX_TEXT), "discarded");
        testui::PressEscape(hwnd);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ("edited", dialog.text) << "Cancel leaves the members alone";
    EXPECT_EQ(2, dialog.initCalls);
}

TEST(ModelessDialog, ExportCreatesItAndClosingDestroysIt)
{
    TextDialog dialog;
    ASSERT_EQ(1, initModelessDialog(&dialog, IDD_MESSAGEBOX_SKIN, nullptr));
    ASSERT_NE(nullptr, dialog.GetSafeHwnd());
    HWND hwnd = dialog.GetSafeHwnd();
    EXPECT_EQ("first", testui::WindowText(::GetDlgItem(hwnd, IDC_MESSAGEBOX_TEXT)));
    ::SendMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(nullptr, dialog.GetSafeHwnd());
}

TEST(ModelessDialog, MissingTemplateCreatesNothing)
{
    TextDialog dialog;
    EXPECT_EQ(1, initModelessDialog(&dialog, 9999, nullptr)) << "creation's own result is not passed on";
    EXPECT_EQ(nullptr, dialog.GetSafeHwnd());
    EXPECT_EQ(1, initModelDialog(&dialog, 9999, nullptr));
    EXPECT_EQ(-1, dialog.DoModal());
}
