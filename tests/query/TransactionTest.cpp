// Manual commit through the real window: what a second connection sees, what closing does with an
// open transaction, and a PostgreSQL transaction that failed.
#include "RouteWindowTest.h"
#include "query/RunStatusBar.h"
#include "run/RunHistory.h"
#include "run/RunStatusText.h"
#include "support/PgServer.h"
#include "support/QueryWindowFixture.h"
#include "ui/TextBox.h"

#include <QPointer>
#include <QTest>

using tbn::db::TransactionState;
using tbn::test::ExecuteAndWait;
using tbn::test::QueryWindowFixture;
using namespace tbn::ui;

namespace {

// What a connection of its own counts, so that only committed rows are seen.
std::string CountFromOutside(const std::string& cnn, const std::string& query) {
    tbn::db::Connection other;
    other.Open(cnn);
    std::unique_ptr<tbn::db::Cursor> rows = other.session().Execute(query);
    std::string value(rows->Value(0));
    while (!rows->AtEnd()) rows->Next();
    return value;
}

void RunText(frmMain* window, const QString& sql) {
    window->QueryText().SetText(sql);
    ASSERT_TRUE(ExecuteAndWait(*window));
}

// The newest texts the history holds, newest first.
QStringList NewestHistoryTexts(int count) {
    QStringList texts;
    tbn::run::RunHistory::Program().Use([&](tbn::db::HistoryStore& store) {
        for (const tbn::db::HistoryRun& run : store.Page({}, 0, count))
            texts << QString::fromStdString(run.text);
    });
    return texts;
}

}  // namespace

using TransactionRouteTest = RouteWindowTest<>;

TEST_P(TransactionRouteTest, ChangesStayUnseenUntilCommitAndGoWithRollBack) {
    const std::string count = "SELECT COUNT(*) FROM t";
    frmMain* window = OpenWindow("route", QString::fromStdString(cnn));
    RunText(window, "CREATE TABLE t(x INTEGER)");
    frame->mnuQueryAutoCommit->trigger();
    ASSERT_FALSE(window->AutoCommit());
    EXPECT_FALSE(frame->mnuQueryAutoCommit->isChecked());

    RunText(window, "INSERT INTO t VALUES (1)");
    RunText(window, "INSERT INTO t VALUES (2)");
    EXPECT_EQ(window->Transaction(), TransactionState::Open);
    EXPECT_EQ(window->StatusLine()->TransactionMark(), tbn::run::TransactionOpenText(2));
    EXPECT_EQ(CountFromOutside(cnn, count), "0");
    frame->mnuQueryCommit->trigger();
    EXPECT_EQ(boxes->Count(), 0u) << boxes->Last().prompt.toStdString();
    EXPECT_EQ(CountFromOutside(cnn, count), "2");
    EXPECT_TRUE(window->StatusLine()->TransactionMark().isEmpty());

    RunText(window, "DELETE FROM t");
    EXPECT_EQ(window->StatusLine()->TransactionMark(), tbn::run::TransactionOpenText(1));
    frame->mnuQueryRollback->trigger();
    EXPECT_EQ(window->Transaction(), TransactionState::None);
    EXPECT_EQ(CountFromOutside(cnn, count), "2");
    EXPECT_EQ(NewestHistoryTexts(4),
              (QStringList{"ROLLBACK", "DELETE FROM t", "COMMIT", "INSERT INTO t VALUES (2)"}));
    EXPECT_EQ(boxes->Count(), 0u) << boxes->Last().prompt.toStdString();
}

TBN_ON_EVERY_ROUTE(TransactionRouteTest);

class TransactionTest : public QueryWindowFixture {};

// Closing a window with a transaction open, and quitting, ask; each answer does what it says.
TEST_F(TransactionTest, ClosingAsksAndEachAnswerDoesWhatItSays) {
    const QString cnn = MakeDatabase("shop.db", "CREATE TABLE t(x INTEGER);");
    const std::string count = "SELECT COUNT(*) FROM t";
    enum class How { Close, Quit, AutoCommitOn };
    struct Case {
        int answer;
        How how;
        bool closes;
        bool keeps;  // the transaction stays open
        const char* committed;
    };
    // Each case inserts a row.
    const Case cases[] = {{vbYes, How::Close, true, false, "1"},
                          {vbNo, How::Close, true, false, "1"},
                          {vbCancel, How::Quit, false, true, "1"},
                          {vbYes, How::AutoCommitOn, false, false, "2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.how));
        frmMain* window = OpenWindow("shop", cnn);
        QPointer<frmMain> watched(window);
        window->SetAutoCommit(false);
        RunText(window, "INSERT INTO t VALUES (1)");
        boxes->Answer(c.answer);
        const std::size_t before = boxes->Count();
        switch (c.how) {
        case How::Close: window->Unload(); break;
        case How::Quit: frame->close(); break;
        case How::AutoCommitOn: window->SetAutoCommit(true); break;
        }
        Settle();
        ASSERT_EQ(boxes->Count(), before + 1);
        EXPECT_EQ(boxes->Last().prompt, QStringLiteral("Commit the open transaction of shop?"));
        if (c.closes)
            EXPECT_TRUE(QTest::qWaitFor([&] { return watched.isNull(); }, 5000));
        else
            EXPECT_FALSE(watched.isNull());
        EXPECT_TRUE(frame->isVisible());
        if (!c.closes) {
            EXPECT_EQ(window->Transaction(),
                      c.keeps ? TransactionState::Open : TransactionState::None);
            EXPECT_EQ(window->AutoCommit(), !c.keeps);
            window->RollbackTransaction();
        }
        EXPECT_EQ(CountFromOutside(cnn.toStdString(), count), c.committed);
        if (watched) window->Unload();
        Settle();
        EXPECT_EQ(boxes->Unanswered(), 0u);
    }
}

TEST_F(TransactionTest, ACommitThatFailsOnClosingIsReportedAndTheWindowStays) {
    frmMain* window = OpenWindow(
        "shop",
        MakeDatabase("shop.db", "CREATE TABLE parent(id INTEGER PRIMARY KEY); CREATE TABLE "
                                "child(p INTEGER REFERENCES parent(id) DEFERRABLE INITIALLY "
                                "DEFERRED);"));
    QPointer<frmMain> watched(window);
    RunText(window, "PRAGMA foreign_keys = ON");
    window->SetAutoCommit(false);
    RunText(window, "INSERT INTO child VALUES (99)");
    boxes->Answer(vbYes).Answer(vbOK);
    window->Unload();
    Settle();
    ASSERT_EQ(boxes->Count(), 2u);
    EXPECT_TRUE(boxes->Last().prompt.contains("FOREIGN KEY")) << boxes->Last().prompt.toStdString();
    ASSERT_FALSE(watched.isNull());
    EXPECT_EQ(window->Transaction(), TransactionState::Open);
    window->RollbackTransaction();
}

// A failure that makes the engine undo the whole transaction is not passed over in silence.
TEST_F(TransactionTest, AFailureThatRollsTheTransactionBackSaysSo) {
    frmMain* window = OpenWindow(
        "shop", MakeDatabase("shop.db", "CREATE TABLE t(x INTEGER); CREATE TRIGGER no AFTER "
                                        "INSERT ON t WHEN new.x < 0 BEGIN SELECT RAISE(ROLLBACK, "
                                        "'negative'); END;"));
    window->SetAutoCommit(false);
    RunText(window, "INSERT INTO t VALUES (1)");
    boxes->Answer(vbOK);
    RunText(window, "INSERT INTO t VALUES (-1)");
    EXPECT_EQ(window->Transaction(), TransactionState::None);
    EXPECT_TRUE(window->StatusLine()->Text().endsWith("; the open transaction was rolled back"))
        << window->StatusLine()->Text().toStdString();
    EXPECT_TRUE(window->StatusLine()->TransactionMark().isEmpty());
}

TEST_F(TransactionTest, AFailedPostgresStatementLeadsToTheRollBackOffer) {
    const std::optional<tbn::test::PgServer> server = tbn::test::PgServer::FromEnvironment();
    if (!server) GTEST_SKIP() << tbn::test::PgServer::AbsentReason();
    const std::string database = server->CreateDatabase();
    const std::string cnn = server->ConnectionString(database);
    {
        frmMain* window = OpenWindow("pg", QString::fromStdString(cnn));
        window->SetAutoCommit(false);
        // The catalogue is read again after a CREATE, inside the transaction, which it leaves open.
        RunText(window, "CREATE TABLE made_here(x int)");
        EXPECT_EQ(window->Transaction(), TransactionState::Open);
        boxes->Answer(vbOK);
        RunText(window, "SELECT 1/0");
        EXPECT_EQ(window->Transaction(), TransactionState::Failed);
        EXPECT_EQ(window->StatusLine()->TransactionMark(),
                  QStringLiteral("The transaction failed; roll it back."));
        // The server would roll back and call it a commit; the window says it did not commit.
        boxes->Answer(vbOK);
        frame->mnuQueryCommit->trigger();
        Settle();
        EXPECT_EQ(boxes->Count(), 2u);
        EXPECT_EQ(window->Transaction(), TransactionState::Failed);
        ASSERT_FALSE(window->StatusLine()->rollBackButton()->isHidden());
        window->StatusLine()->rollBackButton()->click();
        EXPECT_TRUE(window->StatusLine()->TransactionMark().isEmpty());
        EXPECT_TRUE(window->StatusLine()->rollBackButton()->isHidden());
        EXPECT_EQ(
            CountFromOutside(cnn, "SELECT COUNT(*) FROM pg_class WHERE relname = 'made_here'"),
            "0");
        RunText(window, "SELECT 7");
        EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("7"));
        // Nothing of a failed transaction can be committed: closing asks nothing.
        boxes->Answer(vbOK);
        RunText(window, "SELECT 1/0");
        ASSERT_EQ(window->Transaction(), TransactionState::Failed);
        window->Unload();
        Settle();
        EXPECT_EQ(boxes->Count(), 3u);
    }
    server->DropDatabase(database);
}
