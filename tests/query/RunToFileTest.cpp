// Runs that write their rows straight to a file, on SQLite and PostgreSQL: the rows reach the
// file and not the grid, the history keeps the run, and a cancel or a failing statement leaves
// the file as it was with no scratch file beside it.
#include "OutFolder.h"
#include "db/HistoryStore.h"
#include "grid/FlexGrid.h"
#include "query/RunStatusBar.h"
#include "run/QueryRun.h"
#include "run/RunHistory.h"
#include "support/PgServer.h"
#include "support/QueryWindowFixture.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedFileDialog.h"
#include "ui/TextBox.h"

#include <QFile>
#include <QTest>

using tbn::run::RunHistory;
using tbn::test::QueryWindowFixture;

namespace {

class RunToFileTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        RunHistory::Program().Restart();
        dataHome = std::make_unique<tbn::test::ScopedEnv>(
            "XDG_DATA_HOME", qPrintable(dir.file(QStringLiteral("data"))));
        out = std::make_unique<tbn::test::OutFolder>(dir.path(), QStringLiteral("r.tsv"));
    }
    void TearDown() override {
        RunHistory::Program().Restart();
        QueryWindowFixture::TearDown();
    }
    frmMain* OpenSqlite() {
        return OpenWindow(
            QStringLiteral("lite"),
            MakeDatabase(QStringLiteral("f.db"),
                         "CREATE TABLE t(a TEXT); INSERT INTO t VALUES('x'), ('y');"));
    }
    // Starts the text as a run to target, answering "replace?" Yes when it exists.
    void Start(frmMain* window, const QString& sql) {
        if (QFile::exists(out->target)) boxes->Answer(tbn::ui::vbYes);
        dialog.Choose({out->target}, 2);
        window->QueryText().SetText(sql);
        window->RunToFile();
        ASSERT_TRUE(window->Running());
    }
    // Writes the rows of sql and checks what a complete run to a file leaves.
    void WritesRows(frmMain* window, const QString& sql, std::int64_t rows) {
        Start(window, sql);
        ASSERT_TRUE(tbn::test::WaitForRun(*window));
        EXPECT_EQ(boxes->Count(), 0u);
        EXPECT_EQ(out->Read().count('\n'), rows + 1);  // the names, then a line a row
        EXPECT_EQ(out->Entries(), QStringList{"r.tsv"});
        EXPECT_TRUE(Status(window).contains(QStringLiteral(" rows written to r.tsv")))
            << Status(window).toStdString();
        tbn::db::HistoryStore store(tbn::run::HistoryPath());
        const std::vector<tbn::db::HistoryRun> runs = store.Page({}, 0, 1);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(store.Text(runs[0].id), sql.toStdString());
        EXPECT_EQ(runs[0].rows, rows);
    }
    // Cancels a run to a file that would go on for long, once it is on its way.
    void CancelLeavesTheFile(frmMain* window, const QString& sql) {
        ASSERT_TRUE(out->WriteOld());
        Start(window, sql);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->CurrentRun()->RowsSoFar() > 0; }, 30000));
        window->CancelQuery();
        ASSERT_TRUE(tbn::test::WaitForRun(*window));
        EXPECT_TRUE(Status(window).startsWith(QStringLiteral("Cancelled after ")))
            << Status(window).toStdString();
        EXPECT_EQ(out->Read(), out->kOld);
        EXPECT_EQ(out->Entries(), QStringList{"r.tsv"});
    }
    static QString Status(frmMain* window) { return window->StatusLine()->Text(); }

    std::unique_ptr<tbn::test::ScopedEnv> dataHome;
    tbn::test::ScriptedFileDialog dialog;
    std::unique_ptr<tbn::test::OutFolder> out;
};

TEST_F(RunToFileTest, SqliteRowsGoToTheFileNotTheGridAndTheRunIsInTheHistory) {
    frmMain* window = OpenSqlite();
    window->QueryText().SetText(QStringLiteral("SELECT a FROM t"));
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    WritesRows(window,
               QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n "
                              "WHERE x < 5000) SELECT x, 'row ' || x AS label FROM n"),
               5000);
    EXPECT_EQ(window->FlexWidget()->Rows(), 4);  // the grid still shows its two records
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("x"));
}

TEST_F(RunToFileTest, SqliteCancelAndAFailingStatementLeaveTheFileAsItWas) {
    frmMain* window = OpenSqlite();
    CancelLeavesTheFile(window, QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT "
                                               "x + 1 FROM n) SELECT x FROM n"));

    Start(window, QStringLiteral("SELECT * FROM missing"));
    boxes->Answer(tbn::ui::vbOK);  // the failure's report
    ASSERT_TRUE(tbn::test::WaitForRun(*window));
    ASSERT_EQ(boxes->Count(), 3u);  // two "replace?" questions, then the report
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("missing")))
        << boxes->Last().prompt.toStdString();
    EXPECT_EQ(out->Read(), out->kOld);
    EXPECT_EQ(out->Entries(), QStringList{"r.tsv"});
}

TEST_F(RunToFileTest, PostgresRowsGoToTheFileAndACancelLeavesItAsItWas) {
    const std::optional<tbn::test::PgServer> server = tbn::test::PgServer::FromEnvironment();
    if (!server) GTEST_SKIP() << tbn::test::PgServer::AbsentReason();
    frmMain* window =
        OpenWindow(QStringLiteral("pg"), QString::fromStdString(server->ConnectionString()));
    WritesRows(window,
               QStringLiteral("SELECT g, 'row ' || g AS label FROM generate_series(1, 5000) g"),
               5000);
    CancelLeavesTheFile(window, QStringLiteral("SELECT generate_series(1, 2000000000) AS g"));
}

}  // namespace
