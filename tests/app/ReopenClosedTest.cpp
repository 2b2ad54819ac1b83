// Closing a query window never loses what was typed in it: Close current, Close all and quitting
// keep every changed, unsaved text in the history as a "closed" entry, and Windows > "Reopen
// closed window" (Ctrl+Shift+T) brings them back newest first, on their connections, this run
// and the next.
#include "connections/ProgramFolder.h"
#include "core/FileOps.h"
#include "db/HistoryStore.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "run/ClosedWindows.h"
#include "run/RunHistory.h"
#include "support/QueryWindowFixture.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedFileDialog.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QDir>
#include <QMdiArea>
#include <QTest>

using namespace tbn::connections;
using namespace tbn::core;
using namespace tbn::ui;
using tbn::run::ClosedWindows;
using tbn::run::RunHistory;

namespace {

class ReopenClosedTest : public tbn::test::QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        SetProgramFolderForTesting(dir.path());
        Restart();
    }
    void TearDown() override {
        QueryWindowFixture::TearDown();
        Restart();
        SetProgramFolderForTesting(QString());
    }
    // What a new start of the program forgets.
    static void Restart() {
        RunHistory::Program().Restart();
        ClosedWindows::Program().Restart();
    }
    void PressCtrlShiftT() {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        QTest::keyClick(frame.get(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        Settle();
    }
    frmMain* Newest() const {
        return frame->QueryWindows().isEmpty() ? nullptr : frame->QueryWindows().back();
    }
    static std::vector<tbn::db::HistoryRun> ClosedEntries() {
        tbn::db::HistoryStore store(tbn::run::HistoryPath());
        std::vector<tbn::db::HistoryRun> closed;
        for (tbn::db::HistoryRun& run : store.Page({}, 0, 100))
            if (run.outcome == tbn::db::RunOutcome::Closed) closed.push_back(std::move(run));
        return closed;
    }
    QStringList RecoveryFiles() const {
        return QDir(tbn::recovery::RecoveryFolder())
            .entryList({QStringLiteral("*.rec")}, QDir::Files);
    }

    tbn::test::ScopedEnv data{"XDG_DATA_HOME", qPrintable(dir.file(QStringLiteral("data")))};
    tbn::test::ScopedEnv state{"XDG_STATE_HOME", qPrintable(dir.file(QStringLiteral("state")))};
};

TEST_F(ReopenClosedTest, CloseCurrentCloseAllAndQuittingKeepTheTextAndCtrlShiftTBringsItBack) {
    const QString saved = MakeDatabase(QStringLiteral("shop.db"), "CREATE TABLE books(id);") +
                          QStringLiteral(";Password=pw");
    dir.write(QStringLiteral("cnns.dat"),
              (QStringLiteral("shop\t") + saved + QStringLiteral("\r\n")).toUtf8());
    const QString once = MakeDatabase(QStringLiteral("once.db"), "CREATE TABLE t(x);") +
                         QStringLiteral(";Password=hunter2");

    frmMain* shop = OpenWindow(QStringLiteral("shop"), saved);
    shop->QueryText().SetText(QStringLiteral("SELECT * FROM books"));
    ASSERT_TRUE(shop->Recovery().SaveNow());
    frmMain* temp = OpenWindow(QStringLiteral("(temp) ") + once, once);
    temp->QueryText().SetText(QStringLiteral("SELECT 'typed'"));
    frmMain* filed = OpenWindow(QStringLiteral("filed"), once);
    filed->QueryText().SetText(QStringLiteral("SELECT 'saved'"));
    {
        tbn::test::ScriptedFileDialog dialog;
        dialog.Choose({dir.file(QStringLiteral("saved.sql"))});
        ASSERT_TRUE(filed->SaveQuery());
    }
    OpenWindow(QStringLiteral("untouched"), once);

    frame->WindowArea()->setActiveSubWindow(temp->subWindow());
    frame->mnuWindowsCloseCurrent_Click();
    boxes->Answer(vbYes);
    frame->mnuCloseAll_Click();
    Settle();
    ASSERT_TRUE(frame->QueryWindows().isEmpty());

    // Only the changed, unsaved texts are kept, without passwords; their recovery copies are gone.
    const std::vector<tbn::db::HistoryRun> closed = ClosedEntries();
    ASSERT_EQ(closed.size(), 2u);
    EXPECT_EQ(closed[0].connection, "shop");
    EXPECT_EQ(closed[1].text, "SELECT 'typed'");
    EXPECT_EQ(closed[1].connection.find("hunter2"), std::string::npos) << closed[1].connection;
    EXPECT_TRUE(RecoveryFiles().isEmpty()) << RecoveryFiles().join(' ').toStdString();

    PressCtrlShiftT();
    ASSERT_NE(Newest(), nullptr);
    EXPECT_EQ(Newest()->QueryText().Text(), QStringLiteral("SELECT * FROM books"));
    EXPECT_TRUE(Newest()->IsConnected());
    PressCtrlShiftT();
    ASSERT_EQ(frame->QueryWindows().size(), 2);
    EXPECT_EQ(Newest()->QueryText().Text(), QStringLiteral("SELECT 'typed'"));
    EXPECT_EQ(Newest()->connection().ConnectionString(), once.toStdString())
        << "the password stays for this run";
    PressCtrlShiftT();
    EXPECT_EQ(frame->QueryWindows().size(), 2) << "nothing else was closed";

    // Quitting keeps both again; the next run finds them in the history, the saved connection's
    // password in the store.
    frame->close();
    EXPECT_EQ(ClosedEntries().size(), 4u);
    Restart();
    frame = std::make_unique<frmMDI>();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    PressCtrlShiftT();
    ASSERT_NE(Newest(), nullptr);
    EXPECT_EQ(Newest()->QueryText().Text(), QStringLiteral("SELECT 'typed'"));
    EXPECT_FALSE(Newest()->windowTitle().contains(QStringLiteral("hunter2")));
    PressCtrlShiftT();
    ASSERT_EQ(frame->QueryWindows().size(), 2);
    EXPECT_EQ(Newest()->QueryText().Text(), QStringLiteral("SELECT * FROM books"));
    EXPECT_EQ(Newest()->connection().ConnectionString(), saved.toStdString());
    EXPECT_EQ(boxes->Count(), 1u);
}

TEST_F(ReopenClosedTest, AHistoryThatCannotTakeTheTextLeavesItsRecoveryCopyAndStillReopensIt) {
    frmMain* window = OpenWindow(QStringLiteral("shop"),
                                 MakeDatabase(QStringLiteral("s.db"), "CREATE TABLE t(x);"));
    window->QueryText().SetText(QStringLiteral("SELECT 'kept'"));
    boxes->Answer(vbOK);
    {
        FaultInjector::Scope fault(FileOpKind::Open, 1, EACCES);
        frame->mnuWindowsCloseCurrent_Click();
        Settle();
        EXPECT_TRUE(fault.Fired());
    }
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> History"));
    EXPECT_EQ(RecoveryFiles().size(), 1) << "left to be offered at the next start";

    PressCtrlShiftT();
    ASSERT_NE(Newest(), nullptr);
    EXPECT_EQ(Newest()->QueryText().Text(), QStringLiteral("SELECT 'kept'"));
}

}  // namespace
