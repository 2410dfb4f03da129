// The history store of the tembra.dll stand-in: what a viewer and a host rely
// on, and what a hostile file or record must not break.
#include "hist_fixture.h"

#include <sqlite3.h>

#include <cstring>

namespace {

using Store = HistoryStoreTest;

TEST_F(Store, EntriesAndReadStatusOutliveTheHostAndFollowTheFile)
{
    HistRecord e[] = {Entry("text", "2024-05", "未读", "100", kHistIdentity, "<BODY>a</BODY>"),
                      Entry("text", "2024-05", "已发", kHistIdentity, "101", "<BODY>b</BODY>"),
                      Entry("tel", "2024-05", "", "102", kHistIdentity, nullptr)};
    ASSERT_EQ(3, addHistEntries(e, 3));
    HistRecord query = Entry("text", "2024-05", "", "", "", "");
    int count = 0;
    HistRecord* items = getHistItem(&query, &count);
    ASSERT_EQ(2, count);
    HistRecord read = items[0];
    std::strcpy(read.status, "已读");
    EXPECT_EQ(0, updateOneHist(&items[0], &read));
    releaseItemBuf(items, count);

    // A restart: the library lets go of the file; a copy of it elsewhere is
    // the whole store.
    closeHistStore();
    const std::string moved = MakeScratchDir("moved");
    ASSERT_TRUE(::CopyFileA(StorePath().c_str(), (moved + "\\history.db").c_str(), FALSE));
    PointAt(moved);
    auto held = Query("text", "2024-05");
    ASSERT_EQ(2u, held.size());
    EXPECT_STREQ("已读", held[0].fixed.status) << "oldest first, read status kept";
    EXPECT_EQ("100", held[0].a);
    EXPECT_STREQ("已发", held[1].fixed.status);
    auto calls = Query("tel", "2024-05");
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("", calls[0].content) << "a null text is stored as empty";
    closeHistStore();
    RemoveDir(moved);
}

TEST_F(Store, UpdateAndDeleteFindOnlyTheirOwnRow)
{
    HistRecord e[] = {Entry("text", "g", "未读", "1", "2", ""), Entry("text", "g", "未读", "3", "4", "")};
    ASSERT_EQ(2, addHistEntries(e, 2));
    HistRecord query = Entry("text", "g", "", "", "", "");
    int count = 0;
    HistRecord* items = getHistItem(&query, &count);
    ASSERT_EQ(2, count);
    HistRecord forged = items[1];
    std::memset(forged.reserved, 0, sizeof forged.reserved);
    EXPECT_LT(delOneHist(&forged), 0) << "a record without our stamp names no row";
    EXPECT_EQ(0, delOneHist(&items[1]));
    EXPECT_LT(delOneHist(&items[1]), 0) << "gone already";
    EXPECT_LT(updateOneHist(&items[1], &items[1]), 0);
    releaseItemBuf(items, count);
    auto held = Query("text", "g");
    ASSERT_EQ(1u, held.size());
    EXPECT_EQ("1", held[0].a);
}

TEST_F(Store, FullWidthGroupNamesRoundTripAndTheSecondCallNeverOverflows)
{
    const std::string full(50, 'G');  // no room for a terminator
    HistRecord e = Entry("text", "", "", "1", "2", "");
    std::memcpy(e.group, full.data(), 50);
    ASSERT_GE(addOneHist(&e), 0);
    ASSERT_EQ(1, getHistGroup(kHistIdentity, "text", nullptr));
    // An entry arrives between the count and the names: the buffer is sized
    // for one name, and one is all it gets.
    HistRecord later = Entry("text", "later", "", "1", "2", "");
    ASSERT_GE(addOneHist(&later), 0);
    char buffer[50 + 8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(1, getHistGroup(kHistIdentity, "text", buffer));
    EXPECT_EQ(full, std::string(buffer, 50));
    EXPECT_EQ(std::string(8, '#'), std::string(buffer + 50, 8));

    HistRecord query{};
    std::strncpy(query.owner, kHistIdentity, sizeof query.owner);
    std::strcpy(query.type, "text");
    std::memcpy(query.group, full.data(), 50);
    int count = 0;
    HistRecord* items = getHistItem(&query, &count);
    ASSERT_EQ(1, count);
    EXPECT_EQ(0, std::memcmp(items[0].group, full.data(), 50));
    releaseItemBuf(items, count);
}

TEST_F(Store, AFileThatIsNotAHistoryStoreGivesNothingAndIsLeftAlone)
{
    const std::string garbage(4096, 'x');
    WriteBytes(StorePath(), garbage);
    int count = -1;
    HistRecord query = Entry("text", "g", "", "", "", "");
    EXPECT_EQ(nullptr, getHistItem(&query, &count));
    EXPECT_EQ(0, count);
    EXPECT_NE(std::string(), getHistError());
    EXPECT_EQ(0, getHistGroup(kHistIdentity, "text", nullptr));
    HistRecord e = Entry("text", "g", "", "1", "2", "");
    EXPECT_LT(addOneHist(&e), 0);
    clearHistStore();
    EXPECT_EQ(garbage, ReadBytes(StorePath()));

    // A database of someone else's.
    closeHistStore();
    ::DeleteFileA(StorePath().c_str());
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(StorePath().c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "CREATE TABLE other(x)", nullptr, nullptr, nullptr));
    sqlite3_close(db);
    const std::string before = ReadBytes(StorePath());
    EXPECT_LT(addOneHist(&e), 0);
    EXPECT_NE(nullptr, std::strstr(getHistError(), "not a history store"));
    EXPECT_EQ(before, ReadBytes(StorePath()));

    // No record at all.
    clearConfInfo(TEMBRA_CONF_KEY);
    EXPECT_EQ(nullptr, getHistItem(&query, &count));
    EXPECT_NE(std::string(), getHistError());
}

TEST_F(Store, ElementTextIsReadBoundedWithReferencesDecoded)
{
    auto text = [](const char* content, const char* element) {
        char* t = getXMLTextInfo(content, element, 1);
        std::string s = t ? t : "<null>";
        releaseCharBuf(t);
        return s;
    };
    EXPECT_EQ("a & b <c>", text("<M><BODY>a &amp; b &lt;c&gt;</BODY></M>", "BODY"));
    EXPECT_EQ("x", text("<TITLE attr=\"1\">x</TITLE><BODY>y</BODY>", "TITLE"));
    EXPECT_EQ("AB", text("<BODY>&#65;&#x42;</BODY>", "BODY"));
    EXPECT_EQ("中", text("<BODY>&#x4E2D;</BODY>", "BODY")) << "through the system code page";
    EXPECT_EQ("1 &amp; 2", text("<BODY><![CDATA[1 &amp; 2]]></BODY>", "BODY"));
    EXPECT_EQ("in", text("<!-- <BODY>no</BODY> --><BODY>in</BODY>", "BODY"));
    EXPECT_EQ("ab", text("<BODY>a<B>b</B></BODY>", "BODY"));
    EXPECT_EQ("", text("<BODY/>", "BODY"));
    EXPECT_EQ("<null>", text("<BODY>never closed", "BODY"));
    EXPECT_EQ("<null>", text("<BODYX>x</BODYX>", "BODY")) << "a longer name is another element";
    EXPECT_EQ("<null>", text("<BODY>x</BODY>", "BO<DY"));
    EXPECT_EQ(nullptr, getXMLTextInfo(nullptr, "BODY", 1));
    const std::string big = "<BODY>" + std::string(5000, 'z') + "</BODY>";
    EXPECT_EQ(5000u, text(big.c_str(), "BODY").size());
}

TEST_F(Store, OwnNumberIsWrittenWithinFifteenBytes)
{
    HostConfig config{};
    std::memset(config.identity, '7', sizeof config.identity);  // no terminator at all
    ASSERT_EQ(0, setConfInfo(TEMBRA_CONF_KEY, &config));
    char buffer[15 + 4];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(0, getConfInfoMirrun(TEMBRA_CONF_KEY, buffer));
    EXPECT_EQ(std::string(14, '7'), std::string(buffer));
    EXPECT_EQ("####", std::string(buffer + 15, 4));
}

}  // namespace
