// The history of runs as the user meets it: every run a query window makes is kept (a failure with
// its message, a cancelled one too, never a password), the History window finds one and puts its
// text back, and a history that cannot be written or read is said once while queries go on; a file
// that is damaged or not TBN's own is set aside untouched.
#include "app/frmMDI.h"
#include "core/FileOps.h"
#include "db/HistoryStore.h"
#include "grid/FlexGrid.h"
#include "query/HistoryModel.h"
#include "query/MessagesPane.h"
#include "query/frmHistory.h"
#include "run/QueryRun.h"
#include "run/RunHistory.h"
#include "support/QueryWindowFixture.h"
#include "support/ScopedEnv.h"
#include "support/ScratchMount.h"
#include "support/SqliteFile.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

using namespace tbn::core;
using namespace tbn::ui;
using tbn::db::HistoryRun;
using tbn::db::RunOutcome;
using tbn::run::RunHistory;
using tbn::test::ExecuteAndWait;

namespace {

const QString kContext = QStringLiteral("frmMain >> History");

class HistoryTest : public tbn::test::QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        UseDataHome(dir.file(QStringLiteral("data")));
    }
    void TearDown() override {
        RunHistory::Program().Restart();
        QueryWindowFixture::TearDown();
    }
    // A new start of the program with its data in folder.
    void UseDataHome(const QString& folder) {
        RunHistory::Program().Restart();
        dataHome.reset();
        dataHome = std::make_unique<tbn::test::ScopedEnv>("XDG_DATA_HOME", qPrintable(folder));
    }
    frmMain* Open(const QString& name = QStringLiteral("Shop")) {
        return OpenWindow(name, MakeDatabase(QStringLiteral("h.db"),
                                             "CREATE TABLE IF NOT EXISTS people(name TEXT);"
                                             "DELETE FROM people;"
                                             "INSERT INTO people VALUES ('Ada'), ('Grace');"));
    }
    static void Run(frmMain* window, const QString& sql) {
        window->QueryText().SetText(sql);
        ASSERT_TRUE(ExecuteAndWait(*window));
    }
    // Newest first.
    static std::vector<HistoryRun> Recorded() {
        tbn::db::HistoryStore store(tbn::run::HistoryPath());
        std::vector<HistoryRun> runs = store.Page({}, 0, 100);
        for (HistoryRun& run : runs) run.text = store.Text(run.id);
        return runs;
    }
    std::vector<MsgBoxCall> HistoryReports() const {
        std::vector<MsgBoxCall> reports;
        for (const MsgBoxCall& call : boxes->Calls())
            if (call.title == kContext) reports.push_back(call);
        return reports;
    }
    // Two runs on a history that cannot be kept: both show their rows, one report says why.
    void ExpectRunsGoOnWithOneReport(frmMain* window, const char* number) {
        boxes->Answer(vbOK);
        for (int i = 0; i < 2; ++i) {
            Run(window, QStringLiteral("SELECT name FROM people ORDER BY name"));
            EXPECT_EQ(window->FlexWidget()->TextMatrix(2, 1), QStringLiteral("Grace"));
        }
        const std::vector<MsgBoxCall> reports = HistoryReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_TRUE(reports[0].prompt.contains(QStringLiteral("#%1 ").arg(QLatin1String(number))))
            << reports[0].prompt.toStdString();
        EXPECT_EQ(boxes->Count(), 1u);
    }

    std::unique_ptr<tbn::test::ScopedEnv> dataHome;
};

TEST_F(HistoryTest, KeepsSuccessesFailuresAndCancelledRunsWithoutPasswords) {
    frmMain* window = Open();
    Run(window, QStringLiteral("SELECT name FROM people"));
    Run(window, QStringLiteral("UPDATE people SET name = upper(name)"));
    boxes->Answer(vbOK);
    Run(window, QStringLiteral("SELECT * FROM missing"));
    window->QueryText().SetText(
        QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT "
                       "count(*) FROM c WHERE x < 2000000000"));
    window->ExecuteQuery();
    window->CancelQuery();
    ASSERT_TRUE(tbn::test::WaitForRun(*window));

    const QString cnn =
        MakeDatabase(QStringLiteral("p.db"), "SELECT 1;") + QStringLiteral(";Password=s3cret");
    frmMain* once = OpenWindow(QStringLiteral("(temp) ") + cnn, cnn);
    Run(once, QStringLiteral("SELECT 1"));
    // A saved line without a name of its own is named by its string.
    const QString nameless =
        cnn + QStringLiteral(";TLSKEYPWD=k3y;pqopt={sslmode=require password=n3sted}");
    Run(OpenWindow(nameless, nameless), QStringLiteral("SELECT 1"));

    std::vector<HistoryRun> runs = Recorded();
    ASSERT_EQ(runs.size(), 6u);
    for (const char* secret : {"s3cret", "k3y", "n3sted"})
        EXPECT_EQ(runs[0].connection.find(secret), std::string::npos) << runs[0].connection;
    EXPECT_NE(runs[0].connection.find("pqopt={sslmode=require password=***}"), std::string::npos)
        << runs[0].connection;
    runs.erase(runs.begin());
    EXPECT_EQ(runs[4].outcome, RunOutcome::Rows);
    EXPECT_EQ(runs[4].rows, 2);
    EXPECT_EQ(runs[4].text, "SELECT name FROM people");
    EXPECT_EQ(runs[4].connection, "Shop");
    EXPECT_EQ(runs[3].outcome, RunOutcome::Statement);
    EXPECT_EQ(runs[3].rows, 2);
    EXPECT_EQ(runs[2].outcome, RunOutcome::Failed);
    EXPECT_EQ(runs[2].errorNumber, 1);
    EXPECT_NE(runs[2].errorText.find("no such table: missing"), std::string::npos)
        << runs[2].errorText;
    EXPECT_EQ(runs[1].outcome, RunOutcome::Cancelled);
    EXPECT_FALSE(runs[1].errorNumber.has_value());
    EXPECT_EQ(runs[0].connection.find("s3cret"), std::string::npos) << runs[0].connection;
    EXPECT_EQ(runs[0].connection.rfind("(temp) Data Source=", 0), 0u) << runs[0].connection;
    EXPECT_NE(runs[0].connection.find(";Password=***"), std::string::npos) << runs[0].connection;
    for (const HistoryRun& run : runs) {
        EXPECT_GT(run.startedMs, 0);
        EXPECT_GE(run.seconds, 0);
    }
    EXPECT_EQ(FilePermissions(tbn::run::HistoryPath()), 0600u);
    EXPECT_EQ(FilePermissions(QFileInfo(tbn::run::HistoryPath()).absolutePath()), 0700u);
}

TEST_F(HistoryTest, TheWindowFiltersAsTypedAndPutsTheChosenTextIntoTheEditor) {
    for (const auto& [connection, text] : {std::pair{"Shop", "SELECT name FROM people"},
                                           std::pair{"Books", "SELECT title\r\nFROM books"},
                                           std::pair{"Shop", "DELETE FROM people WHERE name = 'x'"},
                                           std::pair{"Books", "SELECT count(*) FROM people"}}) {
        HistoryRun run;
        run.connection = connection;
        run.text = text;
        RunHistory::Program().Use([&](tbn::db::HistoryStore& store) { store.Append(run); });
    }
    frmMain* window = Open();
    window->QueryText().SetText(QStringLiteral("-- before\r\n-- after"));
    window->QueryText().SetSelStart(11);

    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(window->rtfQueryWidget(), Qt::Key_H,
                    Qt::ControlModifier);  // the editor does not take it
    tbn::query::frmHistory* history = frame->HistoryWindow();
    ASSERT_NE(history, nullptr);
    tbn::query::HistoryModel& model = history->model();
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.data(model.index(0, tbn::query::HistoryModel::Text)),
              QStringLiteral("SELECT count(*) FROM people"));

    QTest::keyClicks(history->txtFilterWidget(), QStringLiteral("from PEO"));
    EXPECT_EQ(model.rowCount(), 3);
    history->cboConnectionWidget()->setCurrentText(QStringLiteral("Shop"));
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(0, tbn::query::HistoryModel::Text)),
              QStringLiteral("DELETE FROM people WHERE name = 'x'"));

    QTest::keyClick(history->txtFilterWidget(), Qt::Key_Down);
    QTest::keyClick(history->txtFilterWidget(), Qt::Key_Return);
    EXPECT_EQ(window->QueryText().Text(),
              QStringLiteral("-- before\r\nSELECT name FROM people\r\n-- after"));

    // A double click replaces the selection, with the whole text of a run of several lines.
    history->txtFilterWidget()->clear();
    history->cboConnectionWidget()->setCurrentIndex(0);
    QTest::keyClicks(history->txtFilterWidget(), QStringLiteral("title"));
    ASSERT_EQ(model.rowCount(), 1);
    window->QueryText().SetSelStart(0);
    window->QueryText().SetSelLength(9);
    QTableView* list = history->lvRunsWidget();
    const QRect cell = list->visualRect(model.index(0, tbn::query::HistoryModel::Text));
    // As a mouse does it: the first click's press and release, then the double click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(window->QueryText().Text(),
              QStringLiteral("SELECT title\r\nFROM books\r\nSELECT name FROM people\r\n-- after"));
}

TEST_F(HistoryTest, WithoutASelectionTheChosenTextGoesInOnALineOfItsOwn) {
    HistoryRun run;
    run.connection = "Shop";
    run.text = "WITH x AS (SELECT 1)\r\nSELECT * FROM x";
    RunHistory::Program().Use([&](tbn::db::HistoryStore& store) { store.Append(run); });
    frmMain* window = Open();
    frame->mnuHistory_Click();
    tbn::query::frmHistory* history = frame->HistoryWindow();
    ASSERT_NE(history, nullptr);
    const QString chosen = QString::fromStdString(run.text);
    const struct {
        QString pane;
        int caret;
        QString expected;
    } cases[] = {
        {"", 0, chosen},
        {"SELECT * FROM docs", 18, "SELECT * FROM docs\r\n" + chosen},
        {"SELECT * FROM docs", 0, chosen + "\r\nSELECT * FROM docs"},
        {"SELECT 1\r\nSELECT 2", 8, "SELECT 1\r\n" + chosen + "\r\nSELECT 2"},
        {"SELECT 1\r\n\r\nSELECT 2", 10, "SELECT 1\r\n" + chosen + "\r\nSELECT 2"},
        {"SELECT 1 UNION SELECT 2", 9, "SELECT 1 \r\n" + chosen + "\r\nUNION SELECT 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pane.toStdString() + " at " + std::to_string(c.caret));
        window->QueryText().SetText(c.pane);
        window->QueryText().SetSelStart(c.caret);
        ASSERT_TRUE(history->InsertChosen());
        EXPECT_EQ(window->QueryText().Text(), c.expected);
    }
}

TEST_F(HistoryTest, TheWindowShowsTheChosenRunsStatements) {
    HistoryRun older;  // as a history from before the lines has its runs
    older.connection = "Shop";
    older.text = "SELECT 2";
    RunHistory::Program().Use([&](tbn::db::HistoryStore& store) { store.Append(older); });
    using tbn::run::StatementEnding;
    tbn::run::RunResult result;
    result.ending = tbn::run::RunEnding::Failed;
    const std::string text = "SELECT 1;\r\nUPDATE people SET name = 'x';\r\nSELECT * FROM nowhere";
    // Placed in the pane, as the window does before it records the run.
    const tbn::Error failure(1, "no such table: nowhere (line 3, column 15)");
    result.failure = std::make_exception_ptr(failure);
    result.statements = {
        {"SELECT 1;", 0, StatementEnding::Rows, 1, 0.01, nullptr},
        {"UPDATE people SET name = 'x';", 11, StatementEnding::Changed, 2, 0.02, nullptr},
        {"SELECT * FROM nowhere", 43, StatementEnding::Failed, 0, 0.01, result.failure}};
    RunHistory::Program().Record(QStringLiteral("Shop"), QString::fromStdString(text), 1, result);

    Open();
    frame->mnuHistory_Click();
    tbn::query::frmHistory* history = frame->HistoryWindow();
    ASSERT_NE(history, nullptr);
    const QListWidget& lines = *history->lstStatementsWidget()->Lines();
    ASSERT_EQ(lines.count(), 3);
    EXPECT_TRUE(lines.item(1)->text().contains(QStringLiteral("UPDATE people SET name = 'x';")));
    EXPECT_TRUE(lines.item(1)->text().contains(QStringLiteral("2 rows changed")));
    EXPECT_TRUE(lines.item(2)->text().endsWith(
        QStringLiteral("no such table: nowhere (line 3, column 15)")))
        << lines.item(2)->text().toStdString();
    QTest::keyClick(history->txtFilterWidget(), Qt::Key_Down);
    EXPECT_EQ(lines.count(), 0);
    QTest::keyClick(history->txtFilterWidget(), Qt::Key_Up);
    EXPECT_EQ(lines.count(), 3);
}

// What the history's name may lead to besides a history of TBN's own.
enum class NotAHistory { Damaged, AnotherProgramsDatabase, LinkToADatabase };

class NotAHistoryTest : public HistoryTest, public ::testing::WithParamInterface<NotAHistory> {};

TEST_P(NotAHistoryTest, IsMovedAsideUntouchedReportedOnceAndANewHistoryBegun) {
    const QString folder = dir.file(QStringLiteral("data/tbn"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/history.db");
    const QString other = dir.file(QStringLiteral("other.db"));
    switch (GetParam()) {
    case NotAHistory::Damaged:
        dir.write(QStringLiteral("data/tbn/history.db"), QByteArray(8192, 'x'));
        break;
    case NotAHistory::AnotherProgramsDatabase:
        tbn::test::RunSqlite(path, "CREATE TABLE notes(x);");
        break;
    case NotAHistory::LinkToADatabase:
        tbn::test::RunSqlite(other, "CREATE TABLE notes(x);");
        ASSERT_TRUE(QFile::link(other, path));
        break;
    }
    const QString linkTarget = QFileInfo(path).symLinkTarget();
    const QByteArray content =
        dir.read(QStringLiteral("data/tbn/history.db"));  // through a link, if one

    frmMain* window = Open();
    boxes->Answer(vbOK);
    Run(window, QStringLiteral("SELECT 1"));
    Run(window, QStringLiteral("SELECT 2"));

    const std::vector<MsgBoxCall> reports = HistoryReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].prompt.contains(QStringLiteral("moved to")))
        << reports[0].prompt.toStdString();
    const QStringList aside = QDir(folder).entryList({QStringLiteral("history.db.corrupt-*")},
                                                     QDir::AllEntries | QDir::System);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(QFileInfo(folder + QLatin1Char('/') + aside[0]).symLinkTarget(), linkTarget);
    EXPECT_EQ(dir.read(QStringLiteral("data/tbn/") + aside[0]), content);
    EXPECT_FALSE(QFileInfo::exists(other + QStringLiteral("-wal")));
    EXPECT_EQ(Recorded().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Files, NotAHistoryTest,
                         ::testing::Values(NotAHistory::Damaged,
                                           NotAHistory::AnotherProgramsDatabase,
                                           NotAHistory::LinkToADatabase),
                         [](const auto& info) {
                             switch (info.param) {
                             case NotAHistory::Damaged: return "Damaged";
                             case NotAHistory::AnotherProgramsDatabase:
                                 return "AnotherProgramsDatabase";
                             case NotAHistory::LinkToADatabase: return "LinkToADatabase";
                             }
                             return "";
                         });

TEST_F(HistoryTest, AFolderThatCannotBeCreatedIsReportedOnce) {
    // Through the fault seam: the history file cannot be made, as in a folder the user may not
    // write.
    frmMain* window = Open();
    FaultInjector::Scope fault(FileOpKind::Open, 1, EACCES);
    ExpectRunsGoOnWithOneReport(window, "70");
    EXPECT_TRUE(fault.Fired());
}

TEST_F(HistoryTest, AReadOnlyDiskIsReportedOnceAndQueriesGoOn) {
    tbn::test::ScratchMount disk(256 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    UseDataHome(disk.path());
    if (!disk.SetReadOnly(true)) GTEST_SKIP() << disk.Why().toStdString();
    ExpectRunsGoOnWithOneReport(Open(), "70");
    RunHistory::Program().Restart();
    ASSERT_TRUE(disk.SetReadOnly(false));
}

TEST_F(HistoryTest, AFullDiskIsReportedOnceAndQueriesGoOn) {
    tbn::test::ScratchMount disk(256 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    UseDataHome(disk.path());
    RunHistory::Program().Use([](tbn::db::HistoryStore&) {});  // made while there was room
    ASSERT_GT(disk.FillUp(QStringLiteral("filler")), 0u);
    ExpectRunsGoOnWithOneReport(Open(), "13");
    RunHistory::Program().Restart();
}

}  // namespace
