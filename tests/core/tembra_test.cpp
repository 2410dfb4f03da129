// The history library stand-in: the store. Its configuration record is
// what every core test logs in with.
#include "core_host.h"
#include "history_lib.h"

#include <cstring>
#include <string>

namespace {

HistRecord Entry(const char* type, const char* group, const char* status, const char* a, const char* b,
                 const char* content)
{
    HistRecord r{};
    std::strcpy(r.owner, kTestIdentity);
    std::strcpy(r.type, type);
    std::strcpy(r.group, group);
    std::strcpy(r.status, status);
    r.partyA = const_cast<char*>(a);
    r.partyB = const_cast<char*>(b);
    r.content = const_cast<char*>(content);
    return r;
}

// The store is a file in the logged-in user's data directory.
using HistoryLibrary = CoreHostTest;

TEST_F(HistoryLibrary, StoresGroupsQueriesUpdatesAndDeletesEntries)
{
    LogIn();
    clearHistStore();
    HistRecord e1 = Entry("text", "2024-05", "unread", "100", kTestIdentity, "<BODY>Hi &amp; bye</BODY>");
    HistRecord e2 = Entry("text", "2024-06", "read", "101", kTestIdentity, "<TITLE>t</TITLE>");
    HistRecord e3 = Entry("tel", "2024-05", "", "102", kTestIdentity, "");
    HistRecord e4 = Entry("text", "2024-05", "sent", kTestIdentity, "103", "");
    for (auto* e : {&e1, &e2, &e3, &e4})
        ASSERT_GE(addOneHist(e), 0);

    ASSERT_EQ(2, getHistGroup(kTestIdentity, "text", nullptr));
    char names[2 * 50];
    std::memset(names, '#', sizeof names);
    ASSERT_EQ(2, getHistGroup(kTestIdentity, "text", names));
    EXPECT_STREQ("2024-05", names);
    EXPECT_STREQ("2024-06", names + 50);
    EXPECT_EQ(0, getHistGroup("someone else", "text", nullptr));

    HistRecord query{};
    std::strcpy(query.owner, kTestIdentity);
    std::strcpy(query.type, "text");
    std::strcpy(query.group, "2024-05");
    int count = -1;
    HistRecord* items = getHistItem(&query, &count);
    ASSERT_EQ(2, count);
    ASSERT_NE(nullptr, items);
    EXPECT_STREQ("100", items[0].partyA);
    EXPECT_STREQ("103", items[1].partyB);
    char* body = getXMLTextInfo(items[0].content, "BODY", 1);
    ASSERT_NE(nullptr, body);
    EXPECT_STREQ("Hi & bye", body);
    releaseCharBuf(body);
    EXPECT_EQ(nullptr, getXMLTextInfo(items[0].content, "TITLE", 1));

    HistRecord changed = items[0];
    std::strcpy(changed.status, "read");
    EXPECT_EQ(0, updateOneHist(&items[0], &changed));
    EXPECT_EQ(0, delOneHist(&items[1]));
    EXPECT_LT(delOneHist(&items[1]), 0) << "gone already";
    releaseItemBuf(items, count);

    items = getHistItem(&query, &count);
    ASSERT_EQ(1, count);
    EXPECT_STREQ("read", items[0].status);
    EXPECT_STREQ("100", items[0].partyA);
    releaseItemBuf(items, count);

    std::strcpy(query.group, "none");
    EXPECT_EQ(nullptr, getHistItem(&query, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, getHistItem(nullptr, &count));
    clearHistStore();
    closeHistStore();  // the scratch folder goes with the test
}

}  // namespace
