#include "core_host.h"

#include "core/host_config.h"
#include "core/user_notice.h"
#include "framework/data/database.h"
#include "history_lib.h"

#include "support/sqlite_file.h"
#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

std::vector<std::pair<unsigned, unsigned>> g_infoBoxes;
std::vector<std::string> g_systemMessages;

// Records the notices instead of showing boxes.
class RecordingSink : public UserNoticeSink {
public:
    void Show(const UserNotice& notice) override
    {
        if (notice.kind == UserNotice::Kind::kInfo)
            g_infoBoxes.emplace_back(notice.textId, notice.captionId);
        else
            g_systemMessages.push_back(notice.text);
    }
};
RecordingSink g_recorder;
UserNoticeSink* g_previousSink = nullptr;

// A message-only window: the notices posted to it wait in the queue.
HWND MakeNotifyWindow()
{
    return ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}
}  // namespace

std::string MakeScratchDir(const char* tag)
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    std::string dir = std::string(temp) + "pelmo-" + tag + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
                      std::to_string(++serial);
    ::CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void RemoveScratchDir(const std::string& dir)
{
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveScratchDir(dir + "\\" + name);
            else
                ::DeleteFileA((dir + "\\" + name).c_str());
        } while (::FindNextFileA(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
}

void CoreHostTest::SetUp()
{
    g_previousSink = SetUserNoticeSink(&g_recorder);
    m_dataDir = MakeScratchDir("core");
    m_notify = MakeNotifyWindow();
    TakeInfoBoxes();
    TakeSystemMessages();
}

void CoreHostTest::TearDown()
{
    releaseFriends();
    clearConfInfo(TEMBRA_CONF_KEY);
    SetUserNoticeSink(g_previousSink);
    ::DestroyWindow(m_notify);
    RemoveScratchDir(m_dataDir);
}

void CoreHostTest::LogIn(const std::string& dataDir)
{
    HostConfig config;
    std::memset(&config, 0, sizeof config);
    config.notifyWindow = HandleToULong(m_notify);
    config.notifyMessage = static_cast<unsigned short>(kTestNotifyMessage);
    std::strcpy(config.identity, kTestIdentity);
    std::string dir = dataDir.empty() ? m_dataDir : dataDir;
    std::strncpy(config.dataDir, dir.c_str(), sizeof config.dataDir - 1);
    std::memset(config.reserved, 0x5A, sizeof config.reserved);  // the host's own bytes
    ASSERT_EQ(0, setConfInfo(TEMBRA_CONF_KEY, &config));
}

void CoreHostTest::LogOut()
{
    clearConfInfo(TEMBRA_CONF_KEY);
}

HostConfig CoreHostTest::Config() const
{
    HostConfig config{};
    EXPECT_GE(getConfInfo(TEMBRA_CONF_KEY, &config), 0);
    return config;
}

std::vector<std::pair<WPARAM, LPARAM>> CoreHostTest::TakeNotices()
{
    std::vector<std::pair<WPARAM, LPARAM>> out;
    MSG msg;
    while (::PeekMessageA(&msg, m_notify, kTestNotifyMessage, kTestNotifyMessage, PM_REMOVE))
        out.emplace_back(msg.wParam, msg.lParam);
    return out;
}

std::vector<std::pair<unsigned, unsigned>> CoreHostTest::TakeInfoBoxes()
{
    return std::exchange(g_infoBoxes, {});
}
std::vector<std::string> CoreHostTest::TakeSystemMessages()
{
    return std::exchange(g_systemMessages, {});
}

void CoreHostTest::Exec(const std::string& sql) const
{
    const std::string error = testsql::Exec(ToSqlitePath(DatabasePath()), sql);
    if (!error.empty())
        ADD_FAILURE() << error << " in: " << sql;
}

std::string CoreHostTest::Scalar(const std::string& sql) const
{
    return testsql::Scalar(ToSqlitePath(DatabasePath()), sql);
}

std::string CoreHostTest::ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void CoreHostTest::WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}
