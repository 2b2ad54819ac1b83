// Connecting runs on a worker: while a server accepts the connection and never answers, the frame
// works on and another window runs its query; a box says what is connecting, and Escape on it ends
// the attempt at once, as a failed open ends.
#include "connections/frmConnections.h"
#include "grid/FlexGrid.h"
#include "query/ConnectProgress.h"
#include "run/LeftBehindThreads.h"
#include "support/LoopbackRelay.h"
#include "support/ManagerFixture.h"
#include "ui/MousePointer.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTest>
#include <iostream>

using namespace tbn::ui;

class ConnectingTest : public tbn::test::ManagerFixture {};

TEST_F(ConnectingTest, ASilentServerLeavesTheFrameAtWorkAndEscapeEndsTheAttemptAsAFailedOpen) {
    const QString database = MakeDatabase("o.db", "CREATE TABLE t(x); INSERT INTO t VALUES (42);");
    frmMain* first = OpenWindow("first", database);
    frmMain* other = OpenWindow("other", database);
    tbn::test::LoopbackRelay silent("127.0.0.1", "9");  // frozen before any server is reached
    silent.Freeze();
    const QString cnn =
        QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=%1;User ID=x;Connect Timeout=60")
            .arg(QString::fromStdString(silent.Port()));
    NewManager().show();
    manager->txtCnn->setText(cnn);
    manager->cmdOpen_Click();
    EXPECT_FALSE(manager->isVisible()) << "the manager makes way for the frame";
    ASSERT_EQ(frame->QueryWindows().size(), 3);
    frmMain* connecting = frame->QueryWindows().back();
    ASSERT_TRUE(connecting->Connecting());
    EXPECT_EQ(MousePointer(), vbHourglass);

    // Meanwhile the frame's menu runs a query in the other window, which the event loop finishes.
    frame->WindowArea()->setActiveSubWindow(other->subWindow());
    other->QueryText().SetText(QStringLiteral("SELECT x FROM t"));
    frame->mnuQueryExecute->trigger();
    ASSERT_TRUE(tbn::test::WaitForRun(*other, 5000));
    EXPECT_EQ(other->FlexWidget()->TextMatrix(1, 1), QStringLiteral("42"));
    EXPECT_EQ(MousePointer(), vbHourglass) << "still held by the connecting";
    ASSERT_TRUE(connecting->Connecting());
    EXPECT_FALSE(connecting->subWindow()->isVisible()) << "hidden until connected";

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return connecting->ConnectProgressBox() &&
                   connecting->ConnectProgressBox()->isVisible();
        },
        5000));
    tbn::query::ConnectProgress* box = connecting->ConnectProgressBox();
    EXPECT_FALSE(box->isModal());
    const QString told = box->findChild<QLabel*>()->text();
    EXPECT_TRUE(told.startsWith(QStringLiteral("Connecting to (temp) Provider=PostgreSQL;")) &&
                told.endsWith(QChar(0x2026)))
        << told.toStdString();

    boxes->Answer(vbOK);
    QElapsedTimer sinceEscape;
    sinceEscape.start();
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager->isVisible(); }, 5000));
    const qint64 cancelMs = sinceEscape.elapsed();
    std::cout << "connect cancelled, manager back after " << cancelMs << " ms" << std::endl;
    EXPECT_LT(cancelMs, 1000);
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmConnections >> OpenCnn"));
    EXPECT_EQ(manager->txtCnn->text(), cnn) << "the manager keeps its choice";
    EXPECT_TRUE(manager->optTemp[1]->isChecked());
    EXPECT_EQ(MousePointer(), vbDefault);
    Settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->QueryWindows(), (QList<frmMain*>{first, other}));
    EXPECT_EQ(frame->ActiveQueryWindow(), other)
        << "the window the user works in stays the active one";
    // Nor is the worker left waiting on the server.
    EXPECT_EQ(tbn::run::JoinLeftBehind(std::chrono::seconds(1)), 0u);
}
