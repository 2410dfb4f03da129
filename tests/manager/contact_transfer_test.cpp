// Export and import of contact lists through the manager's commands, with
// the file dialogs replaced by a chooser the test controls, and checked on
// disk, in the cache the host reads and in the notices it is posted.
#include "core/core_host.h"
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/provisioning.h"
#include "manager/contact_transfer.h"
#include "manager/friend_frame.h"
#include "manager/manager_pane.h"
#include "resources/resource_ids.h"
#include "support/file_dialog.h"
#include "support/sqlite_file.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <cstring>

using namespace manager;

namespace {

std::vector<std::string> g_boxes;
std::string g_choice;  // empty: the user cancels
std::vector<bool> g_asked;
std::vector<std::pair<WPARAM, LPARAM>> g_notices;  // what the host window was posted, in order
WNDPROC g_notifyPrevious = nullptr;

LRESULT CALLBACK NotifyProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kTestNotifyMessage)
        g_notices.emplace_back(wp, lp);
    return ::CallWindowProcA(g_notifyPrevious, h, msg, wp, lp);
}

// Set while a test goes through the system's file dialogs: the timer types
// it into the dialog's file name and presses OK.
std::string g_typed;
struct FileDialogSeen {
    std::string initialName;
    bool owned;
};
std::vector<FileDialogSeen> g_fileDialogs;
HWND g_fileDialog = nullptr;

void CALLBACK CloseBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = testui::InnermostDialog();
    if (!box || box == g_fileDialog)
        return;
    if (HWND name = testui::FileNameEdit(box)) {
        g_fileDialog = box;
        g_fileDialogs.push_back({testui::WindowText(name), ::GetWindow(box, GW_OWNER) != nullptr});
        if (g_typed.empty()) {
            testui::ClickButton(box, IDCANCEL);
            return;
        }
        ::SetWindowTextA(name, g_typed.c_str());
        testui::ClickButton(box, IDOK);
        return;
    }
    HWND text = ::GetDlgItem(box, IDC_MESSAGEBOX_TEXT);
    g_boxes.push_back(text ? testui::WindowText(text) : testui::WindowText(box));
    ::SendMessageA(box, WM_COMMAND, IDOK, 0);
}

bool FakeChooser(bool save, std::string* path)
{
    g_asked.push_back(save);
    if (g_choice.empty())
        return false;
    *path = g_choice;
    return true;
}

class ContactTransferTest : public CoreHostTest {
protected:
    void SetUp() override
    {
        CoreHostTest::SetUp();
        LogIn();
        ASSERT_EQ(1, iniFriends());
        g_boxes.clear();
        g_asked.clear();
        g_choice.clear();
        g_typed.clear();
        g_fileDialogs.clear();
        g_fileDialog = nullptr;
        m_previous = SetFileChooser(FakeChooser);
        m_timer = ::SetTimer(nullptr, 0, 40, CloseBoxes);
        g_notifyPrevious = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(m_notify, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NotifyProc)));
    }
    void TearDown() override
    {
        if (CFriendFrmWnd* frame = CFriendFrmWnd::Current())
            ::DestroyWindow(*frame);
        ::KillTimer(nullptr, m_timer);
        SetFileChooser(m_previous);
        ::SetWindowLongPtrA(m_notify, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_notifyPrevious));
        CoreHostTest::TearDown();
    }
    CFriendFrmWnd* Open()
    {
        auto* frame = static_cast<CFriendFrmWnd*>(showFriendMain(0));
        testui::Pump(100);
        g_notices.clear();
        return frame;
    }
    void Command(CFriendFrmWnd* frame, UINT command, int selectValue = kRootValue)
    {
        HTREEITEM item = frame->LeftView().Tree().Find(selectValue);
        ASSERT_NE(nullptr, item);
        TreeView_SelectItem(frame->LeftView().Tree(), item);
        ::SetFocus(frame->LeftView().Tree());
        ::SendMessageA(*frame, WM_COMMAND, command, 0);
        testui::Pump(150);
    }
    int AddGroup(const char* name, int father)
    {
        FriendGroup g{};
        std::strcpy(g.name, name);
        g.fatherID = father;
        CFriendDB db;
        EXPECT_TRUE(OpenBook(db));
        EXPECT_EQ(1, db.AddGroup(kTestIdentity, &g, 1));
        return g.ID;
    }
    // A contact-list file made from the template, filled by `sql`.
    std::string ListFile(const char* name, const std::string& sql) const
    {
        const std::string path = DataDir() + "\\" + name;
        EXPECT_TRUE(::CopyFileA((GetModuleDir() + "\\friend.mdb").c_str(), path.c_str(), FALSE));
        EXPECT_EQ("", testsql::Exec(ToSqlitePath(path), sql));
        return path;
    }
    static std::string FileScalar(const std::string& path, const std::string& sql)
    {
        return testsql::Scalar(ToSqlitePath(path), sql);
    }
    // The cache holds exactly the rows of the file.
    void ExpectCacheMatchesBook() const
    {
        const FriendCache* cache = GetFriendCache();
        ASSERT_NE(nullptr, cache);
        EXPECT_EQ(Scalar("select count(*) from tab_group"), std::to_string(cache->groups.count));
        EXPECT_EQ(Scalar("select count(*) from tab_list"), std::to_string(cache->friends.count));
    }
    std::string Text(unsigned id) const { return testui::ResourceText(id); }

    FileChooser m_previous = nullptr;
    UINT_PTR m_timer = 0;
};

std::string Contacts(int from, int count, int group, const char* prefix)
{
    std::string sql;
    for (int i = 0; i < count; ++i)
        sql += "insert into tab_list(ID,groupID,userMirrun,mirrun,name,gender) values(" + std::to_string(from + i) +
               "," + std::to_string(group) + ",'x','" + prefix + std::to_string(i) + "','n',0);";
    return sql;
}

}  // namespace

TEST_F(ContactTransferTest, ExportOfAGroupWritesItsTreeWithNewIdsAndLeavesTheBook)
{
    AddGroup("other", -1);
    const int a = AddGroup("A", -1);
    const int b = AddGroup("B", a);
    AddGroup("C", a);
    FriendInfo f{};
    std::strcpy(f.mirrun, "0571990001");
    f.groupID = b;
    CFriendDB db;
    ASSERT_TRUE(OpenBook(db));
    ASSERT_EQ(1, db.AddFriendRec(kTestIdentity, &f, 1, 0, 1));
    db.CloseDB();
    const std::string before = ReadFileBytes(DatabasePath());
    CFriendFrmWnd* frame = Open();
    g_choice = DataDir() + "\\out.fdb";
    Command(frame, kCmdExport, static_cast<int>(FindGroupById(GetFriendCache(), a)));

    EXPECT_EQ((std::vector<std::string>{Text(518) + "A ?", Text(520)}), g_boxes);
    EXPECT_EQ(std::vector<bool>{true}, g_asked);
    EXPECT_EQ("0|A|-1;1|B|0;2|C|0", FileScalar(g_choice,
                                               "select group_concat(ID||'|'||name||'|'||fatherID, ';') "
                                               "from (select * from tab_group order by ID)"));
    EXPECT_EQ("0571990001|1|" + std::string(kTestIdentity),
              FileScalar(g_choice, "select mirrun||'|'||groupID||'|'||userMirrun from tab_list"));
    EXPECT_EQ(before, ReadFileBytes(DatabasePath()));
    EXPECT_TRUE(g_notices.empty());
}

TEST_F(ContactTransferTest, ExportRefusesTheBookAndACancelledSaveKeepsTheWorkingCopy)
{
    AddGroup("A", -1);
    const std::string before = ReadFileBytes(DatabasePath());
    CFriendFrmWnd* frame = Open();
    g_choice = DatabasePath();
    Command(frame, kCmdExport, kSecondValue);  // a pseudo-group: the whole book
    EXPECT_EQ((std::vector<std::string>{Text(518) + Text(833) + " ?", Text(521)}), g_boxes);
    EXPECT_EQ(before, ReadFileBytes(DatabasePath()));

    g_boxes.clear();
    g_choice.clear();
    ::DeleteFileA((DataDir() + "\\tmp.mdb").c_str());
    Command(frame, kCmdExport);
    EXPECT_EQ((std::vector<std::string>{Text(518) + Text(833) + " ?"}), g_boxes);
    EXPECT_EQ(before, ReadFileBytes(DataDir() + "\\tmp.mdb"));
}

TEST_F(ContactTransferTest, ImportAddsTheTopLevelTreesOnceAndReloads)
{
    const int mine = AddGroup("mine", -1);
    FriendInfo known{};
    std::strcpy(known.mirrun, "k1");
    known.groupID = mine;
    {
        CFriendDB db;
        ASSERT_TRUE(OpenBook(db));
        ASSERT_EQ(1, db.AddFriendRec(kTestIdentity, &known, 1, 0, 1));
    }
    GetFriendCache()->friends.data[FindFriendByNumber(GetFriendCache(), "k1")].state = 1;
    const int groupsBefore = std::stoi(Scalar("select count(*) from tab_group"));
    const int friendsBefore = std::stoi(Scalar("select count(*) from tab_list"));
    // X (id 5) with 300 contacts and a known number, Y under X; a cycle
    // (7<->8), a self-parent (9), a dangling parent (10), a duplicate id 5
    // under the cycle, and contacts outside every tree.
    g_choice = ListFile("in.fdb",
                        "insert into tab_group values(5,'x','X',-1);insert into tab_group values(6,'x','Y',5);"
                        "insert into tab_group values(7,'x','G7',8);insert into tab_group values(8,'x','G8',7);"
                        "insert into tab_group values(9,'x','G9',9);insert into tab_group values(10,'x','G10',99);"
                        "insert into tab_group values(5,'x','D5',7);" +
                            Contacts(0, 300, 5, "n") + Contacts(300, 2, 6, "y") + Contacts(400, 3, 7, "c") +
                            Contacts(500, 2, -10, "u") + "insert into tab_list(ID,groupID,mirrun) values(600,5,'k1');");
    CFriendFrmWnd* frame = Open();
    Command(frame, kCmdImport);

    EXPECT_EQ((std::vector<std::string>{Text(522) + Text(833) + " ?", Text(525)}), g_boxes);
    EXPECT_EQ(std::vector<bool>{false}, g_asked);
    EXPECT_EQ(std::to_string(groupsBefore + 2), Scalar("select count(*) from tab_group"));
    EXPECT_EQ(std::to_string(friendsBefore + 302), Scalar("select count(*) from tab_list"));
    EXPECT_EQ("1", Scalar("select count(*) from tab_list where mirrun='k1'"));
    EXPECT_EQ("Y", Scalar("select g.name from tab_group g join tab_group p on g.fatherID=p.ID where p.name='X' "
                          "and p.fatherID=-1"));
    EXPECT_EQ("300", Scalar("select count(*) from tab_list l join tab_group g on l.groupID=g.ID where g.name='X'"));
    ExpectCacheMatchesBook();
    const FriendCache* cache = GetFriendCache();
    EXPECT_EQ(1, cache->friends.data[FindFriendByNumber(cache, "k1")].state);
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{8, 0}, {6, 0}}), g_notices);
    EXPECT_NE(nullptr, frame->LeftView().Tree().Find(static_cast<int>(cache->groups.count - 1)));
}

TEST_F(ContactTransferTest, ATopLevelNameClashWritesNothing)
{
    AddGroup("X", -1);
    const std::string before = ReadFileBytes(DatabasePath());
    g_choice = ListFile("clash.fdb", "insert into tab_group values(0,'x','X',-1);" + Contacts(0, 2, 0, "z"));
    CFriendFrmWnd* frame = Open();
    Command(frame, kCmdImport);
    EXPECT_EQ((std::vector<std::string>{Text(522) + Text(833) + " ?", Text(511)}), g_boxes);
    EXPECT_EQ(before, ReadFileBytes(DatabasePath()));
    ExpectCacheMatchesBook();
    EXPECT_TRUE(g_notices.empty());
}

TEST_F(ContactTransferTest, ForeignFilesAreRefusedAndWriteNothing)
{
    const std::string before = ReadFileBytes(DatabasePath());
    const std::string good = ListFile("good.fdb", "insert into tab_group values(0,'x','X',-1);");
    const std::string garbage = DataDir() + "\\garbage.fdb";
    WriteFileBytes(garbage, std::string(5000, 'G'));
    const std::string truncated = DataDir() + "\\cut.fdb";
    WriteFileBytes(truncated, ReadFileBytes(good).substr(0, 1500));
    const std::string foreign = ListFile("foreign.fdb", "drop table tab_list; create table other(a);");
    const std::string noColumn =
        ListFile("nocol.fdb", "alter table tab_list drop column [rem];insert into tab_group values(0,'x','X',-1);");
    CFriendFrmWnd* frame = Open();
    for (const std::string& file : {garbage, truncated, foreign, noColumn}) {
        g_boxes.clear();
        g_choice = file;
        Command(frame, kCmdImport);
        ASSERT_EQ(2u, g_boxes.size()) << file;
        EXPECT_TRUE(g_boxes[1] == Text(523) || g_boxes[1] == Text(524)) << file << ": " << g_boxes[1];
        EXPECT_EQ(before, ReadFileBytes(DatabasePath())) << file;
    }
    ExpectCacheMatchesBook();
    EXPECT_TRUE(g_notices.empty());
}

TEST_F(ContactTransferTest, AListThatCannotBeCopiedInIsNotReadFromAnEarlierWorkingCopy)
{
    ListFile("tmp.mdb", "insert into tab_group values(0,'x','Earlier',-1);");
    const std::string before = ReadFileBytes(DatabasePath());
    g_choice = DataDir() + "\\missing.fdb";
    CFriendFrmWnd* frame = Open();
    Command(frame, kCmdImport);
    EXPECT_EQ((std::vector<std::string>{Text(522) + Text(833) + " ?", Text(519)}), g_boxes);
    EXPECT_EQ(before, ReadFileBytes(DatabasePath()));
    EXPECT_TRUE(g_notices.empty());
}

TEST_F(ContactTransferTest, AFailureInTheSecondTreeLeavesTheBookAsItWas)
{
    // The store refuses one row of the second tree.
    Exec(
        "create trigger refuse before insert on tab_list when new.mirrun='bad' "
        "begin select raise(abort,'refused'); end;");
    const std::string before = ReadFileBytes(DatabasePath());
    const intptr_t groups = GetFriendCache()->groups.count;
    const intptr_t friends = GetFriendCache()->friends.count;
    g_choice = ListFile("half.fdb",
                        "insert into tab_group values(0,'x','T1',-1);insert into tab_group "
                        "values(1,'x','T2',-1);" +
                            Contacts(0, 5, 0, "a") + Contacts(10, 2, 1, "b") +
                            "insert into tab_list(ID,groupID,mirrun) values(20,1,'bad');");
    CFriendFrmWnd* frame = Open();
    Command(frame, kCmdImport);
    EXPECT_EQ((std::vector<std::string>{Text(522) + Text(833) + " ?", Text(524)}), g_boxes);
    EXPECT_EQ(before, ReadFileBytes(DatabasePath()));
    EXPECT_EQ(groups, GetFriendCache()->groups.count);
    EXPECT_EQ(friends, GetFriendCache()->friends.count);
    EXPECT_EQ(nullptr, frame->LeftView().Tree().Find(static_cast<int>(groups)));
    EXPECT_TRUE(g_notices.empty());
}

// The one pass through the system's dialogs: no owner, the initial name,
// the default extension added to a name typed without one.
TEST_F(ContactTransferTest, TheSystemDialogsSaveAndOpenTheTypedFiles)
{
    const int a = AddGroup("A", -1);
    SetFileChooser(nullptr);
    CFriendFrmWnd* frame = Open();
    g_typed = DataDir() + "\\typed";
    Command(frame, kCmdExport, static_cast<int>(FindGroupById(GetFriendCache(), a)));
    EXPECT_EQ((std::vector<std::string>{Text(518) + "A ?", Text(520)}), g_boxes);
    ASSERT_EQ(1u, g_fileDialogs.size());
    EXPECT_EQ(Text(837), g_fileDialogs[0].initialName);
    EXPECT_FALSE(g_fileDialogs[0].owned);
    EXPECT_EQ("A", FileScalar(g_typed + ".fdb", "select name from tab_group"));

    g_boxes.clear();
    g_fileDialog = nullptr;
    g_typed = ListFile("typed-in.fdb", "insert into tab_group values(0,'x','X',-1);" + Contacts(0, 2, 0, "t"));
    Command(frame, kCmdImport);
    EXPECT_EQ((std::vector<std::string>{Text(522) + Text(833) + " ?", Text(525)}), g_boxes);
    ASSERT_EQ(2u, g_fileDialogs.size());
    EXPECT_FALSE(g_fileDialogs[1].owned);
    EXPECT_EQ("2", Scalar("select count(*) from tab_list l join tab_group g on l.groupID=g.ID where g.name='X'"));
}

TEST_F(ContactTransferTest, AFileOfFiveThousandContactsImportsWhole)
{
    const std::string before = Scalar("select count(*) from tab_list");
    g_choice = ListFile("big.fdb",
                        "begin;insert into tab_group values(0,'x','Big',-1);insert into tab_group "
                        "values(1,'x','Sub',0);" +
                            Contacts(0, 4000, 0, "b") + Contacts(4000, 1000, 1, "s") + "commit;");
    CFriendFrmWnd* frame = Open();
    Command(frame, kCmdImport);
    EXPECT_EQ((std::vector<std::string>{Text(522) + Text(833) + " ?", Text(525)}), g_boxes);
    EXPECT_EQ(std::to_string(std::stoi(before) + 5000), Scalar("select count(*) from tab_list"));
    EXPECT_EQ(Scalar("select count(*) from tab_list"), Scalar("select count(distinct ID) from tab_list"));
    EXPECT_EQ("1000", Scalar("select count(*) from tab_list l join tab_group g on l.groupID=g.ID join tab_group p "
                             "on g.fatherID=p.ID where g.name='Sub' and p.name='Big' and p.fatherID=-1"));
    ExpectCacheMatchesBook();
}

int FailingReload()
{
    releaseFriends();  // as a failed iniFriends leaves it: the old cache freed
    return 0;
}

TEST_F(ContactTransferTest, AFailedReloadEmptiesTheTreeThenSaysSo)
{
    AddGroup("mine", -1);
    g_choice = ListFile("r.fdb", "insert into tab_group values(0,'x','R',-1);" + Contacts(0, 3, 0, "r"));
    CFriendFrmWnd* frame = Open();
    ASSERT_NE(0u, TreeView_GetCount(frame->LeftView().Tree()));
    const BookReloader previous = SetBookReloader(FailingReload);
    Command(frame, kCmdImport);
    SetBookReloader(previous);
    EXPECT_EQ((std::vector<std::string>{Text(522) + Text(833) + " ?", Text(526)}), g_boxes);
    EXPECT_EQ("3", Scalar("select count(*) from tab_list l join tab_group g on l.groupID=g.ID where g.name='R'"));
    EXPECT_EQ(0u, TreeView_GetCount(frame->LeftView().Tree()));
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{8, 0}, {6, 0}}), g_notices);
}
