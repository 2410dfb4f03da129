// The data layer on its own: data-source registration, connections and
// recordsets over SQLite files.
#include "framework/data/database.h"
#include "framework/data/odbc_installer.h"
#include "framework/data/recordset.h"
#include "native_host.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

// A recordset over tab_group, as small as a test needs.
class GroupSet : public CRecordset {
public:
    explicit GroupSet(CDatabase* db) : CRecordset(db) {}
    int32_t m_ID = 0;
    std::string m_userMirrun, m_name;
    int32_t m_fatherID = 0;
    std::string GetDefaultSQL() const override { return "[tab_group]"; }
    void DoFieldExchange(CFieldExchange* fx) override
    {
        RFX_Long(fx, "[ID]", m_ID);
        RFX_Text(fx, "[userMirrun]", m_userMirrun, 255);
        RFX_Text(fx, "[name]", m_name, 255);
        RFX_Long(fx, "[fatherID]", m_fatherID);
    }
};

// Binds [rem] of tab_list beside [ID], to see what Update leaves alone.
class RemarkSet : public CRecordset {
public:
    explicit RemarkSet(CDatabase* db) : CRecordset(db) {}
    int32_t m_ID = 0;
    std::string m_name, m_rem;
    std::string GetDefaultSQL() const override { return "[tab_list]"; }
    void DoFieldExchange(CFieldExchange* fx) override
    {
        RFX_Long(fx, "[ID]", m_ID);
        RFX_Text(fx, "[name]", m_name, 255);
        RFX_Text(fx, "[rem]", m_rem, 255);
    }
};

std::string Attributes(const std::string& dsn, const std::string& path)
{
    std::string a = "DSN=" + dsn;
    a += '\0';
    a += "DBQ=" + path;
    a += '\0';
    a += '\0';
    return a;
}

bool Configure(unsigned short request, const std::string& dsn, const std::string& path)
{
    return odbc::SQLConfigDataSource(nullptr, request, odbc::kAccessDriver, Attributes(dsn, path).c_str());
}

void Register(const std::string& path, const std::string& dsn = "friend")
{
    ASSERT_TRUE(Configure(odbc::ODBC_ADD_SYS_DSN, dsn, path));
}

TEST(DataSources, AddingAnExistingNameRepointsIt)
{
    Register("/a/friend.mdb");
    Register("/b/friend.mdb", "FRIEND");
    odbc::DataSource source;
    ASSERT_TRUE(odbc::LookupDataSource("Friend", &source));
    EXPECT_EQ("/b/friend.mdb", source.database);
    EXPECT_EQ(odbc::kAccessDriver, source.driver);
}

TEST(DataSources, PathsLongerThanTheOldAttributeBufferAreKept)
{
    std::string path = "/" + std::string(300, 'p') + "/friend.mdb";
    Register(path);
    odbc::DataSource source;
    ASSERT_TRUE(odbc::LookupDataSource("friend", &source));
    EXPECT_EQ(path, source.database);
}

TEST(DataSources, RefusesUnknownDriversMissingNamesAndNullAttributes)
{
    EXPECT_FALSE(
        odbc::SQLConfigDataSource(nullptr, odbc::ODBC_ADD_SYS_DSN, "SQL Server", Attributes("x", "/x").c_str()));
    std::string noName = std::string("DBQ=/x") + '\0' + '\0';
    EXPECT_FALSE(odbc::SQLConfigDataSource(nullptr, odbc::ODBC_ADD_SYS_DSN, odbc::kAccessDriver, noName.c_str()));
    EXPECT_FALSE(odbc::SQLConfigDataSource(nullptr, odbc::ODBC_ADD_SYS_DSN, odbc::kAccessDriver, nullptr));
    EXPECT_FALSE(odbc::SQLConfigDataSource(nullptr, odbc::ODBC_ADD_SYS_DSN, nullptr, noName.c_str()));
}

TEST(Connection, TurnsAWriteAheadLogFileBackToARollbackJournalWithFullSync)
{
    ScratchDb scratch;
    // A file left in WAL mode (by another tool, say): the mode is stored in it.
    scratch.Exec("PRAGMA journal_mode=WAL");
    ASSERT_EQ("wal", scratch.Scalar("PRAGMA journal_mode"));
    Register(scratch.path());
    CDatabase db;
    ASSERT_TRUE(db.OpenEx("DSN=friend;UID=admin;PWD=qmtz", CDatabase::useCursorLib | CDatabase::noOdbcDialog));
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(scratch.path(), db.GetDatabasePath());
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db.Handle(), "PRAGMA synchronous", -1, &st, nullptr));
    ASSERT_EQ(SQLITE_ROW, sqlite3_step(st));
    EXPECT_GE(sqlite3_column_int(st, 0), 2) << "synchronous below FULL";
    sqlite3_finalize(st);
    db.Close();
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ("delete", scratch.Scalar("PRAGMA journal_mode"));
}

TEST(Connection, FailsWithAClearErrorForUnknownNamesAndMissingFiles)
{
    CDatabase db;
    try {
        db.OpenEx("DSN=nowhere;UID=admin;PWD=qmtz");
        FAIL() << "opened an unknown data source";
    } catch (const CDBException& e) {
        EXPECT_NE(std::string::npos, e.m_strError.find("nowhere"));
    }
    ScratchDb scratch;
    std::string missing = scratch.dir() + "/missing.mdb";
    Register(missing);
    EXPECT_THROW(db.OpenEx("DSN=friend;UID=admin;PWD=qmtz"), CDBException);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(std::ifstream(missing).good()) << "a missing database must not be created";
}

class RecordsetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Register(scratch.path());
        db.OpenEx("DSN=friend;UID=admin;PWD=qmtz", CDatabase::useCursorLib | CDatabase::noOdbcDialog);
    }
    ScratchDb scratch;
    CDatabase db;
};

TEST_F(RecordsetTest, AddNewStoresNumbersAlwaysAndLeavesUntouchedTextsWithoutValue)
{
    RemarkSet rs(&db);
    rs.Open(CRecordset::snapshot, nullptr, CRecordset::none);
    rs.AddNew();
    rs.m_ID = 0;  // 0 is a real id and must be written
    rs.m_name = "Ann";
    EXPECT_TRUE(rs.Update());
    rs.Close();
    EXPECT_EQ("0", scratch.Scalar("select ID from tab_list"));
    EXPECT_EQ("Ann", scratch.Scalar("select name from tab_list"));
    EXPECT_EQ("1", scratch.Scalar("select count(*) from tab_list where rem is null"));
}

TEST_F(RecordsetTest, EditWritesOnlyChangedFieldsSoUnboundLengthsSurvive)
{
    std::string longRemark(400, 'r');
    scratch.Exec("insert into tab_list (ID, name, rem) values (4, 'Old', '" + longRemark + "')");
    RemarkSet rs(&db);
    rs.Open(CRecordset::snapshot, "select * from tab_list where id=4 ", CRecordset::none);
    ASSERT_FALSE(rs.IsEOF());
    EXPECT_EQ(255u, rs.m_rem.size()) << "text fields are bound with at most 255 characters";
    rs.Edit();
    rs.m_name = "New";
    EXPECT_TRUE(rs.Update());
    rs.Close();
    EXPECT_EQ("New", scratch.Scalar("select name from tab_list where ID=4"));
    EXPECT_EQ(longRemark, scratch.Scalar("select rem from tab_list where ID=4"));
}

TEST_F(RecordsetTest, UpdateWithoutChangesReportsFalseAndWritesNothing)
{
    scratch.Exec("insert into tab_group values (1, 'me', 'G', -1)");
    GroupSet rs(&db);
    rs.Open(CRecordset::snapshot, "select * from tab_group where id=1 ");
    ASSERT_FALSE(rs.IsEOF());
    rs.Edit();
    EXPECT_FALSE(rs.Update());
    EXPECT_THROW(rs.Update(), CDBException) << "Update needs AddNew or Edit first";
}

TEST_F(RecordsetTest, AddNewOnAnUnreadSetLocksNothingForOtherConnections)
{
    GroupSet rs(&db);
    rs.Open(CRecordset::snapshot, nullptr);
    rs.AddNew();
    rs.m_ID = 5;
    rs.Update();
    // Another connection sees the row at once: the insert is committed.
    EXPECT_EQ("5", scratch.Scalar("select ID from tab_group"));
}

TEST_F(RecordsetTest, OneSetWritesRowAfterRowWithTheFieldsEachWriteChanged)
{
    scratch.Exec("insert into tab_list (ID, name) values (9, 'Old')");
    RemarkSet rs(&db);
    rs.Open(CRecordset::snapshot, "select * from tab_list where id=9 ", CRecordset::none);
    ASSERT_FALSE(rs.IsEOF());
    const std::vector<std::pair<std::string, std::string>> rows = {{"A", ""}, {"", "R"}, {"B", "S"}, {"C", ""}};
    for (size_t i = 0; i < rows.size(); ++i) {
        rs.AddNew();
        rs.m_ID = static_cast<int32_t>(i);
        rs.m_name = rows[i].first;
        rs.m_rem = rows[i].second;
        ASSERT_TRUE(rs.Update());
    }
    rs.Edit();  // still the row read: the same fields as the last add, but a change
    rs.m_ID = 8;
    rs.m_name = "New";
    ASSERT_TRUE(rs.Update());
    rs.Close();
    EXPECT_EQ("0|A|-;1|-|R;2|B|S;3|C|-;8|New|-",
              scratch.Scalar("select group_concat(ID||'|'||ifnull(name,'-')||'|'||ifnull(rem,'-'), ';') from "
                             "(select * from tab_list order by ID)"));
}

TEST_F(RecordsetTest, ASetKeepsNoStatementOfAConnectionClosedUnderIt)
{
    GroupSet rs(&db);
    rs.Open(CRecordset::snapshot, nullptr);
    rs.AddNew();
    rs.m_ID = 1;
    rs.Update();
    db.Close();
    ScratchDb other;
    Register(other.path());
    db.OpenEx("DSN=friend;UID=admin;PWD=qmtz", CDatabase::useCursorLib | CDatabase::noOdbcDialog);
    rs.Close();  // hands back a statement of the closed connection
    GroupSet again(&db);
    again.Open(CRecordset::snapshot, nullptr);
    again.AddNew();
    again.m_ID = 2;
    EXPECT_TRUE(again.Update());
    again.Close();
    db.Close();
    EXPECT_EQ("2", other.Scalar("select group_concat(ID) from tab_group"));
    EXPECT_EQ("1", scratch.Scalar("select group_concat(ID) from tab_group"));
}

}  // namespace
