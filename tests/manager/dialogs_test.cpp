// The group and contact dialogs driven as a person would: fill the
// controls, press OK, see which message boxes come up and whether the
// dialog stays open, and what the record holds afterwards.
#include "controls/combo_tree.h"
#include "manager/contact_dlg.h"
#include "manager/group_dlg.h"
#include "resources/resource_ids.h"
#include "sample_book.h"
#include "support/dialog_run.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
using testui::ResourceText;

CComboTree* ChooserOf(HWND dialog, int id)
{
    return dynamic_cast<CComboTree*>(CWnd::FromHandle(::GetDlgItem(dialog, id)));
}

// All items of the chooser, depth first.
std::vector<HTREEITEM> ChooserItems(CComboTree& chooser)
{
    std::vector<HTREEITEM> items;
    std::function<void(HTREEITEM)> walk = [&](HTREEITEM item) {
        for (; item; item = chooser.Tree().GetNextSiblingItem(item)) {
            items.push_back(item);
            walk(chooser.Tree().GetChildItem(item));
        }
    };
    walk(chooser.Tree().GetChildItem(nullptr));
    return items;
}

std::vector<std::string> ChooserPaths(CComboTree& chooser)
{
    std::vector<std::string> paths;
    for (HTREEITEM item : ChooserItems(chooser))
        paths.push_back(chooser.Tree().GetItemPath(item) + " =" + std::to_string(chooser.Tree().GetItemData(item)));
    return paths;
}

// Chooses the item with `value` as a person would: drop down, move there,
// press Enter.
void Choose(HWND dialog, int chooserId, int value)
{
    CComboTree* chooser = ChooserOf(dialog, chooserId);
    ASSERT_NE(nullptr, chooser);
    for (HTREEITEM item : ChooserItems(*chooser)) {
        if (chooser->Tree().GetItemData(item) == value) {
            chooser->DropDown();
            chooser->Tree().SelectItem(item);
            ::SendMessageA(chooser->Tree(), WM_KEYDOWN, VK_RETURN, 1);
            return;
        }
    }
    ADD_FAILURE() << "no item with value " << value;
}
void Type(HWND dialog, int id, const std::string& text)
{
    ::SetDlgItemTextA(dialog, id, text.c_str());
}

RECT ControlRect(HWND dialog, int id)
{
    return testui::ClientRectOf(::GetDlgItem(dialog, id));
}

// How much of the header picture shows at the dialog's top-left corner.
double HeaderShown(HWND dialog)
{
    HBITMAP header = getGlobalBitmap(IDB_CONTACT_PICTURE);
    const double shown = testui::PictureShown(dialog, header, POINT{2, 2});
    ::DeleteObject(header);
    return shown;
}

bool SameGroup(const FriendGroup& a, const FriendGroup& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

constexpr int kNone = 12345;  // no choice made in a chooser

// OK was refused with `texts` in message boxes and the dialog stayed open.
void ExpectRefused(const testui::OkRun& run, INT_PTR result, const Texts& texts)
{
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(texts, run.BoxTexts());
    EXPECT_TRUE(run.StayedOpen());
}

// Both dialogs over the sample book, owned by a plain window.
class DialogTest : public ::testing::Test {
protected:
    INT_PTR Run(FriendGroup* record, int mode, FriendCache* cache)
    {
        CGroupDlg dialog(cache, record, mode, owner.Handle());
        return dialog.Run();
    }
    INT_PTR Run(FriendGroup* record, int mode) { return Run(record, mode, book.Cache()); }
    INT_PTR Run(FriendInfo* record, int mode)
    {
        CContactDlg dialog(record, mode, owner.Handle());
        return dialog.Run();
    }
    FriendInfo NewRecord() const { return MakeContact(0, "", PELMO_GROUP_NONE); }

    SampleBook book;
    testui::TestParent owner;
};
using GroupDialogTest = DialogTest;
using ContactDialogTest = DialogTest;

}  // namespace

// Each refusal: its boxes (the first one's caption too), the dialog stays
// open and the caller's record is left as it was.
TEST_F(GroupDialogTest, RefusalsShowTheirBoxesAndLeaveTheRecordAlone)
{
    const std::string manager = ResourceText(IDS_MANAGER_CAPTION), other = ResourceText(IDS_MSG_CHOOSE_OTHER_PARENT);
    const struct {
        int group;         // edited sample group, or -1 for a new one
        int parent;        // chosen, or kNone
        const char* name;  // typed, or null
        Texts texts;
        std::string caption;
    } cases[] = {
        {-1, kNone, "", {ResourceText(IDS_ERR_GROUP_NAME_EMPTY)}, manager},
        {-1, 0, "市场部", {ResourceText(IDS_ERR_GROUP_NAME_EXISTS)}, manager},
        {0, 0, nullptr, {groupdlg::kOwnParentText, other}, groupdlg::kGroupCaption},
        {0, 4, nullptr, {groupdlg::kUnderItselfText, other}, groupdlg::kGroupCaption},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts[0]);
        FriendGroup record = c.group < 0 ? MakeGroup(0, "", -1) : book.Group(c.group);
        const FriendGroup before = record;
        testui::OkRun run([&](HWND d) {
            if (c.parent != kNone)
                Choose(d, IDC_GROUP_PARENT, c.parent);
            if (c.name)
                Type(d, IDC_GROUP_NAME, c.name);
        });
        ExpectRefused(run, Run(&record, c.group < 0 ? dialogs::kAddMode : dialogs::kEditMode), c.texts);
        ASSERT_FALSE(run.Boxes().empty());
        EXPECT_EQ(c.caption, run.Boxes()[0].caption);
        EXPECT_TRUE(SameGroup(before, record)) << "a refused OK changed the caller's record";
    }
}

TEST_F(GroupDialogTest, EditingWithNameAndParentUnchangedIsAccepted)
{
    FriendGroup record = book.Group(1);
    const FriendGroup before = record;
    std::string shown;
    testui::OkRun run([&](HWND d) { shown = ChooserOf(d, IDC_GROUP_PARENT)->GetText(); });
    EXPECT_EQ(IDOK, Run(&record, dialogs::kEditMode));
    EXPECT_TRUE(run.BoxTexts().empty());
    EXPECT_EQ("同事", shown) << "the current parent is not chosen";
    EXPECT_TRUE(SameGroup(before, record));
}

TEST_F(GroupDialogTest, MovingAndRenamingAGroupWritesBoth)
{
    FriendGroup record = book.Group(4);
    testui::OkRun run([](HWND d) {
        Choose(d, IDC_GROUP_PARENT, 2);
        Type(d, IDC_GROUP_NAME, "表亲");
    });
    EXPECT_EQ(IDOK, Run(&record, dialogs::kEditMode));
    EXPECT_EQ(4, record.ID);
    EXPECT_EQ(2, record.fatherID);
    EXPECT_EQ("表亲", dialogs::FieldText(record.name));
}

TEST_F(GroupDialogTest, WithoutCacheOkDoesNothing)
{
    FriendGroup record = MakeGroup(0, "", -1);
    const FriendGroup before = record;
    std::vector<std::string> paths{"unread"};
    testui::OkRun run([&](HWND d) {
        paths = ChooserPaths(*ChooserOf(d, IDC_GROUP_PARENT));
        Type(d, IDC_GROUP_NAME, "朋友");
    });
    EXPECT_EQ(IDCANCEL, Run(&record, dialogs::kAddMode, nullptr));
    EXPECT_TRUE(run.BoxTexts().empty());
    EXPECT_TRUE(run.StayedOpen());
    EXPECT_TRUE(paths.empty()) << "the chooser offers something without a cache";
    EXPECT_TRUE(SameGroup(before, record));
}

TEST_F(GroupDialogTest, LooksRightWithItsTitleAndEveryGroupOffered)
{
    FriendGroup record = book.Group(1);
    RECT client{};
    std::vector<std::string> faults{"unread"}, paths;
    std::string title;
    testui::OkRun run([&](HWND d) {
        ::GetClientRect(d, &client);
        faults = testui::LayoutFaults(d);
        title = testui::WindowText(d);
        paths = ChooserPaths(*ChooserOf(d, IDC_GROUP_PARENT));
        Choose(d, IDC_GROUP_PARENT, 1);  // itself: keeps the dialog open for the next look
    });
    Run(&record, dialogs::kEditMode);
    EXPECT_EQ(227, client.right);
    EXPECT_EQ(141, client.bottom);
    EXPECT_EQ(std::vector<std::string>{}, faults);
    EXPECT_EQ(ResourceText(IDS_GROUPDLG_TITLE_EDIT), title);
    const std::string root = ResourceText(IDS_ADDRESS_BOOK_ROOT);
    EXPECT_EQ((std::vector<std::string>{root + " =-1", root + "/同事 =0", root + "/同事/市场部 =1",
                                        root + "/同事/市场部/华东区 =4", root + "/家人 =2", root + "/同学 =5"}),
              paths);
}

// Each refusal: its one box, the dialog stays open and the number stays.
// A bad or duplicate number is reported first, the root then not at all.
TEST_F(ContactDialogTest, RefusalsShowOneBoxAndLeaveTheNumberAlone)
{
    const std::string manager = ResourceText(IDS_MANAGER_CAPTION), exists = ResourceText(IDS_ERR_NUMBER_EXISTS);
    const struct {
        const char* edited;  // number of the edited sample contact, or null for a new one
        const char* number;
        int group;  // chosen, or kNone
        std::string text, caption;
    } cases[] = {
        {nullptr, "05718800a1", kNone, ResourceText(IDS_ERR_NUMBER_FORMAT), manager},
        {nullptr, "0571880002", kNone, exists, manager},
        {"0571880001", "0571880002", kNone, exists, manager},
        {nullptr, "0571889999", -1, contactdlg::kRootChosenText, ""},
        {nullptr, "0571880002", -1, exists, manager},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.number) + (c.edited ? " edited" : " new"));
        FriendInfo record = c.edited ? book.Contact(c.edited) : NewRecord();
        const std::string number = dialogs::FieldText(record.mirrun);
        testui::OkRun run([&](HWND d) {
            Type(d, IDC_CONTACT_NUMBER, c.number);
            if (c.group != kNone)
                Choose(d, IDC_CONTACT_GROUP, c.group);
        });
        ExpectRefused(run, Run(&record, c.edited ? dialogs::kEditMode : dialogs::kAddMode), {c.text});
        ASSERT_EQ(1u, run.Boxes().size());
        EXPECT_EQ(c.caption, run.Boxes()[0].caption);
        EXPECT_EQ(number, dialogs::FieldText(record.mirrun));
    }
}

TEST_F(ContactDialogTest, WithoutACacheText1IsShownAndTheContactIsAccepted)
{
    book.Hide();
    FriendInfo record = NewRecord();
    testui::OkRun run([](HWND d) { Type(d, IDC_CONTACT_NUMBER, "0571880001"); });
    EXPECT_EQ(IDOK, Run(&record, dialogs::kAddMode));
    EXPECT_EQ((Texts{ResourceText(IDS_NOT_INITIALISED)}), run.BoxTexts());
    EXPECT_FALSE(run.StayedOpen());
    EXPECT_EQ("0571880001", dialogs::FieldText(record.mirrun));
    EXPECT_EQ(PELMO_GROUP_NONE, record.groupID) << "no chooser item, so the group stays";
    book.Show();
}

TEST_F(ContactDialogTest, ContactOfTheSecondRootKeepsItsGroupWhenNothingIsChosen)
{
    FriendInfo record = book.Contact("0571880003");
    ASSERT_EQ(-40, record.groupID);
    HTREEITEM selected = reinterpret_cast<HTREEITEM>(1);
    std::string shown = "unread";
    testui::OkRun run([&](HWND d) {
        selected = ChooserOf(d, IDC_CONTACT_GROUP)->Tree().GetCaret();
        shown = ChooserOf(d, IDC_CONTACT_GROUP)->GetText();
    });
    EXPECT_EQ(IDOK, Run(&record, dialogs::kEditMode));
    EXPECT_EQ(nullptr, selected) << "an item is chosen for group -40";
    EXPECT_EQ("", shown);
    EXPECT_EQ(-40, record.groupID);
}

TEST_F(ContactDialogTest, AddModeShowsOnlyGroupAndNumberWritesThemAndKeepsTheRestOfTheRecord)
{
    FriendInfo record = NewRecord();
    dialogs::CopyText(record.name, 31, "李四");
    dialogs::CopyText(record.country, 31, "中国");
    record.gender = 2;
    std::vector<int> visibleHidden;
    std::vector<std::string> faults{"unread"};
    RECT window{};
    double picture = 1;
    std::string prompt, title;
    testui::OkRun run([&](HWND d) {
        for (size_t i = 0; i < contactdlg::kAddModeHiddenCount; ++i)
            if (::IsWindowVisible(::GetDlgItem(d, contactdlg::kAddModeHidden[i])))
                visibleHidden.push_back(contactdlg::kAddModeHidden[i]);
        ::GetWindowRect(d, &window);
        faults = testui::LayoutFaults(d);
        picture = HeaderShown(d);
        prompt = testui::WindowText(::GetDlgItem(d, IDC_CONTACT_NUMBER_LABEL));
        title = testui::WindowText(d);
        Type(d, IDC_CONTACT_NUMBER, "0571889999");
        Choose(d, IDC_CONTACT_GROUP, 4);
    });
    EXPECT_EQ(IDOK, Run(&record, dialogs::kAddMode));
    EXPECT_TRUE(visibleHidden.empty()) << "control " << (visibleHidden.empty() ? 0 : visibleHidden[0]) << " shows";
    EXPECT_EQ(240, window.right - window.left);
    EXPECT_EQ(180, window.bottom - window.top);
    EXPECT_EQ(std::vector<std::string>{}, faults);
    EXPECT_LT(picture, 0.5) << "the header picture belongs to edit mode";
    EXPECT_EQ(ResourceText(IDS_CONTACTDLG_NUMBER_PROMPT), prompt);
    EXPECT_EQ(ResourceText(IDS_CONTACTDLG_TITLE_ADD), title);
    EXPECT_EQ("0571889999", dialogs::FieldText(record.mirrun));
    EXPECT_EQ("李四", dialogs::FieldText(record.name));
    EXPECT_EQ("中国", dialogs::FieldText(record.country));
    EXPECT_EQ(2, record.gender);
    EXPECT_EQ(4, record.groupID);
}

TEST_F(ContactDialogTest, EditModeShowsTheHeaderPictureAtTheTopLeftAndEveryControlFits)
{
    FriendInfo record = book.Contact("0571880001");
    std::vector<std::string> faults{"unread"};
    double picture = 0;
    RECT ok{}, cancel{};
    testui::OkRun run([&](HWND d) {
        faults = testui::LayoutFaults(d);
        picture = HeaderShown(d);
        ok = ControlRect(d, IDOK);
        cancel = ControlRect(d, IDCANCEL);
    });
    Run(&record, dialogs::kEditMode);
    EXPECT_GT(picture, 0.95);
    EXPECT_EQ(std::vector<std::string>{}, faults);
    EXPECT_LT(ok.right, cancel.left) << "OK stands left of Cancel";
}

TEST_F(ContactDialogTest, EditModeWritesEveryFieldCutToItsRecordField)
{
    FriendInfo record = book.Contact("0571880001");
    std::string interest;
    for (int i = 0; i < 150; ++i)
        interest += "爱";  // 300 bytes
    testui::OkRun run([&](HWND d) {
        Type(d, IDC_CONTACT_NAME, "欧阳明日");
        Type(d, IDC_CONTACT_NICKNAME, "小明");
        Type(d, IDC_CONTACT_CITY, "乌鲁木齐市天山区很长的地名");  // more than 19 bytes
        Type(d, IDC_CONTACT_COMPANY, "青岚");
        Type(d, IDC_CONTACT_DEPARTMENT, "研发");
        Type(d, IDC_CONTACT_TITLE, "工程师");
        Type(d, IDC_CONTACT_INTEREST, interest);
        Type(d, IDC_CONTACT_EMAIL, "ming@example.com");
        Type(d, IDC_CONTACT_FAX, "0571-88517301-1234");  // 18: the fax is copied to 15 at most
        Type(d, IDC_CONTACT_OFFICE_PHONE, "0571-88517300");
        Type(d, IDC_CONTACT_MOBILE, "13800001111");
        Type(d, IDC_CONTACT_ADDRESS, "杭州市文三路");
        ::CheckRadioButton(d, IDC_CONTACT_MALE, IDC_CONTACT_FEMALE, IDC_CONTACT_FEMALE);
        Choose(d, IDC_CONTACT_GROUP, -10);
    });
    EXPECT_EQ(IDOK, Run(&record, dialogs::kEditMode));
    EXPECT_TRUE(run.BoxTexts().empty());
    EXPECT_EQ("欧阳明日", dialogs::FieldText(record.name));
    EXPECT_EQ("小明", dialogs::FieldText(record.nickname));
    EXPECT_EQ("乌鲁木齐市天山区很", dialogs::FieldText(record.city)) << "18 bytes: whole characters only";
    EXPECT_EQ("工程师", dialogs::FieldText(record.title));
    EXPECT_EQ(254u, dialogs::FieldText(record.interest).size());
    EXPECT_EQ("ming@example.com", dialogs::FieldText(record.e_mail));
    EXPECT_EQ("0571-88517301-1", dialogs::FieldText(record.fax_phone));
    EXPECT_EQ("13800001111", dialogs::FieldText(record.cell_phone));
    EXPECT_EQ("0571-88517300", dialogs::FieldText(record.company_phone));
    EXPECT_EQ("杭州市文三路", dialogs::FieldText(record.address));
    EXPECT_EQ(2, record.gender);
    EXPECT_EQ(PELMO_GROUP_NONE, record.groupID);
    EXPECT_EQ("0571880001", dialogs::FieldText(record.mirrun));
}

namespace {

using testui::Keys;
using testui::Press;

std::vector<std::string> g_strayBoxes;

// Closes whatever dialog is still open when a keyboard run went astray,
// noting message boxes on the way.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND dialog = testui::InnermostDialog()) {
        if (HWND text = ::GetDlgItem(dialog, IDC_MESSAGEBOX_TEXT))
            g_strayBoxes.push_back(testui::WindowText(text));
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

// Runs a dialog driven by keys, cancelling it after `safetyMs` if the keys
// went astray; no message box may have been left for the safety to close.
template <class Run>
INT_PTR RunByKeys(UINT safetyMs, Run run)
{
    g_strayBoxes.clear();
    const UINT_PTR safety = ::SetTimer(nullptr, 0, safetyMs, GiveUp);
    const INT_PTR result = run();
    ::KillTimer(nullptr, safety);
    EXPECT_TRUE(g_strayBoxes.empty()) << g_strayBoxes.front();
    return result;
}

}  // namespace

TEST_F(GroupDialogTest, KeyboardAloneChoosesAParentNamesTheGroupAndConfirms)
{
    FriendGroup record = MakeGroup(0, "", -1);
    bool dropped = false;
    constexpr UINT kStep = 60;
    testui::StepRun steps({
        // From the name field, Shift+Tab reaches the chooser.
        {150,
         [](HWND d) {
             ::SetFocus(::GetDlgItem(d, IDC_GROUP_NAME));
             Keys({{VK_SHIFT, true}, {VK_TAB, true}, {VK_TAB, false}, {VK_SHIFT, false}});
         }},
        {kStep,
         [](HWND) {
             Keys({{VK_MENU, true}, {VK_DOWN, true}, {VK_DOWN, false}, {VK_MENU, false}});
         }},
        {kStep,
         [&](HWND d) {
             dropped = ChooserOf(d, IDC_GROUP_PARENT)->IsDropped();
             Press(VK_DOWN);  // from the root to its first group
         }},
        {kStep, [](HWND) { Press(VK_RETURN); }},
        {kStep,
         [](HWND) {
             Press(VK_TAB);  // on to the name
             for (char key : std::string("NEW"))
                 Press(key);
         }},
        {kStep, [](HWND) { Press(VK_RETURN); }},
    });
    const INT_PTR result = RunByKeys(3000, [&] { return Run(&record, dialogs::kAddMode); });
    EXPECT_TRUE(dropped) << "Alt+Down did not drop the tree";
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(0, record.fatherID) << "the group chosen with the keys was not taken";
    EXPECT_EQ("new", dialogs::FieldText(record.name));
}
