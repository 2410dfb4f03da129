#include "module/provisioning.h"

#include "core/friend_db.h"
#include "core/host_config.h"
#include "core/product.h"
#include "core/records.h"
#include "pelmo.h"
#include "string_ids.h"

#include <windows.h>

namespace {

constexpr char kDatabaseFile[] = "friend.mdb";
constexpr char kTemplateMissing[] = "程序主目录下未发现好友数据库模板!";

bool FileExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Copies beside the target, then renames: a copy cut short by a crash never
// stands where the database belongs.
bool CopyTemplate(const std::string& from, const std::string& to) {
    std::string partial = to + ".new";
    if (!::CopyFileA(from.c_str(), partial.c_str(), FALSE)) return false;
    if (!::MoveFileA(partial.c_str(), to.c_str())) {
        ::DeleteFileA(partial.c_str());
        return false;
    }
    return true;
}

void StoreServiceContact(const std::string& path, const char* identity) {
    FriendInfo service{};
    CopyField(service.mirrun, kServiceNumber);
    service.groupID = PELMO_GROUP_SERVICE;
    char nickname[sizeof service.nickname] = {};
    getGlobalStr(IDS_SERVICE_NAME, nickname, sizeof nickname);
    CopyField(service.nickname, nickname);
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

} // namespace

std::string GetModuleDir() {
    char path[MAX_PATH + 1] = {}; // one spare byte: a cut name still ends
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path);
    size_t slash = full.rfind('\\');
    return slash == std::string::npos ? std::string() : full.substr(0, slash);
}

std::string PrepareFriendDB() {
    HostConfig config;
    if (!ReadHostConfig(&config)) return std::string();
    std::string path = FieldText(config.dataDir) + "\\" + kDatabaseFile;
    if (FileExists(path)) return path;

    std::string templatePath = GetModuleDir() + "\\" + kDatabaseFile;
    if (!FileExists(templatePath)) {
        ShowSystemMessage(kTemplateMissing);
        return std::string();
    }
    if (!CopyTemplate(templatePath, path)) return path; // the open that follows fails
    StoreServiceContact(path, FieldText(config.identity).c_str());
    return path;
}
