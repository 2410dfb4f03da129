#include "manager/contact_transfer.h"

#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/host_config.h"
#include "core/provisioning.h"
#include "core/resource_text.h"
#include "core/text.h"
#include "manager/dialog_look.h"
#include "manager/manager_pane.h"
#include "resources/string_ids.h"

#include <commdlg.h>

#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

namespace manager {

namespace {

constexpr char kFilter[] = "friends list (*.fdb)\0*.fdb\0\0";
constexpr char kDefaultExtension[] = "fdb";
constexpr char kBookFile[] = "friend.mdb";
constexpr char kWorkingFile[] = "tmp.mdb";
constexpr char kPartSuffix[] = ".part~";

FileChooser g_chooser = nullptr;
BookReloader g_reloader = nullptr;

std::string Join(const std::string& dir, const char* name)
{
    return dir + "\\" + name;
}

std::string DataDir(const HostConfig& config)
{
    return std::string(config.dataDir, ::strnlen(config.dataDir, sizeof config.dataDir));
}

bool Choose(bool save, std::string* path)
{
    return (g_chooser ? g_chooser : ChooseFileWithDialog)(save, path);
}

void Tell(unsigned textId, HWND parent)
{
    outPutInfo(textId, dialoglook::kManagerCaption, parent);
}

// Whether two paths name the same file, by their full, case-folded forms.
bool SameFile(const std::string& a, const std::string& b)
{
    char fullA[MAX_PATH * 2] = {};
    char fullB[MAX_PATH * 2] = {};
    if (!::GetFullPathNameA(a.c_str(), sizeof fullA, fullA, nullptr) ||
        !::GetFullPathNameA(b.c_str(), sizeof fullB, fullB, nullptr))
        return a == b;
    return ::lstrcmpiA(fullA, fullB) == 0;
}

// The working copy for an export; false when it cannot be made.
bool PrepareExport(const FriendCache* cache, int value)
{
    HostConfig config{};
    if (!ReadHostConfig(&config))
        return false;
    const std::string dir = DataDir(config);
    const std::string working = Join(dir, kWorkingFile);
    if (value < 0)
        return ::CopyFileA(Join(dir, kBookFile).c_str(), working.c_str(), FALSE) != 0;
    if (!::CopyFileA(Join(GetModuleDir(), kBookFile).c_str(), working.c_str(), FALSE))
        return false;
    CFriendDB db;
    db.SetConnectInfo(working, kFriendUser, kFriendPassword);
    const int result = db.CopyGroupTrees(Identity().c_str(), cache, {value}, -1, 0, 1);
    db.CloseDB();
    return result >= 0;
}

// Copies the working copy to `target` by way of a file beside it, so a copy
// that fails part-way leaves the target as it was.
bool WriteTarget(const std::string& working, const std::string& target)
{
    const std::string part = target + kPartSuffix;
    if (!::CopyFileA(working.c_str(), part.c_str(), FALSE)) {
        ::DeleteFileA(part.c_str());
        return false;
    }
    if (!::MoveFileExA(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(part.c_str());
        return false;
    }
    return true;
}

}  // namespace

FileChooser SetFileChooser(FileChooser chooser)
{
    FileChooser before = g_chooser;
    g_chooser = chooser;
    return before;
}

BookReloader SetBookReloader(BookReloader reloader)
{
    BookReloader before = g_reloader;
    g_reloader = reloader;
    return before;
}

bool ChooseFileWithDialog(bool save, std::string* path)
{
    char file[MAX_PATH * 2] = {};
    ::lstrcpynA(file, resources::String(IDS_EXPORT_FILE_NAME).c_str(), sizeof file);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = nullptr;
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrDefExt = kDefaultExtension;
    ofn.Flags = save ? (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT)
                     : (OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY);
    const BOOL chosen = save ? ::GetSaveFileNameA(&ofn) : ::GetOpenFileNameA(&ofn);
    if (!chosen)
        return false;
    *path = file;
    return true;
}

void ExportContacts(HWND parent, int value, const std::string& itemText)
{
    const FriendCache* cache = GetFriendCache();
    if (!cache)
        return;
    const std::string name = value >= 0 ? itemText : resources::String(IDS_ADDRESS_BOOK_ROOT);
    const std::string question = resources::String(IDS_ASK_EXPORT_PREFIX) + name + " ?";
    if (MessageBoxSkin(question.c_str(), resources::String(IDS_MANAGER_CAPTION).c_str(), PELMO_MB_QUESTION, parent) !=
        1)
        return;
    cache = GetFriendCache();  // the question ran the host's messages
    if (!cache || !PrepareExport(cache, value)) {
        Tell(IDS_ERR_PREPARE_FILE, parent);
        return;
    }
    HostConfig config{};
    if (!ReadHostConfig(&config))
        return;
    std::string target;
    if (!Choose(true, &target))
        return;  // the working copy stays
    const std::string dir = DataDir(config);
    const std::string working = Join(dir, kWorkingFile);
    // Never over the book itself or the copy being written from.
    const bool refused = SameFile(target, Join(dir, kBookFile)) || SameFile(target, working);
    Tell(!refused && WriteTarget(working, target) ? IDS_EXPORT_DONE : IDS_ERR_EXPORT, parent);
}

ImportOutcome ImportContacts(HWND parent)
{
    ImportOutcome outcome;
    if (!GetFriendCache())
        return outcome;
    const std::string question =
        resources::String(IDS_ASK_IMPORT_PREFIX) + resources::String(IDS_ADDRESS_BOOK_ROOT) + " ?";
    if (MessageBoxSkin(question.c_str(), resources::String(IDS_MANAGER_CAPTION).c_str(), PELMO_MB_QUESTION, parent) !=
        1)
        return outcome;
    HostConfig config{};
    if (!ReadHostConfig(&config))
        return outcome;
    const std::string identity = Identity();
    const std::string working = Join(DataDir(config), kWorkingFile);
    std::string chosen;
    if (!Choose(false, &chosen))
        return outcome;
    if (!::CopyFileA(chosen.c_str(), working.c_str(), FALSE)) {
        Tell(IDS_ERR_PREPARE_FILE, parent);
        return outcome;
    }

    // Every row of the file, whatever its owner; the file is refused whole
    // when it is no database of ours.
    std::unique_ptr<FriendCache, void (*)(FriendCache*)> file(NewFriendCache(), FreeFriendCache);
    {
        CFriendDB db;
        db.SetConnectInfo(working, kFriendUser, kFriendPassword);
        if (!file || !db.LoadGroups(identity.c_str(), file.get())) {
            Tell(IDS_ERR_IMPORT_GROUPS, parent);
            return outcome;
        }
        if (!db.LoadFriends(identity.c_str(), &file->friends)) {
            Tell(IDS_ERR_IMPORT_CONTACTS, parent);
            return outcome;
        }
    }

    const FriendCache* book = GetFriendCache();
    if (!book) {
        Tell(IDS_NOT_INITIALISED, parent);
        return outcome;
    }
    std::vector<int> tops;
    for (intptr_t i = 0; i < file->groups.count; ++i) {
        const FriendGroup& g = file->groups.data[i];
        if (g.fatherID != -1)
            continue;
        for (intptr_t j = 0; j < book->groups.count; ++j) {
            const FriendGroup& mine = book->groups.data[j];
            if (mine.fatherID == -1 && FieldText(mine.name) == FieldText(g.name)) {
                Tell(IDS_ERR_GROUP_NAME_EXISTS, parent);
                return outcome;
            }
        }
        tops.push_back(static_cast<int>(i));
    }

    {
        CFriendDB db;
        if (!OpenBook(db) || db.CopyGroupTrees(identity.c_str(), file.get(), tops, -1, 1, 0) < 0) {
            Tell(IDS_ERR_IMPORT_CONTACTS, parent);
            return outcome;
        }
    }

    // The host does not resend presence after a reload: carry it over for
    // the numbers still in the book.
    std::unordered_map<std::string, int> presence;
    if (const FriendCache* before = GetFriendCache())
        for (intptr_t i = 0; i < before->friends.count; ++i)
            if (before->friends.data[i].state)
                presence.emplace(FieldText(before->friends.data[i].mirrun), before->friends.data[i].state);
    const int reloaded = g_reloader ? g_reloader() : iniFriends();
    if (FriendCache* after = GetFriendCache()) {
        for (intptr_t i = 0; i < after->friends.count; ++i) {
            auto it = presence.find(FieldText(after->friends.data[i].mirrun));
            if (it != presence.end())
                after->friends.data[i].state = it->second;
        }
    }
    if (HWND host = static_cast<HWND>(ULongToHandle(config.notifyWindow))) {
        ::PostMessageA(host, LOWORD(config.notifyMessage), PELMO_NOTICE_BOOK_RELOADED, 0);
        ::PostMessageA(host, LOWORD(config.notifyMessage), PELMO_NOTICE_BOOK_CHANGED, 0);
    }
    outcome.reloaded = true;
    outcome.message = reloaded ? IDS_IMPORT_DONE : IDS_ERR_RELOAD;
    return outcome;
}

}  // namespace manager
