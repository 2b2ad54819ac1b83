#include "app/FrameGeometry.h"
#include "connections/ProgramFolder.h"
#include "connections/frmConnections.h"
#include "core/Error.h"
#include "editor/Zoom.h"
#include "grid/FlexGrid.h"
#include "query/frmHistory.h"
#include "support/QueryWindowFixture.h"
#include "support/ScopedEnv.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

using tbn::test::QueryWindowFixture;
using namespace tbn::connections;
using namespace tbn::ui;

namespace {
const std::string kBooks =
    "CREATE TABLE books(id INTEGER, title TEXT); INSERT INTO books VALUES(1,'Dune');";

QStringList WindowListCaptions(frmMDI& frame) {
    emit frame.mnuWndList->aboutToShow();
    QStringList captions;
    bool pastOwnEntries = false;
    for (QAction* action : frame.mnuWndList->actions()) {
        if (action == frame.mnuReopenClosed) {
            pastOwnEntries = true;
            continue;
        }
        if (pastOwnEntries && !action->isSeparator())
            captions << action->text().remove(QLatin1Char('&'));
    }
    return captions;
}
}  // namespace

class FrameTest : public QueryWindowFixture {};

TEST_F(FrameTest, MenuTreeHasItsCaptionsShortcutsAndOrder) {
    QStringList tops;
    for (QAction* a : frame->menuBar()->actions()) tops << a->text();
    EXPECT_EQ(tops, (QStringList{"&Connection", "&Query", "&Windows", "&Help"}));
    QStringList connection;
    for (QAction* a : frame->mnuConnection->actions())
        connection << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(connection,
              (QStringList{"Connection manager", "-", "Copy to clipboard", "-", "Exit"}));
    QStringList query;
    for (QAction* a : frame->mnuQuery->actions())
        query << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(query, (QStringList{"Execute",
                                  "Execute selected",
                                  "Execute statement",
                                  "Run to file…",
                                  "Cancel\tEsc",
                                  "Reconnect",
                                  "History",
                                  "-",
                                  "Auto-commit",
                                  "Commit",
                                  "Roll back",
                                  "-",
                                  "Cut",
                                  "Copy",
                                  "Copy with headers",
                                  "Paste",
                                  "-",
                                  "Load",
                                  "Save",
                                  "Export results…",
                                  "-",
                                  "Select all",
                                  "-",
                                  "Find…",
                                  "Replace…",
                                  "Find next",
                                  "Find previous",
                                  "Go to line…"}));
    EXPECT_EQ(frame->mnuQueryExecute->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(frame->mnuExecuteSelected->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));
    EXPECT_EQ(frame->mnuExecuteStatement->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
    EXPECT_EQ(frame->mnuHistory->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    EXPECT_EQ(frame->mnuQueryCommit->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    EXPECT_EQ(frame->mnuQueryRollback->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
    EXPECT_EQ(frame->mnuQueryFind->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(frame->mnuQueryReplace->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    EXPECT_EQ(frame->mnuQueryFindNext->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(frame->mnuQueryFindPrevious->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    EXPECT_EQ(frame->mnuQueryGoToLine->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    EXPECT_EQ(frame->mnuQueryCopyWithHeaders->shortcut(),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    EXPECT_EQ(frame->mnuQueryExport->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_EQ(frame->mnuQueryRunToFile->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    EXPECT_EQ(frame->mnuConnectionManager->shortcut(), QKeySequence(Qt::Key_F8));
    EXPECT_EQ(frame->mnuExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(frame->mnuAbout->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
    EXPECT_EQ(frame->mnuWindowsCloseCurrent->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F4));
    EXPECT_EQ(frame->mnuReopenClosed->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("TBN"));

    // Alt and a caption's underlined letter open its menu.
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    const std::pair<Qt::Key, QMenu*> menus[] = {{Qt::Key_C, frame->mnuConnection},
                                                {Qt::Key_Q, frame->mnuQuery},
                                                {Qt::Key_W, frame->mnuWndList},
                                                {Qt::Key_H, frame->mnuHelp}};
    for (const auto& [key, menu] : menus) {
        QTest::keyClick(frame.get(), key, Qt::AltModifier);
        EXPECT_TRUE(menu->isVisible()) << menu->objectName().toStdString();
        // Escape closes the menu, a second one leaves the menu bar, as a user leaves them.
        QTest::keyClick(menu, Qt::Key_Escape);
        QTest::keyClick(frame->menuBar(), Qt::Key_Escape);
        EXPECT_FALSE(menu->isVisible());
    }
}

TEST_F(FrameTest, QueryCommandsStartDisabledAndTheirKeysDoNothing) {
    for (QAction* a : {frame->mnuQueryCopy,
                       frame->mnuQueryCut,
                       frame->mnuQueryExecute,
                       frame->mnuExecuteSelected,
                       frame->mnuExecuteStatement,
                       frame->mnuQueryReconnect,
                       frame->mnuQueryPaste,
                       frame->mnuQuerySelectAll,
                       frame->mnuCnnCopy,
                       frame->mnuQuerySave,
                       frame->mnuQueryLoad,
                       frame->mnuWindowsCloseCurrent,
                       frame->mnuQueryCopyWithHeaders,
                       frame->mnuQueryExport,
                       frame->mnuQueryRunToFile,
                       frame->mnuQueryFind,
                       frame->mnuQueryReplace,
                       frame->mnuQueryFindNext,
                       frame->mnuQueryFindPrevious,
                       frame->mnuQueryGoToLine})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a : {frame->mnuConnectionManager, frame->mnuHistory, frame->mnuCloseAll,
                       frame->mnuReopenClosed, frame->mnuAbout})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();

    int managerCalls = 0;
    frmMDI::SetConnectionManagerCommand([&](frmMDI&) { ++managerCalls; });
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_F8);
    EXPECT_EQ(managerCalls, 1);
    frmMDI::SetConnectionManagerCommand({});
}

TEST_F(FrameTest, RoutedCommandsReachOnlyTheActiveWindow) {
    const QString cnn = MakeDatabase("a.db", kBooks);
    frmMain* first = OpenWindow("first", cnn);
    frmMain* second = OpenWindow("second", cnn);
    frame->WindowArea()->setActiveSubWindow(first->subWindow());
    Settle();
    ASSERT_EQ(frame->ActiveQueryWindow(), first);
    first->QueryText().SetText("abc");
    second->QueryText().SetText("xyz");
    frame->mnuQuerySelectAll_Click();
    EXPECT_EQ(first->QueryText().SelLength(), 3);
    EXPECT_EQ(second->QueryText().SelLength(), 0);
}

TEST_F(FrameTest, CloseCurrentAndCloseAllFollowTheWindowList) {
    const QString cnn = MakeDatabase("a.db", kBooks);
    frmMain* first = OpenWindow("first", cnn);
    OpenWindow("second", cnn);
    EXPECT_EQ(WindowListCaptions(*frame), (QStringList{"first", "second"}));

    frame->mnuWindowsCloseCurrent_Click();  // the second is active
    Settle();
    ASSERT_EQ(frame->QueryWindows().size(), 1);
    EXPECT_EQ(frame->QueryWindows().front(), first);
    EXPECT_EQ(WindowListCaptions(*frame), QStringList{"first"});

    boxes->Answer(vbNo);
    frame->mnuCloseAll_Click();
    Settle();
    EXPECT_EQ(frame->QueryWindows().size(), 1);
    EXPECT_EQ(boxes->Last().prompt, QStringLiteral("Close all windows?"));
    EXPECT_EQ(boxes->Last().title, QStringLiteral("TBN"));
    EXPECT_EQ(boxes->Last().style, vbYesNo + vbQuestion);

    boxes->Answer(vbYes);
    frame->mnuCloseAll_Click();
    Settle();
    EXPECT_TRUE(frame->QueryWindows().isEmpty());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->mnuQueryExecute->isEnabled());  // nothing turns the commands off again
    frame->mnuQueryExecute_Click();                    // and with no window they do nothing

    boxes->Answer(vbYes);
    frame->mnuCloseAll_Click();  // with no window open the frame stays
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(FrameTest, CtrlWInTheEditorLeavesTheQueryWindowOpenAndItsOwnMenuOffersNoSuchKey) {
    frmMain* window = OpenWindow("kept", MakeDatabase("a.db", kBooks));
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    window->rtfQueryWidget()->setFocus();
    window->QueryText().SetText("SELECT * FROM books");
    QTest::keyClick(window->rtfQueryWidget(), Qt::Key_W, Qt::ControlModifier);
    Settle();
    ASSERT_EQ(frame->QueryWindows().size(), 1);
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("SELECT * FROM books"));

    QStringList entries;
    for (QAction* entry : window->subWindow()->systemMenu()->actions()) {
        if (entry->isSeparator()) continue;
        entries << entry->text().remove(QLatin1Char('&'));
        EXPECT_TRUE(entry->shortcuts().isEmpty()) << entries.back().toStdString();
        EXPECT_FALSE(entry->isCheckable()) << entries.back().toStdString();
    }
    EXPECT_TRUE(entries.contains(QStringLiteral("Close")));
    EXPECT_FALSE(entries.contains(QStringLiteral("Stay on Top")));
}

TEST_F(FrameTest, AFailureEscapingARoutedCommandIsReportedAndTheFrameGoesOn) {
    const QString cnn = MakeDatabase("a.db", kBooks);
    OpenWindow("first", cnn);
    boxes->Answer(vbOK);
    frame->Route("mnuQuerySave_Click",
                 [](frmMain&) { throw tbn::Error(75, "Path/File access error"); });
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMDI >> mnuQuerySave_Click"));
    EXPECT_EQ(boxes->Last().prompt,
              QStringLiteral("Application error:\r\n#75 Path/File access error"));
    EXPECT_EQ(frame->QueryWindows().size(), 1);
}

// Each window is opened as a person does: F8, the manager shown modally, a one-time connection
// opened from it. The new window must be the active one although the frame's focus was in the
// window before it when the manager came up.
TEST_F(FrameTest, EveryNewlyOpenedQueryWindowIsTheActiveOne) {
    const QString cnn = MakeDatabase("a.db", kBooks);
    SetProgramFolderForTesting(dir.path());
    frmMDI::SetConnectionManagerCommand(&frmConnections::ShowModal);
    for (int opened = 1; opened <= 3; ++opened) {
        QTimer::singleShot(0, [&] {
            auto* manager = qobject_cast<frmConnections*>(QApplication::activeModalWidget());
            if (!manager) return ADD_FAILURE() << "the connection manager is not up";
            manager->optTemp[1]->setChecked(true);
            manager->txtCnn->setText(cnn);
            manager->cmdOpen_Click();
        });
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        QTest::keyClick(frame.get(), Qt::Key_F8);
        frame->activateWindow();  // a window manager hands the frame back its activation
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        Settle();
        ASSERT_EQ(frame->QueryWindows().size(), opened);
        frmMain* newest = frame->QueryWindows().back();
        EXPECT_EQ(frame->ActiveQueryWindow(), newest) << "window " << opened;
        EXPECT_EQ(QApplication::focusWidget(), newest->rtfQueryWidget()) << "window " << opened;
        newest->QueryText().SetText(QStringLiteral("SELECT %1 AS n").arg(opened));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        ASSERT_TRUE(tbn::test::WaitForRun(*newest));
        EXPECT_EQ(newest->FlexWidget()->TextMatrix(1, 1), QString::number(opened))
            << "F5 ran elsewhere";
    }
    frmMDI::SetConnectionManagerCommand({});
    SetProgramFolderForTesting(QString());
}

TEST_F(FrameTest, CtrlEnterRunsTheStatementUnderTheCaretAndSelectsIt) {
    frmMain* window = OpenWindow("books", MakeDatabase("a.db", kBooks));
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    const QString text = QStringLiteral(
        "SELECT title FROM books;\r\nSELECT id, 'a;b' AS x FROM books; -- done\r\nSELECT 3");
    window->QueryText().SetText(text);
    window->QueryText().SetSelStart(static_cast<int>(text.indexOf(QStringLiteral("books;"), 30)));
    window->rtfQueryWidget()->setFocus();
    QTest::keyClick(window->rtfQueryWidget(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(tbn::test::WaitForRun(*window));
    EXPECT_EQ(window->QueryText().Text(), text) << "the key must not reach the editor";
    EXPECT_EQ(window->QueryText().SelText(), QStringLiteral("SELECT id, 'a;b' AS x FROM books"));
    EXPECT_EQ(window->FlexWidget()->TextMatrix(0, 2), QStringLiteral("x"));
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 2), QStringLiteral("a;b"));
}

TEST_F(FrameTest, ANewWindowIsMaximizedWhenTheActiveOneIsAndTheNextStartRemembers) {
    const tbn::test::ScopedEnv config("XDG_CONFIG_HOME", qPrintable(dir.file("config")));
    const QString cnn = MakeDatabase("a.db", kBooks);
    frmMain* first = OpenWindow("first", cnn);
    EXPECT_FALSE(first->subWindow()->isMaximized());
    first->subWindow()->showMaximized();
    EXPECT_TRUE(OpenWindow("second", cnn)->subWindow()->isMaximized());
    frame->ActiveQueryWindow()->subWindow()->showNormal();
    EXPECT_FALSE(OpenWindow("third", cnn)->subWindow()->isMaximized());

    frame->ActiveQueryWindow()->subWindow()->showMaximized();
    frame->close();
    tbn::app::SaveFrameGeometry(*frame);
    frame = std::make_unique<frmMDI>();
    tbn::app::RestoreFrameGeometry(*frame);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    EXPECT_TRUE(OpenWindow("next start", cnn)->subWindow()->isMaximized());
}

TEST_F(FrameTest, EditorAndGridZoomEachOnTheirOwnInEveryWindowAndTheNextStartRemembers) {
    const tbn::test::ScopedEnv config("XDG_CONFIG_HOME", qPrintable(dir.file("config")));
    const QString cnn = MakeDatabase("a.db", kBooks);
    frmMain* first = OpenWindow("first", cnn);
    QPlainTextEdit* editor = first->rtfQueryWidget();
    tbn::grid::FlexGrid* grid = first->FlexWidget();
    const qreal normal = editor->font().pointSizeF();
    first->QueryText().SetText("SELECT title FROM books");
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*first));
    const int narrow = grid->ColWidth(1);

    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Equal, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(editor->font().pointSizeF(), normal);
    EXPECT_EQ(grid->font().pointSizeF(), normal);
    const auto wheel = [](QWidget* pane, int delta) {
        QWheelEvent event(QPointF(5, 5), pane->mapToGlobal(QPointF(5, 5)), {}, {0, delta},
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane, &event);
    };
    wheel(grid->viewport(), 60);  // half a notch: nothing yet
    EXPECT_EQ(grid->font().pointSizeF(), normal);
    wheel(grid->viewport(), 60);
    EXPECT_GT(grid->font().pointSizeF(), normal);
    EXPECT_GT(grid->ColWidth(1), narrow) << "the columns are sized in the zoomed font";
    const QFont zoomedEditor = editor->font(), zoomedGrid = grid->font();
    frmMain* second = OpenWindow("second", cnn);
    EXPECT_EQ(second->rtfQueryWidget()->font(), zoomedEditor);
    EXPECT_EQ(second->FlexWidget()->font(), zoomedGrid);

    frame->close();
    tbn::app::SaveFrameGeometry(*frame);
    auto& levels = tbn::editor::ZoomLevels::Program();  // as a new process starts
    levels.SetEditor(0);
    levels.SetGrid(0);
    frame = std::make_unique<frmMDI>();
    tbn::app::RestoreFrameGeometry(*frame);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    frmMain* next = OpenWindow("next start", cnn);
    EXPECT_EQ(next->rtfQueryWidget()->font(), zoomedEditor);
    EXPECT_EQ(next->FlexWidget()->font(), zoomedGrid);
    next->rtfQueryWidget()->setFocus();
    QTest::keyClick(next->rtfQueryWidget(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(next->rtfQueryWidget()->font().pointSizeF(), normal);
    EXPECT_EQ(next->FlexWidget()->font(), zoomedGrid);
    levels.SetGrid(0);
}

TEST_F(FrameTest, CtrlQClosesTheFrameTheWayItsCloseButtonDoes) {
    frmMain* window = OpenWindow("first", MakeDatabase("a.db", kBooks));
    window->QueryText().SetText(
        QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                       "SELECT count(*) FROM c WHERE x < 2000000000"));
    window->ExecuteQuery();
    ASSERT_TRUE(window->Running());
    window->rtfQueryWidget()->setFocus();
    boxes->Answer(vbNo);
    QTest::keyClick(window->rtfQueryWidget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(boxes->Count(), 1u) << "the running query is asked about";
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(window->Running());
    boxes->Answer(vbYes);
    QTest::keyClick(window->rtfQueryWidget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(frame->QueryWindows().isEmpty());
}

TEST_F(FrameTest, TheHistoryWindowOpensCentredOnTheFrameWhollyOnScreenAndAboveIt) {
    const QRect screen = frame->screen()->availableGeometry();
    frame->move(screen.center() - frame->rect().center());
    frame->mnuHistory_Click();
    tbn::query::frmHistory* history = frame->HistoryWindow();
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->parentWidget(), frame.get());
    EXPECT_EQ(history->windowType(), Qt::Tool);
    EXPECT_LE(
        (history->frameGeometry().center() - frame->frameGeometry().center()).manhattanLength(),
        16);
    history->close();

    frame->move(screen.right() - frame->width() / 2, screen.top());  // half off the screen's edge
    frame->mnuHistory_Click();
    EXPECT_TRUE(screen.contains(history->frameGeometry()))
        << history->frameGeometry().x() << "," << history->frameGeometry().y();
}
