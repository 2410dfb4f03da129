#include "core/provisioning.h"

#include "core/friend_db.h"
#include "core/host_config.h"
#include "core/product.h"
#include "core/records.h"
#include "core/resource_text.h"
#include "core/text.h"
#include "core/user_notice.h"
#include "pelmo.h"
#include "string_ids.h"

#include <windows.h>

namespace {

constexpr char kDatabaseFile[] = "friend.mdb";
// The copy in progress: a name no longer than the database's own, so that
// wherever the database fits, so does its copy.
constexpr char kPartialFile[] = "friend.new";
// The longest name the database engine puts beside the file.
constexpr char kLongestCompanion[] = "friend.mdb-journal";
constexpr char kTemplateMissing[] = "程序主目录下未发现好友数据库模板!";
constexpr char kNoDataDir[] = "主程序未设置用户数据目录，无法使用好友数据库！";
constexpr char kDataDirTooLong[] = "用户数据目录的路径太长，无法存放好友数据库：";
constexpr char kCannotCreate[] = "无法在用户数据目录中建立好友数据库：";

enum class FileState { kMissing, kEmpty, kPresent };

// A file of no bytes holds no address book (a copy that never got its
// data): it is made anew from the template like a missing one.
FileState DatabaseFileState(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return FileState::kMissing;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return FileState::kPresent;  // the open says what is wrong
    return data.nFileSizeHigh == 0 && data.nFileSizeLow == 0 ? FileState::kEmpty : FileState::kPresent;
}

bool FileExists(const std::string& path)
{
    return DatabaseFileState(path) != FileState::kMissing;
}

// Copies beside the target, then renames: a copy cut short by a crash never
// stands where the database belongs.
bool CopyTemplate(const std::string& from, const std::string& dir, const std::string& to)
{
    const std::string partial = dir + "\\" + kPartialFile;
    if (!::CopyFileA(from.c_str(), partial.c_str(), FALSE)) {
        ::DeleteFileA(partial.c_str());
        return false;
    }
    if (!::MoveFileExA(partial.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(partial.c_str());
        return false;
    }
    return true;
}

bool IsBlank(const std::string& text)
{
    return text.find_first_not_of(" \t") == std::string::npos;
}

void StoreServiceContact(const std::string& path, const char* identity)
{
    FriendInfo service{};
    CopyField(service.mirrun, kServiceNumber);
    service.groupID = PELMO_GROUP_SERVICE;
    CopyField(service.nickname, resources::String(IDS_SERVICE_NAME, sizeof service.nickname - 1));
    CopyField(service.name, kMakerName);
    CopyField(service.company, kMakerName);
    CopyField(service.city, kMakerCity);
    CopyField(service.company_phone, kMakerPhone);
    CopyField(service.fax_phone, kMakerFax);
    CopyField(service.e_mail, kMakerEmail);
    service.state = PELMO_STATE_SPECIAL;

    CFriendDB db;
    db.SetConnectInfo(path, kFriendUser, kFriendPassword);
    db.AddFriendRec(identity, &service, 1, 1, 0);
}

}  // namespace

std::string GetModuleDir()
{
    char path[MAX_PATH + 1] = {};  // one spare byte: a cut name still ends
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path);
    size_t slash = LastPathSeparator(full);
    return slash == std::string::npos ? std::string() : full.substr(0, slash);
}

std::string PrepareFriendDB()
{
    HostConfig config;
    if (!ReadHostConfig(&config))
        return std::string();
    const std::string dir = FieldText(config.dataDir);
    if (IsBlank(dir)) {
        // Never the root of the current drive.
        TellSystemMessage(kNoDataDir);
        return std::string();
    }
    std::string path = dir + "\\" + kDatabaseFile;
    if (dir.size() + 1 + sizeof kLongestCompanion > MAX_PATH) {
        TellSystemMessage(kDataDirTooLong + dir);
        return std::string();
    }
    if (DatabaseFileState(path) == FileState::kPresent)
        return path;

    std::string templatePath = GetModuleDir() + "\\" + kDatabaseFile;
    if (!FileExists(templatePath)) {
        TellSystemMessage(kTemplateMissing);
        return std::string();
    }
    if (!CopyTemplate(templatePath, dir, path)) {
        TellSystemMessage(kCannotCreate + dir);
        return path;  // the open that follows fails
    }
    StoreServiceContact(path, FieldText(config.identity).c_str());
    return path;
}
