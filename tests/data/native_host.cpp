#include "native_host.h"

#include "core/friend_cache.h"
#include "core/user_notice.h"
#include "friend_schema.h"
#include "../support/sqlite_file.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {
FriendCache* g_cache = nullptr;
std::vector<std::pair<unsigned, unsigned>> g_boxes;
}  // namespace

class BoxRecorder : public UserNoticeSink {
public:
    BoxRecorder() { SetUserNoticeSink(this); }
    void Show(const UserNotice& notice) override { g_boxes.emplace_back(notice.textId, notice.captionId); }
};
BoxRecorder g_recorder;

FriendCache* CurrentFriendCache()
{
    return g_cache;
}

namespace native_host {
void SetCache(FriendCache* cache)
{
    g_cache = cache;
}
std::vector<std::pair<unsigned, unsigned>> TakeBoxes()
{
    return std::exchange(g_boxes, {});
}
}  // namespace native_host

ScratchDb::ScratchDb()
{
#if defined(_WIN32)
    // The Windows build of these tests (no mkdtemp there).
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    m_dir =
        std::string(temp) + "pelmo-data-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++serial);
    if (!::CreateDirectoryA(m_dir.c_str(), nullptr))
        throw std::runtime_error("CreateDirectory");
#else
    char pattern[] = "/tmp/pelmo-data-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp");
    m_dir = pattern;
#endif
    m_path = m_dir + "/friend.mdb";
    sqlite3* db = nullptr;
    sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char* error = nullptr;
    if (sqlite3_exec(db, kFriendSchemaSql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error ? error : "?";
        sqlite3_free(error);
        sqlite3_close(db);
        throw std::runtime_error(text);
    }
    sqlite3_close(db);
}

ScratchDb::~ScratchDb()
{
    std::filesystem::remove_all(m_dir);
}

void ScratchDb::Exec(const std::string& sql) const
{
    const std::string error = testsql::Exec(m_path, sql);
    if (!error.empty())
        throw std::runtime_error(error + " in: " + sql);
}

std::string ScratchDb::Scalar(const std::string& sql) const
{
    return testsql::Scalar(m_path, sql);
}
