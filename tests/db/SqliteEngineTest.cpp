// What only the SQLite engine shows: its result codes, its locks, its text conversion of REAL.
#include "DbTestSupport.h"

#include "db/Catalog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tbn::test {
namespace {

using Row = std::vector<std::optional<std::string>>;

class SqliteEngine : public ::testing::Test {
protected:
    void SetUp() override {
        cnn_.Open(ConnectionStringFor(2000) + ";Mode=ReadWriteCreate");
        Exec(cnn_, "CREATE TABLE t (id INTEGER PRIMARY KEY, x INTEGER UNIQUE, r REAL)");
    }
    std::string ConnectionStringFor(int busyTimeoutMs) const {
        return "Data Source=" + dir_.file("engine.db").toStdString() +
               ";Busy Timeout=" + std::to_string(busyTimeoutMs);
    }

    TempDir dir_;
    db::Connection cnn_;
};

TEST_F(SqliteEngine, ErrorsCarryTheExtendedResultCodeAndTheEngineMessage) {
    Exec(cnn_, "INSERT INTO t (x) VALUES (1)");
    auto error = CaughtError([&] { Exec(cnn_, "INSERT INTO t (x) VALUES (1)"); });
    EXPECT_EQ(error->Number(), SQLITE_CONSTRAINT_UNIQUE);
    EXPECT_EQ(error->Description(), "UNIQUE constraint failed: t.x");

    error = CaughtError([&] { Exec(cnn_, "SELEC * FROM t"); });
    EXPECT_EQ(error->Number(), SQLITE_ERROR);
    EXPECT_EQ(error->Description(), "near \"SELEC\": syntax error");
}

TEST_F(SqliteEngine, AFailurePlacedByTheEngineCarriesItsOffsetInTheWholeText) {
    // The failing statement is the second; SQLite places the failure within that statement only.
    const std::string text = "SELECT 'é' FROM t;\nSELECT nope FROM t";
    std::optional<Error> error = CaughtError([&] { Exec(cnn_, text); });
    ASSERT_TRUE(error && error->CommandOffset()) << (error ? error->Description() : "no error");
    EXPECT_EQ(*error->CommandOffset(), text.find("nope"));

    error = CaughtError(
        [&] { Exec(cnn_, "INSERT INTO t (x) VALUES (1); INSERT INTO t (x) VALUES (1)"); });
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->CommandOffset()) << "a failure while running has no place in the text";
}

TEST_F(SqliteEngine, EmptyStatementsAndTrailingCommentsGiveNoResult) {
    const std::string text = ";; SELECT 1;;\n/* c */ ; SELECT 2 -- two\n; -- end\n/* open";
    const std::unique_ptr<db::StatementResults> each = cnn_.session().ExecuteEach(text);
    std::vector<std::size_t> offsets;
    while (each->Next()) offsets.push_back(each->TextOffset().value_or(text.size()));
    EXPECT_EQ(offsets, (std::vector<std::size_t>{text.find("SELECT 1"), text.find("SELECT 2")}));
}

TEST_F(SqliteEngine, RealValuesUseSqlitesOwnTextWhereItIsTheValue) {
    Exec(cnn_, "INSERT INTO t (x, r) VALUES (1, 1), (2, 0.1), (3, -2.5e30), (4, 100), "
               "(5, 0.1 + 0.2), (6, 1.7976931348623157e308), (7, 9e999)");
    EXPECT_EQ(Query(cnn_, "SELECT r FROM t ORDER BY x")->Rows,
              (std::vector<Row>{{"1.0"},
                                {"0.1"},
                                {"-2.5e+30"},
                                {"100.0"},
                                {"0.30000000000000004"},
                                {"1.7976931348623157e+308"},
                                {"Inf"}}));
}

TEST_F(SqliteEngine, AFailureOnTheFirstRowRaisesFromOpenAndALaterOneFromMoveNext) {
    Exec(cnn_, "INSERT INTO t (x) VALUES (1), (2), (3)");
    const std::string overflowAt2 = "SELECT CASE WHEN x = 2 THEN abs(-9223372036854775807 - 1) "
                                    "ELSE x END AS v FROM t ORDER BY x";
    db::Recordset rs;
    const auto first = CaughtError([&] { rs.Open("SELECT abs(-9223372036854775807 - 1)", cnn_); });
    EXPECT_EQ(first->Number(), SQLITE_ERROR);
    EXPECT_EQ(first->Description(), "integer overflow");
    EXPECT_EQ(rs.State(), db::adStateClosed);

    rs.Open(overflowAt2, cnn_);
    EXPECT_EQ(rs.GetFields()[0].Value(), "1");
    const auto later = CaughtError([&] { rs.MoveNext(); });
    EXPECT_NE(later->Description().find("integer overflow"), std::string::npos)
        << later->Description();
    EXPECT_TRUE(rs.Eof()) << "a failed fetch ends the walk";

    rs.Close();
    EXPECT_TRUE(CaughtError([&] { rs.Open(overflowAt2 + "; SELECT 1", cnn_); }))
        << "buffering meets it too";
}

TEST_F(SqliteEngine, AWriteLockedDatabaseFailsWithinTheBusyTimeoutOrAtACancel) {
    db::Connection holder;
    holder.Open(ConnectionStringFor(0));
    Exec(holder, "BEGIN IMMEDIATE; INSERT INTO t (x) VALUES (1)");

    db::Connection writer;
    writer.Open(ConnectionStringFor(300));
    const auto start = std::chrono::steady_clock::now();
    const auto error = CaughtError([&] { Exec(writer, "INSERT INTO t (x) VALUES (2)"); });
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number() & 0xFF, SQLITE_BUSY)
        << error->Number() << " " << error->Description();
    EXPECT_EQ(error->Description(), "database is locked");
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::seconds(3));

    // A cancel ends the wait for the lock, however long the busy timeout.
    db::Connection patient;
    patient.Open(ConnectionStringFor(600'000));
    const std::unique_ptr<db::CancelHandle> cancel = patient.session().PrepareCancel();
    std::optional<Error> cancelled;
    std::atomic<bool> ended{false};
    std::thread waiting([&] {
        cancelled = CaughtError([&] { Exec(patient, "INSERT INTO t (x) VALUES (3)"); });
        ended = true;
    });
    // Repeated, as a run repeats it: a request that comes before the command starts is lost.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ended && std::chrono::steady_clock::now() < giveUp) {
        cancel->Cancel();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(ended) << "still waiting for the lock after a minute of cancels";
    Exec(holder, "COMMIT");
    waiting.join();
    EXPECT_TRUE(cancelled);
    Exec(patient, "INSERT INTO t (x) VALUES (3)");  // the next command may wait again
    Exec(holder, "DELETE FROM t WHERE x = 3");
    Exec(writer, "INSERT INTO t (x) VALUES (2)");
    EXPECT_EQ(Query(cnn_, "SELECT x FROM t ORDER BY x")->Rows, (std::vector<Row>{{"1"}, {"2"}}));
}

TEST_F(SqliteEngine, AResultWalkedToItsEndHoldsNoLock) {
    Exec(cnn_, "INSERT INTO t (x) VALUES (1), (2)");
    db::Connection writer;
    writer.Open(ConnectionStringFor(0));

    db::Recordset rs;
    rs.Open("SELECT x FROM t", cnn_);
    // Mid-walk the reader holds the database, which shows this check can see a lock.
    EXPECT_TRUE(CaughtError([&] { Exec(writer, "UPDATE t SET x = x + 10"); }));
    while (!rs.Eof()) rs.MoveNext();
    EXPECT_EQ(rs.State(), db::adStateOpen);
    Exec(writer, "UPDATE t SET x = x + 10");

    db::Recordset buffered;
    buffered.Open("SELECT x FROM t; SELECT x FROM t WHERE x > 0 ORDER BY x", cnn_);
    while (!buffered.Eof()) buffered.MoveNext();
    Exec(writer, "UPDATE t SET x = x + 10");
}

TEST_F(SqliteEngine, TheStatementLoopStopsWhereSqliteCannotReadOn) {
    // Recordset refuses such a text first; the session itself must still end, not spin on a
    // tail that SQLite leaves where it was.
    const std::string text("INSERT INTO t (x) VALUES (1);\0INSERT INTO t (x) VALUES (2)", 58);
    const auto error = CaughtError([&] { cnn_.session().Execute(text); });
    ASSERT_TRUE(error);
    EXPECT_EQ(
        error->Description(),
        "SQLite could not read the command text past position 30; nothing from there on was run.");
    EXPECT_EQ(Query(cnn_, "SELECT x FROM t")->Rows, std::vector<Row>{{"1"}});
}

TEST_F(SqliteEngine, CatalogNamesTheEngineTablesAsSystemTables) {
    Exec(cnn_, "CREATE TABLE seq (id INTEGER PRIMARY KEY AUTOINCREMENT); CREATE VIEW v AS SELECT x "
               "FROM t");
    db::Catalog cat;
    cat.SetActiveConnection(cnn_);
    std::vector<std::pair<std::string, std::string>> listed;
    for (const auto& table : cat.Tables()) listed.emplace_back(table.Type, table.Name);
    EXPECT_EQ(listed,
              (std::vector<std::pair<std::string, std::string>>{{"SYSTEM TABLE", "sqlite_schema"},
                                                                {"TABLE", "t"},
                                                                {"TABLE", "seq"},
                                                                {"SYSTEM TABLE", "sqlite_sequence"},
                                                                {"VIEW", "v"}}));
}

}  // namespace
}  // namespace tbn::test
