#include "host/dialogs_demo.h"

#include "controls/combo_tree.h"
#include "core/friend_db.h"
#include "core/host_config.h"
#include "host/screenshot.h"
#include "manager/contact_dlg.h"
#include "manager/dialog_rules.h"
#include "manager/group_dlg.h"
#include "module/module_state.h"
#include "core/provisioning.h"
#include "pelmo.h"
#include "resources/resource_ids.h"

#include <commctrl.h>

#include <cstring>
#include <functional>
#include <vector>

namespace dialogs_demo {
namespace {

// A few timed actions run inside a modal dialog's loop; each acts on the
// innermost dialog of the thread (the one that is enabled).
struct Step {
    UINT delayMs;
    std::function<void(HWND dialog)> action;
};

class Script {
public:
    explicit Script(std::vector<Step> steps) : m_steps(std::move(steps)) {}
    ~Script() { Stop(); }
    void Start()
    {
        s_running = this;
        Arm();
    }

private:
    void Arm()
    {
        if (m_next < m_steps.size())
            m_timer = ::SetTimer(nullptr, 0, m_steps[m_next].delayMs, OnTimer);
    }
    void Stop()
    {
        if (m_timer)
            ::KillTimer(nullptr, m_timer);
        m_timer = 0;
        if (s_running == this)
            s_running = nullptr;
    }
    static BOOL CALLBACK FindTopDialog(HWND hwnd, LPARAM lp)
    {
        char name[16] = {};
        ::GetClassNameA(hwnd, name, sizeof name);
        if (std::strcmp(name, "#32770") == 0 && ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) {
            *reinterpret_cast<HWND*>(lp) = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD)
    {
        ::KillTimer(nullptr, id);
        Script* script = s_running;
        if (!script || script->m_timer != id)
            return;
        script->m_timer = 0;
        HWND dialog = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), FindTopDialog, reinterpret_cast<LPARAM>(&dialog));
        const Step& step = script->m_steps[script->m_next++];
        if (dialog)
            step.action(dialog);
        script->Arm();
    }

    static Script* s_running;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    UINT_PTR m_timer = 0;
};

Script* Script::s_running = nullptr;

// A program that links the library's objects starts them itself: the
// resource library must be loaded before any dialog template is found.
void EnsureLibraryStarted()
{
    if (module::ResourceLibrary())
        return;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    module::Attach(::GetModuleHandleA(nullptr));
}

std::string Identity()
{
    HostConfig config;
    std::memset(&config, 0, sizeof config);
    return ReadHostConfig(&config) ? dialogs::FieldText(config.identity) : std::string();
}

bool OpenDatabase(CFriendDB& db)
{
    const std::string path = PrepareFriendDB();
    if (path.empty())
        return false;
    db.SetConnectInfo(path, kFriendUser, kFriendPassword);
    return db.OpenDB(0) != 0;
}

void PrintGroup(FILE* log, const char* what, const FriendGroup& g)
{
    std::fprintf(log, "%s: ID=%d name=%s fatherID=%d\n", what, g.ID, dialogs::FieldText(g.name).c_str(), g.fatherID);
}

void PrintContact(FILE* log, const char* what, const FriendInfo& f)
{
    std::fprintf(log, "%s: ID=%d number=%s name=%s nickname=%s groupID=%d gender=%d city=%s e-mail=%s\n", what, f.ID,
                 dialogs::FieldText(f.mirrun).c_str(), dialogs::FieldText(f.name).c_str(),
                 dialogs::FieldText(f.nickname).c_str(), f.groupID, f.gender, dialogs::FieldText(f.city).c_str(),
                 dialogs::FieldText(f.e_mail).c_str());
}

const FriendGroup* FindGroup(const FriendCache* cache, const std::string& name, int fatherId)
{
    for (intptr_t i = 0; cache && i < cache->groups.count; ++i)
        if (dialogs::FieldText(cache->groups.data[i].name) == name && cache->groups.data[i].fatherID == fatherId)
            return &cache->groups.data[i];
    return nullptr;
}

const FriendInfo* FirstOrdinaryContact(const FriendCache* cache)
{
    for (intptr_t i = 0; cache && i < cache->friends.count; ++i)
        if (cache->friends.data[i].groupID != PELMO_GROUP_SERVICE)
            return &cache->friends.data[i];
    return nullptr;
}

// Runs the group dialog on `record` and stores what it accepted.
int RunGroup(HWND owner, FriendGroup record, bool edit, FILE* log, Script* script)
{
    FriendCache* cache = GetFriendCache();
    CGroupDlg dialog(cache, &record, edit ? dialogs::kEditMode : dialogs::kAddMode, owner);
    if (script)
        script->Start();
    const int result = static_cast<int>(dialog.Run());
    std::fprintf(log, "group dialog (%s) -> %d\n", edit ? "edit" : "add", result);
    if (result != IDOK)
        return result;
    PrintGroup(log, "group written", record);
    CFriendDB db;
    const std::string identity = Identity();
    const int stored = OpenDatabase(db) ? (edit ? db.ModifyGroup(identity.c_str(), &record)
                                                : db.AddGroup(identity.c_str(), &record, 1))
                                        : 0;
    std::fprintf(log, "group stored -> %d\n", stored);
    return result;
}

int RunContact(HWND owner, FriendInfo record, bool edit, FILE* log, Script* script)
{
    CContactDlg dialog(&record, edit ? dialogs::kEditMode : dialogs::kAddMode, owner);
    if (script)
        script->Start();
    const int result = static_cast<int>(dialog.Run());
    std::fprintf(log, "contact dialog (%s) -> %d\n", edit ? "edit" : "add", result);
    if (result != IDOK)
        return result;
    PrintContact(log, "contact written", record);
    CFriendDB db;
    const std::string identity = Identity();
    const int stored = OpenDatabase(db) ? (edit ? db.ModifyFriend(identity.c_str(), &record)
                                                : db.AddFriendRec(identity.c_str(), &record, 1, 1, 1))
                                        : 0;
    std::fprintf(log, "contact stored -> %d\n", stored);
    return result;
}

FriendGroup NewGroup()
{
    FriendGroup group;
    std::memset(&group, 0, sizeof group);
    group.fatherID = dialogs::kRootValue;
    return group;
}

FriendInfo NewContact()
{
    FriendInfo info;
    std::memset(&info, 0, sizeof info);
    info.groupID = PELMO_GROUP_NONE;
    return info;
}

// Groups and a contact for the edit-mode pictures, when the sample user
// has none of them yet.
void EnsureSampleData(const std::string& groupName, FILE* log)
{
    FriendCache* cache = GetFriendCache();
    CFriendDB db;
    const std::string identity = Identity();
    if (!cache || !OpenDatabase(db))
        return;
    const FriendGroup* top = FindGroup(cache, groupName, dialogs::kRootValue);
    const int topId = top ? top->ID : dialogs::kRootValue;
    struct {
        const char* name;
        bool underTop;
    } groups[] = {{"家人", false}, {"同学", false}, {"市场部", true}, {"华东区客户", true}};
    for (const auto& g : groups) {
        const int father = g.underTop ? topId : dialogs::kRootValue;
        if (FindGroup(GetFriendCache(), g.name, father))
            continue;
        FriendGroup group = NewGroup();
        dialogs::CopyText(group.name, sizeof group.name, g.name);
        group.fatherID = father;
        db.AddGroup(identity.c_str(), &group, 1);
    }
    if (!FirstOrdinaryContact(GetFriendCache())) {
        FriendInfo info = NewContact();
        const FriendGroup* market = FindGroup(GetFriendCache(), "市场部", topId);
        info.groupID = market ? market->ID : PELMO_GROUP_NONE;
        info.gender = 1;
        dialogs::CopyText(info.mirrun, 14, "0571880123");
        dialogs::CopyText(info.name, 31, "张伟");
        dialogs::CopyText(info.nickname, 49, "阿伟");
        dialogs::CopyText(info.city, 19, "杭州");
        dialogs::CopyText(info.company, 49, "青岚视讯");
        dialogs::CopyText(info.department, 49, "市场部");
        dialogs::CopyText(info.title, 49, "区域经理");
        dialogs::CopyText(info.e_mail, 49, "zhangwei@example.com");
        dialogs::CopyText(info.company_phone, 29, "0571-88517310");
        dialogs::CopyText(info.cell_phone, 29, "13800005678");
        dialogs::CopyText(info.fax_phone, 29, "0571-88517311");
        dialogs::CopyText(info.address, 254, "浙江省杭州市西湖区文三路 90 号");
        dialogs::CopyText(info.interest, 254, "摄影、登山、围棋");
        db.AddFriendRec(identity.c_str(), &info, 1, 0, 1);
    }
    std::fprintf(log, "sample groups and contact ready\n");
}

void SetText(HWND dialog, int id, const char* text)
{
    ::SetDlgItemTextA(dialog, id, text);
}

void Click(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

CComboTree* ChooserOf(HWND dialog, int id)
{
    return dynamic_cast<CComboTree*>(CWnd::FromHandle(::GetDlgItem(dialog, id)));
}

}  // namespace

int OpenGroupDialog(HWND owner, bool edit, FILE* log)
{
    EnsureLibraryStarted();
    FriendCache* cache = GetFriendCache();
    if (!cache) {
        outPutInfo(IDS_NOT_INITIALISED, IDS_MANAGER_CAPTION, owner);
        return -1;
    }
    if (edit && cache->groups.count == 0) {
        outPutInfo(IDS_MSG_SELECT_GROUP, IDS_MANAGER_CAPTION, owner);
        return -1;
    }
    return RunGroup(owner, edit ? cache->groups.data[0] : NewGroup(), edit, log, nullptr);
}

int OpenContactDialog(HWND owner, bool edit, FILE* log)
{
    EnsureLibraryStarted();
    FriendCache* cache = GetFriendCache();
    if (!cache) {
        outPutInfo(IDS_NOT_INITIALISED, IDS_MANAGER_CAPTION, owner);
        return -1;
    }
    const FriendInfo* first = FirstOrdinaryContact(cache);
    if (edit && !first && cache->friends.count > 0)
        first = &cache->friends.data[0];
    if (edit && !first) {
        outPutInfo(IDS_MSG_SELECT_ITEM, IDS_MANAGER_CAPTION, owner);
        return -1;
    }
    return RunContact(owner, edit ? *first : NewContact(), edit, log, nullptr);
}

int ShootDialogs(HWND owner, const std::string& folder, FILE* log)
{
    EnsureLibraryStarted();
    if (!GetFriendCache()) {
        std::fprintf(log, "dialog screenshots: no address book\n");
        return 0;
    }
    int saved = 0;
    auto shot = [&](const char* name) {
        return Step{500, [&saved, &folder, log, name](HWND) {
                        if (SaveScreenshot(folder + "\\" + name + ".bmp")) {
                            ++saved;
                            std::fprintf(log, "screenshot %s\n", name);
                        }
                    }};
    };
    constexpr UINT kSoon = 50;

    // A new group, named as a person would, then confirmed.
    std::string groupName = "同事";
    for (const char* candidate : {"同事", "老同事", "前同事", "合作伙伴"}) {
        groupName = candidate;
        if (!FindGroup(GetFriendCache(), candidate, dialogs::kRootValue))
            break;
    }
    {
        Script script({{300, [&](HWND d) { SetText(d, IDC_GROUP_NAME, groupName.c_str()); }},
                       shot("dialog_group_add"),
                       {kSoon, [](HWND d) { Click(d, IDOK); }}});
        RunGroup(owner, NewGroup(), false, log, &script);
    }
    EnsureSampleData(groupName, log);

    // That group again in edit mode, then with the parent chooser dropped down.
    if (const FriendGroup* group = FindGroup(GetFriendCache(), groupName, dialogs::kRootValue)) {
        Script script({shot("dialog_group_edit"),
                       {kSoon,
                        [](HWND d) {
                            if (CComboTree* chooser = ChooserOf(d, IDC_GROUP_PARENT))
                                chooser->DropDown();
                        }},
                       shot("dialog_group_edit_chooser"),
                       {kSoon, [](HWND d) {
                            if (CComboTree* chooser = ChooserOf(d, IDC_GROUP_PARENT))
                                chooser->CloseUp(false);
                            Click(d, IDCANCEL);
                        }}});
        RunGroup(owner, *group, true, log, &script);
    }

    {
        Script script({{300, [](HWND d) { SetText(d, IDC_CONTACT_NUMBER, "0571880001"); }},
                       shot("dialog_contact_add"),
                       {kSoon, [](HWND d) { Click(d, IDCANCEL); }}});
        RunContact(owner, NewContact(), false, log, &script);
    }
    {
        // A number that is too short: the dialog answers with its message.
        Script script({{300,
                        [](HWND d) {
                            SetText(d, IDC_CONTACT_NUMBER, "05718");
                            Click(d, IDOK);
                        }},
                       shot("dialog_contact_check"),
                       {kSoon, [](HWND box) { Click(box, IDOK); }},
                       {300, [](HWND d) { Click(d, IDCANCEL); }}});
        RunContact(owner, NewContact(), false, log, &script);
    }
    if (const FriendInfo* contact = FirstOrdinaryContact(GetFriendCache())) {
        Script script({shot("dialog_contact_edit"), {kSoon, [](HWND d) { Click(d, IDCANCEL); }}});
        RunContact(owner, *contact, true, log, &script);
    }
    return saved;
}

}  // namespace dialogs_demo
