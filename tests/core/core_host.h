// A logged-in host for the core tests: a configuration record in the history
// library with a scratch data directory and a notify window, and the boxes
// the library would show, recorded instead of shown.
#pragma once

#include "pelmo.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

constexpr char kTestIdentity[] = "8613800000001";
constexpr UINT kTestNotifyMessage = WM_APP + 0x31;

class CoreHostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores the record with `dataDir` (the scratch folder by default).
    void LogIn(const std::string& dataDir = std::string());
    void LogOut();
    std::string DatabasePath() const { return m_dataDir + "\\friend.mdb"; }
    const std::string& DataDir() const { return m_dataDir; }
    HostConfig Config() const;

    // Notices posted to the notify window since the last call: (wParam, lParam).
    std::vector<std::pair<WPARAM, LPARAM>> TakeNotices();
    static std::vector<std::pair<unsigned, unsigned>> TakeInfoBoxes();
    static std::vector<std::string> TakeSystemMessages();

    // Direct access to the file, beside the library's own connection.
    void Exec(const std::string& sql) const;
    std::string Scalar(const std::string& sql) const;
    static std::string ReadFileBytes(const std::string& path);
    static void WriteFileBytes(const std::string& path, const std::string& bytes);

    HWND m_notify = nullptr;

private:
    std::string m_dataDir;
};

// A folder under the temporary directory, removed with its files.
std::string MakeScratchDir(const char* tag);
void RemoveScratchDir(const std::string& dir);
