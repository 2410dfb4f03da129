#include "host/manager_demo.h"

#include "host/host_window.h"

#include "host/screenshot.h"
#include "pelmo.h"

#include <commctrl.h>
#include <dlgs.h>
#include <sqlite3.h>

#include <cstring>
#include <functional>
#include <vector>

namespace manager_demo {

namespace {

constexpr int kTreeId = 7035;
constexpr int kListId = 7034;
constexpr UINT_PTR kMenuShotTimer = 0x5108;
constexpr UINT kMenuShotDelayMs = 600;
// The manager's import and export commands, as its tool bar sends them.
constexpr UINT kImportCommand = 50010;
constexpr UINT kExportCommand = 50011;
// Its group and contact commands, as its menus send them.
constexpr UINT kAddGroupCommand = 50004;
constexpr UINT kEditGroupCommand = 50005;
constexpr UINT kAddContactCommand = 50007;
constexpr UINT kEditContactCommand = 50008;
// Controls of the group and contact dialogs.
constexpr int kGroupNameId = 7000;
constexpr int kGroupParentId = 7001;
constexpr int kContactNumberId = 7003;
constexpr UINT kModalTickMs = 150;
constexpr int kFileDialogTicks = 5;  // the folder view fills before the picture
constexpr char kSampleList[] = "colleagues.fdb";
constexpr char kExportedList[] = "exported";
constexpr char kSampleTopGroup[] = "西湖电子";
constexpr char kSampleSubGroup[] = "设计部";

std::string g_menuShot;
bool g_menuShotSaved = false;

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM lp)
{
    auto* search = reinterpret_cast<ChildSearch*>(lp);
    if (::GetDlgCtrlID(child) != search->id)
        return TRUE;
    search->found = child;
    return FALSE;
}

HWND FindChild(HWND parent, int id)
{
    ChildSearch search{id, nullptr};
    ::EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Fires inside the pop-up menu's own loop: the picture, then the menu goes.
void CALLBACK OnMenuShot(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    g_menuShotSaved = SaveScreenshot(g_menuShot);
    ::EndMenu();
}

// A colleague's contact list, as another user of the client would have
// exported it: the template with a group, a subgroup and their contacts,
// one of whom the demo user already has.
bool MakeSampleList(const std::string& path)
{
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string templatePath = exe;
    templatePath = templatePath.substr(0, templatePath.rfind('\\') + 1) + "friend.mdb";
    if (!::CopyFileA(templatePath.c_str(), path.c_str(), FALSE))
        return false;
    static const char* const kRows =
        "begin;"
        "insert into tab_group values (0, '8613900007777', '西湖电子', -1);"
        "insert into tab_group values (1, '8613900007777', '设计部', 0);"
        "insert into tab_list (ID, groupID, userMirrun, mirrun, name, gender, nickname, city, company, department, "
        "title, e_mail) values "
        "(0, 0, '8613900007777', '13800010001', '李建国', 1, '老李', '杭州', '西湖电子', '研发部', '经理', "
        "'jianguo.li@example.org'),"
        "(1, 0, '8613900007777', '13800010002', '张敏', 2, '敏敏', '杭州', '西湖电子', '研发部', '工程师', "
        "'min.zhang@example.org'),"
        "(2, 0, '8613900007777', '13800010003', '陈晓东', 1, '东东', '宁波', '西湖电子', '测试部', '工程师', "
        "'xd.chen@example.org'),"
        "(3, 0, '8613900007777', '13700004444', '王小梅', 2, '小梅', '杭州', 'Default', '', '', "
        "'xiaomei@example.org'),"
        "(4, 1, '8613900007777', '13800010005', '刘芳', 2, '芳芳', '上海', '西湖电子', '设计部', '设计师', "
        "'fang.liu@example.org'),"
        "(5, 1, '8613900007777', '13800010006', '赵磊', 1, '磊子', '上海', '西湖电子', '设计部', '设计师', "
        "'lei.zhao@example.org');"
        "update tab_list set company_phone = '0571-88517310', cell_phone = '13905710001', fax_phone = "
        "'0571-88517311', address = '浙江省杭州市西湖区文三路 90 号', interest = '摄影、登山、围棋' where ID = 0;"
        "commit;";
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
              sqlite3_exec(db, kRows, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

std::string CurrentFolder()
{
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(sizeof current, current);
    return current;
}

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lp)
{
    char name[16] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !::IsWindowVisible(hwnd) || !::IsWindowEnabled(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

BOOL CALLBACK FindEditProc(HWND child, LPARAM lp)
{
    char name[8] = {};
    ::GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Edit") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = child;
    return FALSE;
}

// The file name box of a file dialog, or null for any other dialog.
HWND FileNameEdit(HWND dialog)
{
    HWND edit = nullptr;
    if (HWND combo = ::GetDlgItem(dialog, cmb13))
        ::EnumChildWindows(combo, FindEditProc, reinterpret_cast<LPARAM>(&edit));
    return edit ? edit : ::GetDlgItem(dialog, edt1);
}

// The first label with text: a box's message.
BOOL CALLBACK FirstLabelProc(HWND child, LPARAM lp)
{
    char name[8] = {};
    ::GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") != 0 || ::GetWindowTextLengthA(child) == 0)
        return TRUE;
    ::GetWindowTextA(child, reinterpret_cast<char*>(lp), 511);
    return FALSE;
}

// What the modal tick does with the windows one command opens: the file
// dialog gets the path typed, its picture taken and OK pressed; every box
// (the question, the result) is answered OK, as a person would.
struct ModalPlan {
    std::string path;
    std::string shot;
    HWND fileDialog = nullptr;
    int ticks = 0;
    bool shotSaved = false;
    std::vector<std::string> boxes;  // their texts, for the log
};
ModalPlan g_plan;

void CALLBACK OnModalTick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    if (dialog == g_plan.fileDialog) {
        if (++g_plan.ticks < kFileDialogTicks)
            return;
        g_plan.shotSaved = SaveScreenshot(g_plan.shot);
        g_plan.fileDialog = reinterpret_cast<HWND>(-1);  // answered
        ::PostMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        return;
    }
    if (HWND name = FileNameEdit(dialog)) {
        if (g_plan.fileDialog)
            return;
        g_plan.fileDialog = dialog;
        ::SetWindowTextA(name, g_plan.path.c_str());
        return;
    }
    char text[512] = {};
    ::EnumChildWindows(dialog, FirstLabelProc, reinterpret_cast<LPARAM>(text));
    g_plan.boxes.push_back(text);
    ::SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

// Runs one transfer command from the group tree with the path to type into
// its file dialog; returns whether the dialog's picture was saved.
bool RunTransfer(HWND frame, HWND tree, UINT command, const std::string& path, const std::string& shot, FILE* log)
{
    g_plan = ModalPlan();
    g_plan.path = path;
    g_plan.shot = shot;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, kModalTickMs, OnModalTick);
    ::SetFocus(tree);
    ::SendMessageA(frame, WM_COMMAND, command, 0);
    ::KillTimer(nullptr, timer);
    Pump(300);
    std::fprintf(log, "%s %s:", command == kImportCommand ? "import from" : "export to", path.c_str());
    for (const std::string& box : g_plan.boxes)
        std::fprintf(log, " [%s]", box.c_str());
    std::fprintf(log, "\n");
    return g_plan.shotSaved;
}

void RightClick(POINT screen)
{
    ::SetCursorPos(screen.x, screen.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(2, input, sizeof(INPUT));
}

// Timed steps played inside a command's modal loop, each on the innermost
// dialog of the thread (the one still enabled: a box above a dialog wins).
struct DialogStep {
    UINT delayMs;
    std::function<void(HWND dialog)> action;
};

struct DialogPlay {
    std::vector<DialogStep> steps;
    size_t next = 0;
};
DialogPlay g_dialogPlay;

void ArmDialogStep();

void CALLBACK OnDialogStep(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    DialogPlay& play = g_dialogPlay;
    if (play.next >= play.steps.size())
        return;
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&dialog));
    const DialogStep& step = play.steps[play.next++];
    if (dialog)
        step.action(dialog);
    ArmDialogStep();
}

void ArmDialogStep()
{
    if (g_dialogPlay.next < g_dialogPlay.steps.size())
        ::SetTimer(nullptr, 0, g_dialogPlay.steps[g_dialogPlay.next].delayMs, OnDialogStep);
}

// Sends `command` to the manager with `pane` focused (the frame hands it to
// the focused pane) and plays `steps` in the dialog it opens.
void PlayCommand(HWND frame, HWND pane, UINT command, std::vector<DialogStep> steps)
{
    g_dialogPlay = DialogPlay{std::move(steps)};
    ArmDialogStep();
    ::SetFocus(pane);
    ::SendMessageA(frame, WM_COMMAND, command, 0);
    g_dialogPlay = DialogPlay{};  // a step left over finds nothing to do
    Pump(300);
}

void ClickButton(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A click with the left button at `screen`, as a hand makes it.
void LeftClick(POINT screen)
{
    ::SetCursorPos(screen.x, screen.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, input, sizeof(INPUT));
}

// The group chooser's drop button, at the right end of its box.
void ClickChooserButton(HWND dialog)
{
    RECT box{};
    if (HWND chooser = ::GetDlgItem(dialog, kGroupParentId)) {
        ::GetWindowRect(chooser, &box);
        LeftClick(POINT{box.right - 8, (box.top + box.bottom) / 2});
    }
}

// The group and contact dialogs as the manager's commands open them, each
// photographed as a person fills it in and then cancelled: the book is left
// as it was. Returns how many screenshots were saved.
int ShootDialogs(HWND frame, HWND tree, HWND list, const std::string& folder, FILE* log)
{
    int saved = 0;
    auto shot = [&saved, &folder, log](const char* name) {
        return DialogStep{500, [&saved, &folder, log, name](HWND) {
                              if (!SaveScreenshot(folder + "\\" + name + ".bmp"))
                                  return;
                              ++saved;
                              std::fprintf(log, "screenshot %s\n", name);
                          }};
    };
    auto cancel = [](HWND d) { ClickButton(d, IDCANCEL); };
    constexpr UINT kSoon = 50;

    PlayCommand(frame, tree, kAddGroupCommand,
                {{300, [](HWND d) { ::SetDlgItemTextA(d, kGroupNameId, "合作伙伴"); }},
                 shot("dialog_group_add"),
                 {kSoon, cancel}});

    // A subgroup in edit mode: the chooser shows its parent, then drops down.
    if (HTREEITEM sub = FindTreeItem(tree, kSampleSubGroup)) {
        TreeView_SelectItem(tree, sub);
        Pump(200);
        PlayCommand(frame, tree, kEditGroupCommand,
                    {shot("dialog_group_edit"),
                     {kSoon, ClickChooserButton},
                     shot("dialog_group_edit_chooser"),
                     {kSoon, ClickChooserButton},
                     {300, cancel}});
    }

    // The contact commands act on the group listed on the right.
    if (HTREEITEM group = FindTreeItem(tree, kSampleTopGroup)) {
        TreeView_SelectItem(tree, group);
        Pump(300);
    }
    PlayCommand(frame, list, kAddContactCommand,
                {{300, [](HWND d) { ::SetDlgItemTextA(d, kContactNumberId, "0571880001"); }},
                 shot("dialog_contact_add"),
                 {kSoon, cancel}});
    // A number that is too short: the dialog answers with its message.
    PlayCommand(frame, list, kAddContactCommand,
                {{300,
                  [](HWND d) {
                      ::SetDlgItemTextA(d, kContactNumberId, "05718");
                      ClickButton(d, IDOK);
                  }},
                 shot("dialog_contact_check"),
                 {kSoon, [](HWND box) { ClickButton(box, IDOK); }},
                 {300, cancel}});
    if (ListView_GetItemCount(list) > 0) {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        PlayCommand(frame, list, kEditContactCommand, {shot("dialog_contact_edit"), {kSoon, cancel}});
    }
    return saved;
}

}  // namespace

void Open(FILE* log)
{
    const std::string list = CurrentFolder() + "\\" + kSampleList;
    std::fprintf(log, "sample contact list for the manager's import: %s%s\n", list.c_str(),
                 MakeSampleList(list) ? "" : " (not made)");
    std::fprintf(log, "showFriendMain -> %s\n", showFriendMain(0) ? "the manager" : "null");
}

int Shoot(const std::string& folder, FILE* log)
{
    void* manager = showFriendMain(0);
    if (!manager) {
        std::fprintf(log, "showFriendMain -> null\n");
        return 0;
    }
    char title[255] = {};
    getGlobalStr(507, title, sizeof title);
    HWND frame = ::FindWindowA(nullptr, title);
    HWND tree = FindChild(frame, kTreeId);
    HWND list = FindChild(frame, kListId);
    if (!frame || !tree || !list)
        return 0;
    Pump(300);
    int saved = 0;

    // A colleague's list comes in through the open dialog; the manager then
    // shows the new groups.
    const std::string sample = CurrentFolder() + "\\" + kSampleList;
    if (MakeSampleList(sample)) {
        // The dialog opens on the working folder: the name alone picks the file.
        if (RunTransfer(frame, tree, kImportCommand, kSampleList, folder + "\\manager_import_dialog.bmp", log))
            ++saved;
        if (HTREEITEM imported = FindTreeItem(tree, kSampleTopGroup)) {
            TreeView_Expand(tree, imported, TVE_EXPAND);
            TreeView_SelectItem(tree, imported);
            ::SetFocus(tree);
            Pump(700);
            if (SaveScreenshot(folder + "\\manager_after_import.bmp"))
                ++saved;
        }
    }

    // The group whose list is longest, as a person would pick the busy one.
    HTREEITEM best = nullptr;
    int bestRows = -1;
    std::vector<HTREEITEM> pending{TreeView_GetRoot(tree)};
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        if (!item)
            continue;
        TreeView_SelectItem(tree, item);
        Pump(60);
        const int rows = ListView_GetItemCount(list);
        if (rows > bestRows && item != TreeView_GetRoot(tree)) {
            best = item;
            bestRows = rows;
        }
        pending.push_back(TreeView_GetNextSibling(tree, item));
        pending.push_back(TreeView_GetChild(tree, item));
    }
    TreeView_SelectItem(tree, best);
    ::SetFocus(tree);
    Pump(700);
    if (SaveScreenshot(folder + "\\manager_group.bmp"))
        ++saved;
    std::fprintf(log, "manager: group with %d contacts listed\n", bestRows);

    // The first contact's pop-up menu.
    if (bestRows > 0) {
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        RECT row{};
        ListView_GetItemRect(list, 0, &row, LVIR_LABEL);
        POINT at{row.left + 40, (row.top + row.bottom) / 2};
        ::ClientToScreen(list, &at);
        g_menuShot = folder + "\\manager_contact_menu.bmp";
        g_menuShotSaved = false;
        ::SetTimer(nullptr, kMenuShotTimer, kMenuShotDelayMs, OnMenuShot);
        RightClick(at);
        Pump(1500);
        if (g_menuShotSaved)
            ++saved;
    }
    saved += ShootDialogs(frame, tree, list, folder, log);
    // The imported group goes out again through the save dialog.
    if (HTREEITEM group = FindTreeItem(tree, kSampleTopGroup)) {
        TreeView_SelectItem(tree, group);
        // Typed without its extension: the dialog adds the default one.
        const std::string target = CurrentFolder() + "\\" + kExportedList + ".fdb";
        ::DeleteFileA(target.c_str());
        if (RunTransfer(frame, tree, kExportCommand, kExportedList, folder + "\\manager_export_dialog.bmp", log))
            ++saved;
        std::fprintf(log, "exported list %s: %s\n", target.c_str(),
                     ::GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES ? "written" : "missing");
    }
    ::SendMessageA(frame, WM_CLOSE, 0, 0);
    hideFriendMain(&manager);
    Pump(200);
    return saved;
}

}  // namespace manager_demo
