// Opening connections from good and bad connection strings, and the ADO objects' states.
#include "DbTestSupport.h"

#include "core/ErrorCodes.h"
#include "db/Catalog.h"
#include "db/SessionLease.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace tbn::test {
namespace {

using db::adStateClosed;
using db::adStateOpen;
using Row = std::vector<std::optional<std::string>>;

class Opening : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir_.file(name).toStdString(); }

    std::optional<Error> OpenError(const std::string& cs, std::string_view user = {},
                                   std::string_view password = {}) {
        db::Connection cnn;
        cnn.SetConnectionString(cs);
        std::optional<Error> error = CaughtError([&] { cnn.Open({}, user, password); });
        EXPECT_EQ(cnn.State(), adStateClosed) << cs;
        if (error) {
            EXPECT_EQ(error->Description().find("hunter2"), std::string::npos)
                << error->Description();
        }
        return error;
    }

    TempDir dir_;
};

TEST_F(Opening, UnknownProviderIsNamedInTheError) {
    const auto error =
        OpenError("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb;Password=hunter2");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), ErrorCode::UnknownProvider);
    EXPECT_NE(error->Description().find("Microsoft.Jet.OLEDB.4.0"), std::string::npos)
        << error->Description();
}

TEST_F(Opening, MalformedOrIncompleteStringsFailWithTheirOwnCodes) {
    EXPECT_EQ(OpenError("Data Source='" + Path("a.db") + ";Password=hunter2")->Number(),
              ErrorCode::MalformedConnectionString);
    EXPECT_EQ(OpenError("Mode=ReadWriteCreate;Password=hunter2")->Number(),
              ErrorCode::MissingDataSource);
    EXPECT_EQ(OpenError("Data Source=  ;Mode=ReadWriteCreate")->Number(),
              ErrorCode::MissingDataSource);
    EXPECT_EQ(OpenError("Data Source=" + Path("a.db") + ";Mode=Sometimes")->Number(),
              ErrorCode::MalformedConnectionString);
    EXPECT_EQ(OpenError("Data Source=" + Path("a.db") + ";Mode=ReadWriteCreate;Busy Timeout=soon")
                  ->Number(),
              ErrorCode::MalformedConnectionString);
    EXPECT_FALSE(dir_.exists("a.db"));
}

TEST_F(Opening, AMissingFileFailsAndIsNotCreatedUnlessAskedFor) {
    for (const char* mode : {"", ";Mode=ReadWrite", ";Mode=readonly"}) {
        const auto error =
            OpenError("Data Source=" + Path("missing.db") + mode, "someone", "hunter2");
        ASSERT_TRUE(error) << mode;
        EXPECT_EQ(error->Number(), SQLITE_CANTOPEN);
        EXPECT_NE(error->Description().find(Path("missing.db")), std::string::npos)
            << error->Description();
        EXPECT_NE(error->Description().find("does not exist"), std::string::npos)
            << error->Description();
        EXPECT_FALSE(dir_.exists("missing.db")) << mode;
    }
    db::Connection cnn;
    cnn.Open("Data Source=" + Path("new.db") + ";Mode=ReadWriteCreate");
    EXPECT_EQ(cnn.State(), adStateOpen);
    EXPECT_EQ(cnn.ConnectionString(), "Data Source=" + Path("new.db") + ";Mode=ReadWriteCreate");
    EXPECT_TRUE(dir_.exists("new.db"));
}

TEST_F(Opening, AFileThatIsNotADatabaseFailsAtOpen) {
    dir_.write("notes.db", QByteArray("These are notes, not a database. ").repeated(100));
    const auto error = OpenError("Data Source=" + Path("notes.db"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), SQLITE_NOTADB);
    EXPECT_NE(error->Description().find("notes.db"), std::string::npos) << error->Description();
}

TEST_F(Opening, ReadOnlyModeRefusesWrites) {
    {
        db::Connection cnn;
        cnn.Open("Data Source=" + Path("ro.db") + ";Mode=ReadWriteCreate");
        Exec(cnn, "CREATE TABLE t (x)");
    }
    db::Connection cnn;
    cnn.Open("Data Source=" + Path("ro.db") + ";Mode=ReadOnly");
    const auto error = CaughtError([&] { Exec(cnn, "INSERT INTO t VALUES (1)"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number() & 0xFF, SQLITE_READONLY) << error->Description();
}

TEST_F(Opening, ConnectionRecordsetAndCatalogRefuseWorkInTheWrongState) {
    db::Connection cnn;
    db::Recordset rs;
    db::Catalog cat;
    EXPECT_EQ(CaughtError([&] { rs.Open("SELECT 1", cnn); })->Number(),
              ErrorCode::ConnectionClosed);
    EXPECT_EQ(CaughtError([&] { cat.Tables(); })->Number(), ErrorCode::ConnectionClosed);
    cat.SetActiveConnection(cnn);
    EXPECT_EQ(CaughtError([&] { cat.Tables(); })->Number(), ErrorCode::ConnectionClosed);

    cnn.Open("Data Source=:memory:");
    EXPECT_EQ(CaughtError([&] { cnn.Open("Data Source=:memory:"); })->Number(),
              ErrorCode::ObjectAlreadyOpen);
    EXPECT_EQ(cat.Tables().front().Name, "sqlite_schema");
    rs.Open("SELECT 1 AS one", cnn);
    EXPECT_EQ(CaughtError([&] { rs.Open("SELECT 2", cnn); })->Number(),
              ErrorCode::ObjectAlreadyOpen);
    EXPECT_EQ(CaughtError([&] { (void)rs.GetFields()[1]; })->Number(), ErrorCode::InvalidArgument);
    rs.Close();
    rs.Close();  // closing twice is harmless
    EXPECT_EQ(rs.State(), adStateClosed);
    EXPECT_EQ(CaughtError([&] { rs.MoveNext(); })->Number(), ErrorCode::RecordsetClosed);
    cnn.Close();
    cnn.Close();
    EXPECT_EQ(cnn.State(), adStateClosed);
}

TEST_F(Opening, ARecordsetOutlivingItsConnectionStaysReadable) {
    db::Connection cnn;
    cnn.Open("Data Source=:memory:");
    db::Recordset rs;
    rs.Open("SELECT 1 AS n UNION ALL SELECT 2", cnn);
    cnn.Close();
    EXPECT_EQ(ReadAll(rs).Rows.size(), 2u);
}

// A worker runs on the lent connection while the owner reads as closed; whatever ends the lease,
// the owner gets a session back: the lent one, or the one left in its place.
TEST_F(Opening, ALeaseGivesTheOwnerBackWhatItHoldsWhenItEnds) {
    db::Connection owner;
    owner.SetCursorLocation(db::adUseClient);
    owner.Open("Data Source=:memory:");
    Exec(owner, "CREATE TABLE kept(x)");
    {
        db::SessionLease lease(owner);
        EXPECT_EQ(owner.State(), adStateClosed);
        EXPECT_EQ(lease.lent()->ConnectionString(), owner.ConnectionString());
        EXPECT_EQ(lease.lent()->CursorLocation(), db::adUseClient);
        Exec(*lease.lent(), "INSERT INTO kept VALUES (1)");
        EXPECT_EQ(CaughtError([&] { db::SessionLease again(owner); })->Number(),
                  ErrorCode::ConnectionClosed);
    }
    EXPECT_EQ(Query(owner, "SELECT count(*) FROM kept")->Rows, std::vector<Row>{{"1"}});

    std::shared_ptr<db::Connection> keptByWorker;
    {
        db::SessionLease lease(owner);
        keptByWorker = lease.lent();
        db::Connection replacement;
        replacement.Open("Data Source=:memory:");
        lease.GiveBackInstead(std::move(replacement));
    }
    EXPECT_EQ(CaughtError([&] { Exec(owner, "SELECT * FROM kept"); })->Number() & 0xFF,
              SQLITE_ERROR)
        << "the owner holds the new session";
    EXPECT_EQ(Query(*keptByWorker, "SELECT count(*) FROM kept")->Rows, std::vector<Row>{{"1"}});
    {
        db::SessionLease lease(owner);
        lease.GiveBackInstead({});
    }
    EXPECT_EQ(owner.State(), adStateClosed);
}

}  // namespace
}  // namespace tbn::test
