#include "hist_fixture.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {
// A fixed field filled like the host does: cut to the width, no terminator when full.
template <size_t N>
void Put(char (&field)[N], const char* text)
{
    std::memcpy(field, text, strnlen(text, N));
}
}  // namespace

std::string HistoryStoreTest::MakeScratchDir(const char* tag)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    static int serial = 0;
    std::string dir = std::string(temp) + "pelmo-hist-" + tag + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
                      std::to_string(++serial);
    ::CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void HistoryStoreTest::RemoveDir(const std::string& dir)
{
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileA((dir + "\\" + found.cFileName).c_str());
        } while (::FindNextFileA(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
}

void HistoryStoreTest::SetUp()
{
    m_dir = MakeScratchDir("store");
    PointAt(m_dir);
}

void HistoryStoreTest::TearDown()
{
    closeHistStore();
    clearConfInfo(TEMBRA_CONF_KEY);
    RemoveDir(m_dir);
}

void HistoryStoreTest::PointAt(const std::string& dataDir, HWND notify, UINT message)
{
    HostConfig config;
    std::memset(&config, 0, sizeof config);
    config.notifyWindow = HandleToULong(notify);
    config.notifyMessage = static_cast<unsigned short>(message);
    std::strcpy(config.identity, kHistIdentity);
    std::strncpy(config.dataDir, dataDir.c_str(), sizeof config.dataDir - 1);
    ASSERT_EQ(0, setConfInfo(TEMBRA_CONF_KEY, &config));
}

HistRecord HistoryStoreTest::Entry(const char* type, const char* group, const char* status, const char* a,
                                   const char* b, const char* content, const char* detail)
{
    HistRecord r{};
    Put(r.owner, kHistIdentity);
    Put(r.type, type);
    Put(r.info, type);
    Put(r.group, group);
    Put(r.status, status);
    Put(r.detail, detail);
    r.partyA = const_cast<char*>(a);
    r.partyB = const_cast<char*>(b);
    r.content = const_cast<char*>(content);
    return r;
}

std::vector<HistoryStoreTest::Held> HistoryStoreTest::Query(const char* type, const char* group)
{
    HistRecord query{};
    Put(query.owner, kHistIdentity);
    Put(query.type, type);
    Put(query.group, group);
    int count = -1;
    HistRecord* items = getHistItem(&query, &count);
    std::vector<Held> out;
    for (int i = 0; items && i < count; ++i)
        out.push_back(Held{items[i], items[i].partyA, items[i].partyB, items[i].content});
    releaseItemBuf(items, count);
    return out;
}

std::string HistoryStoreTest::ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void HistoryStoreTest::WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}
