// Runs that take long: every way the window offers stops them without a box, the window goes on
// working, two windows run side by side, and closing waits for the user's word.
#include "db/providers/OdbcProvider.h"
#include "grid/FlexGrid.h"
#include "query/RunStatusBar.h"
#include "run/QueryRun.h"
#include "run/RunStatusText.h"
#include "support/LoopbackRelay.h"
#include "support/MariaDbServer.h"
#include "support/PgServer.h"
#include "support/QueryWindowFixture.h"
#include "ui/MousePointer.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QScrollBar>
#include <QTimer>
#include <tuple>

using namespace tbn::grid;
using namespace tbn::ui;
using tbn::test::ExecuteAndWait;
using tbn::test::QueryWindowFixture;
using tbn::test::WaitForRun;

namespace {

// Counts without end: the engine works on its first row until it is stopped.
const QString kEndless = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
                                        "FROM c) SELECT count(*) FROM c WHERE x < 2000000000");
// Rows without end, as fast as the engine makes them.
const QString kEndlessRows = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + "
                                            "1 FROM c) SELECT x, 'row ' || x AS label FROM c");

class RunControlTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    frmMain* Open(const QString& file = QStringLiteral("r.db")) {
        return OpenWindow(
            file, MakeDatabase(file, "CREATE TABLE people(name TEXT);"
                                     "INSERT INTO people VALUES ('Ada'), ('Grace'), ('Linus');"));
    }
    frmMain* OpenPostgres(const std::string& cnn) {
        try {
            return OpenWindow(QStringLiteral("pg"), QString::fromStdString(cnn));
        } catch (const tbn::Error& e) {
            ADD_FAILURE() << "the PostgreSQL server cannot be used: " << e.Description();
            return nullptr;
        }
    }
    static void Start(frmMain* window, const QString& sql) {
        window->QueryText().SetText(sql);
        window->ExecuteQuery();
        ASSERT_TRUE(window->Running());
    }
    static void RunsAgain(frmMain* window) {
        window->QueryText().SetText(QStringLiteral("SELECT 7 AS seven"));
        ASSERT_TRUE(ExecuteAndWait(*window));
        EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("7"));
        EXPECT_TRUE(Status(window).startsWith(QStringLiteral("1 row in ")))
            << Status(window).toStdString();
        EXPECT_FALSE(Status(window).contains(QStringLiteral("previous")))
            << Status(window).toStdString();
    }
    static QString Status(frmMain* window) { return window->StatusLine()->Text(); }
};

TEST_F(RunControlTest, EscapeStopsALongComputationAndTheWindowGoesOn) {
    frmMain* window = Open();
    window->QueryText().SetText(QStringLiteral("SELECT name FROM people ORDER BY name"));
    ASSERT_TRUE(ExecuteAndWait(*window));
    EXPECT_FALSE(window->FlexWidget()->Dimmed());
    Start(window, kEndless);
    EXPECT_TRUE(window->FlexWidget()->Dimmed()) << "the rows on screen are not the run's own";

    // While it runs, another run in the same window is refused in words, not started.
    window->ExecuteQuery();
    EXPECT_TRUE(window->Running());
    EXPECT_TRUE(Status(window).contains(QStringLiteral("A query is running; cancel it first.")))
        << Status(window).toStdString();

    window->rtfQueryWidget()->setFocus();
    QTimer::singleShot(200, window,
                       [window] { QTest::keyClick(window->rtfQueryWidget(), Qt::Key_Escape); });
    ASSERT_TRUE(WaitForRun(*window, 10000));
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_TRUE(Status(window).startsWith(QStringLiteral("Cancelled after ")))
        << Status(window).toStdString();
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1),
              QStringLiteral("Ada"));  // nothing had come: the last result stays
    EXPECT_TRUE(Status(window).endsWith(QStringLiteral("; showing the previous result")))
        << Status(window).toStdString();
    EXPECT_FALSE(window->FlexWidget()->Dimmed());
    EXPECT_EQ(MousePointer(), vbDefault);
    boxes->Answer(vbOK);
    window->QueryText().SetText(QStringLiteral("SELECT * FROM missing"));
    ASSERT_TRUE(ExecuteAndWait(*window));
    EXPECT_TRUE(Status(window).endsWith(QStringLiteral("; showing the previous result")))
        << Status(window).toStdString();
    RunsAgain(window);

    // A window that showed nothing yet has nothing to keep.
    frmMain* fresh = Open(QStringLiteral("fresh.db"));
    boxes->Answer(vbOK);
    fresh->QueryText().SetText(QStringLiteral("SELECT * FROM missing"));
    ASSERT_TRUE(ExecuteAndWait(*fresh));
    EXPECT_FALSE(Status(fresh).contains(QStringLiteral("previous"))) << Status(fresh).toStdString();
}

TEST_F(RunControlTest, TheCancelButtonKeepsTheRowsFetchedSoFar) {
    // Directly, and through the SQLite3 ODBC driver told to step (by default it reads a whole
    // result before handing out its first row), so both cursors are stopped mid-stream.
    const QString direct = MakeDatabase(QStringLiteral("r.db"), "CREATE TABLE people(name TEXT);");
    const std::pair<const char*, QString> routes[] = {
        {"SQLite", direct},
        {"ODBC",
         QStringLiteral("Driver=SQLite3;StepAPI=1;Database=") + dir.file(QStringLiteral("r.db"))}};
    for (const auto& [route, cnn] : routes) {
        SCOPED_TRACE(route);
        frmMain* window = OpenWindow(QString::fromLatin1(route), cnn);
        Start(window, kEndlessRows);
        QPushButton* cancel = window->StatusLine()->cancelButton();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return cancel->isVisible() && window->CurrentRun()->RowsSoFar() > 1000; },
            10000));
        EXPECT_TRUE(Status(window).startsWith(QStringLiteral("Running: ")))
            << Status(window).toStdString();
        QTest::mouseClick(cancel, Qt::LeftButton);
        ASSERT_TRUE(WaitForRun(*window, 10000));

        EXPECT_EQ(boxes->Count(), 0u);
        const FlexGrid& grid = *window->FlexWidget();
        const std::int64_t rows = grid.Rows() - 2;
        ASSERT_GT(rows, 1000);
        EXPECT_EQ(grid.TextMatrix(rows, 0), QString::number(rows));
        EXPECT_EQ(grid.TextMatrix(rows, 2), QStringLiteral("row ") + QString::number(rows));
        EXPECT_EQ(grid.TextMatrix(rows + 1, 1), QString());
        EXPECT_NE(grid.ColWidth(0), 300) << "the rows so far are sized";
        EXPECT_TRUE(Status(window).startsWith(QStringLiteral("Cancelled after ") +
                                              tbn::run::RowsText(rows) + ", "))
            << Status(window).toStdString();
        RunsAgain(window);
    }
}

// Rows show while they arrive; a user who moves among them stays where they went when the run
// ends, whatever the sizing of the end does.
TEST_F(RunControlTest, WhereTheUserMovedInTheRowsSoFarStaysAfterTheEnd) {
    frmMain* window = Open();
    Start(window, kEndlessRows);
    FlexGrid& grid = *window->FlexWidget();
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.Rows() > 3000; }, 10000));
    ASSERT_TRUE(window->Running());
    grid.SetRow(2000);
    grid.SetCol(2);
    grid.SetRowSel(2002);
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum() / 2);
    const int top = grid.verticalScrollBar()->value();
    window->CancelQuery();
    ASSERT_TRUE(WaitForRun(*window, 10000));
    ASSERT_GE(grid.Rows(), 3000);
    EXPECT_EQ(std::tuple(grid.Row(), grid.Col(), grid.RowSel(), grid.ColSel()),
              std::tuple(std::int64_t{2000}, std::int64_t{2}, std::int64_t{2002}, std::int64_t{2}));
    EXPECT_EQ(grid.verticalScrollBar()->value(), top);
}

TEST_F(RunControlTest, TwoWindowsRunAtOnceEachOnItsOwnConnection) {
    frmMain* first = Open(QStringLiteral("a.db"));
    frmMain* second = Open(QStringLiteral("b.db"));
    Start(first, kEndless);
    second->QueryText().SetText(QStringLiteral("SELECT count(*) FROM people"));
    ASSERT_TRUE(ExecuteAndWait(*second));  // does not wait for the first
    EXPECT_EQ(second->FlexWidget()->TextMatrix(1, 1), QStringLiteral("3"));
    EXPECT_TRUE(first->Running());
    EXPECT_EQ(MousePointer(), vbHourglass);  // still held by the first run
    first->CancelQuery();
    ASSERT_TRUE(WaitForRun(*first, 10000));
    EXPECT_EQ(MousePointer(), vbDefault);

    const QString counting = QStringLiteral("WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + "
                                            "1 FROM s WHERE i < %1) SELECT i FROM s");
    first->QueryText().SetText(counting.arg(200000));
    second->QueryText().SetText(counting.arg(150000));
    first->ExecuteQuery();
    second->ExecuteQuery();
    ASSERT_TRUE(WaitForRun(*first));
    ASSERT_TRUE(WaitForRun(*second));
    EXPECT_EQ(first->FlexWidget()->Rows(), 200002);
    EXPECT_EQ(first->FlexWidget()->TextMatrix(200000, 1), QStringLiteral("200000"));
    EXPECT_EQ(second->FlexWidget()->Rows(), 150002);
    EXPECT_EQ(second->FlexWidget()->TextMatrix(150000, 1), QStringLiteral("150000"));
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(RunControlTest, ClosingWhileARunGoesOnAsksFirstThenStopsItAndCloses) {
    frmMain* window = Open();
    Start(window, kEndless);
    boxes->Answer(vbNo);
    EXPECT_FALSE(window->Unload());
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().prompt, QStringLiteral("A query is running. Cancel it and close?"));
    EXPECT_EQ(boxes->Last().style, vbYesNo + vbQuestion + vbDefaultButton2);
    EXPECT_TRUE(window->Running());

    // Quitting asks the same; No keeps the frame, the window and its run.
    boxes->Answer(vbNo);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(window->Running());

    const QPointer<frmMain> watched(window);
    boxes->Answer(vbYes);
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(frame->QueryWindows().isEmpty());
    EXPECT_EQ(MousePointer(), vbDefault);
    EXPECT_TRUE(QTest::qWaitFor([&] { return watched.isNull(); }, 5000))
        << "the window was never destroyed";
}

TEST_F(RunControlTest, TheMenuStopsAPostgresSleepAndTheConnectionStaysOpen) {
    const std::optional<tbn::test::PgServer> server = tbn::test::PgServer::FromEnvironment();
    if (!server) GTEST_SKIP() << tbn::test::PgServer::AbsentReason();
    frmMain* window = OpenPostgres(server->ConnectionString());
    ASSERT_TRUE(window);
    Start(window, QStringLiteral("SELECT pg_sleep(30)"));
    QTimer::singleShot(300, frame.get(), [this] { frame->mnuQueryCancel->trigger(); });
    ASSERT_TRUE(WaitForRun(*window, 10000));
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_TRUE(Status(window).startsWith(QStringLiteral("Cancelled after ")))
        << Status(window).toStdString();
    RunsAgain(window);
}

// The first rows show while the server still works on the next, and a cancel then ends the run as
// it always has, keeping them. The server sends its output in pieces of its send buffer (8 KB),
// keeping the last piece until the query ends: the first rows are many more bytes than that.
TEST_F(RunControlTest, RowsShowWhileAPostgresRunGoesOnAndACancelKeepsThem) {
    const std::optional<tbn::test::PgServer> server = tbn::test::PgServer::FromEnvironment();
    if (!server) GTEST_SKIP() << tbn::test::PgServer::AbsentReason();
    frmMain* window = OpenPostgres(server->ConnectionString());
    ASSERT_TRUE(window);
    window->QueryText().SetText(QStringLiteral("SELECT 1 AS before"));
    ASSERT_TRUE(ExecuteAndWait(*window));
    Start(window, QStringLiteral("SELECT repeat('x', 100) AS a FROM generate_series(1, 400) "
                                 "UNION ALL SELECT pg_sleep(30)::text"));
    const FlexGrid& grid = *window->FlexWidget();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return grid.TextMatrix(0, 1) == QStringLiteral("a"); }, 10000));
    ASSERT_TRUE(window->Running());
    const std::int64_t shown = grid.Rows() - 2;
    ASSERT_GT(shown, 0);
    EXPECT_EQ(grid.TextMatrix(shown, 1), QString(100, QLatin1Char('x')));
    EXPECT_FALSE(grid.Dimmed());
    EXPECT_NE(grid.ColWidth(0), 300) << "the first rows are sized";
    ASSERT_TRUE(QTest::qWaitFor([&] { return Status(window).startsWith("Running: "); }, 10000));
    EXPECT_TRUE(Status(window).endsWith(QStringLiteral(" so far"))) << Status(window).toStdString();

    frame->mnuQueryCancel->trigger();
    ASSERT_TRUE(WaitForRun(*window, 10000));
    EXPECT_EQ(boxes->Count(), 0u);
    const std::int64_t kept = grid.Rows() - 2;
    EXPECT_GE(kept, shown);
    EXPECT_TRUE(Status(window).startsWith(QStringLiteral("Cancelled after ") +
                                          tbn::run::RowsText(kept) + ", "))
        << Status(window).toStdString();
    EXPECT_EQ(grid.TextMatrix(kept, 0), QString::number(kept));
    RunsAgain(window);
}

TEST_F(RunControlTest, AServerThatIgnoresTheCancelLosesTheConnectionWhichIsOpenedAgain) {
    const std::optional<tbn::test::PgServer> server = tbn::test::PgServer::FromEnvironment();
    if (!server) GTEST_SKIP() << tbn::test::PgServer::AbsentReason();
    tbn::test::PgServer relayed = *server;
    tbn::test::LoopbackRelay relay(server->Host, server->Port,
                                   tbn::test::LoopbackRelay::Cancels::DeafToPostgresCancels);
    relayed.Host = "127.0.0.1";
    relayed.Port = relay.Port();
    // Directly, the connection is severed under the waiting call; through ODBC, which offers no
    // way to sever it, the worker is left to end on its own.
    const std::pair<const char*, std::string> routes[] = {
        {"PostgreSQL", relayed.ConnectionString()},
        {"ODBC", relayed.OdbcConnectionString(server->Database)}};
    for (const auto& [route, cnn] : routes) {
        SCOPED_TRACE(route);
        frmMain* window = OpenPostgres(cnn);
        ASSERT_TRUE(window);
        Start(window, QStringLiteral("SELECT pg_sleep(30)"));
        // By the time the strip shows, the sleep is on the server.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return window->StatusLine()->cancelButton()->isVisible(); }, 10000));
        const int heldBefore = relay.CancelsHeld();
        window->CancelQuery();
        ASSERT_TRUE(WaitForRun(*window, 30000));
        EXPECT_GT(relay.CancelsHeld(), heldBefore);
        EXPECT_EQ(boxes->Count(), 0u);
        EXPECT_TRUE(Status(window).startsWith(QStringLiteral("Cancelled after ")));
        EXPECT_TRUE(
            Status(window).contains(QStringLiteral("the connection was dropped and opened again")))
            << Status(window).toStdString();
        EXPECT_TRUE(window->IsConnected());
        RunsAgain(window);
    }
}

// A server stopped in its tracks answers neither the cancel nor the new connection; the run still
// ends once the connection has been dropped and its reopening has waited out the login timeout.
TEST_F(RunControlTest, AStoppedServerEndsTheCancelWithinTheLoginTimeout) {
    const std::optional<tbn::test::MariaDbServer> server =
        tbn::test::MariaDbServer::FromEnvironment();
    if (!server) GTEST_SKIP() << tbn::test::MariaDbServer::AbsentReason();
    tbn::test::MariaDbServer relayed = *server;
    tbn::test::LoopbackRelay relay(server->Host, server->Port);
    relayed.Host = "127.0.0.1";
    relayed.Port = relay.Port();
    frmMain* window = OpenPostgres(relayed.OdbcConnectionString());
    ASSERT_TRUE(window);
    Start(window, QStringLiteral("SELECT SLEEP(60)"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->StatusLine()->cancelButton()->isVisible(); }, 10000));
    relay.Freeze();
    QElapsedTimer cancelled;
    cancelled.start();
    window->CancelQuery();
    const int loginTimeoutMs = tbn::db::OdbcLoginTimeoutSeconds * 1000;
    ASSERT_TRUE(WaitForRun(*window, tbn::run::QueryRun::kCancelAnswerMs + loginTimeoutMs + 5000))
        << "still running " << cancelled.elapsed() << " ms after the cancel";
    EXPECT_TRUE(Status(window).startsWith(QStringLiteral("Cancelled after ")))
        << Status(window).toStdString();
    EXPECT_TRUE(Status(window).contains(QStringLiteral("opening it again failed")))
        << Status(window).toStdString();
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(boxes->Count(), 0u);
    // The driver itself gave up: nothing is left waiting on the stopped server.
    EXPECT_FALSE(Status(window).contains(QStringLiteral("did not answer within")))
        << Status(window).toStdString();
}

}  // namespace
