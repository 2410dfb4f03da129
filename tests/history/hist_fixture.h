// A logged-in user for the history tests: a configuration record whose data
// directory is a scratch folder (the store's file lives there), and ways to
// make entries.
#pragma once

#include "history_lib.h"
#include "pelmo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

constexpr char kHistIdentity[] = "8613800000009";

class HistoryStoreTest : public ::testing::Test {
public:
    // An entry of the user's; null texts stay null.
    static HistRecord Entry(const char* type, const char* group, const char* status, const char* a, const char* b,
                            const char* content, const char* detail = "");

protected:
    void SetUp() override;
    void TearDown() override;
    void PointAt(const std::string& dataDir, HWND notify = nullptr, UINT message = 0);
    std::string StorePath() const { return m_dir + "\\history.db"; }

    // The entries of one group as the store hands them out (copied).
    struct Held {
        HistRecord fixed;
        std::string a, b, content;
    };
    static std::vector<Held> Query(const char* type, const char* group);

    static std::string ReadBytes(const std::string& path);
    static void WriteBytes(const std::string& path, const std::string& bytes);
    static std::string MakeScratchDir(const char* tag);
    static void RemoveDir(const std::string& dir);

    std::string m_dir;
};
