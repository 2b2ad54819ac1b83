#include "grid/FlexGrid.h"
#include "support/QueryWindowFixture.h"
#include "ui/Clipboard.h"
#include "ui/TextBox.h"

#include <QAbstractButton>
#include <QApplication>
#include "query/SchemaTree.h"
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace Clipboard = tbn::ui::Clipboard;
using tbn::test::QueryWindowFixture;

class EditCommandsTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window = OpenWindow(
            "edit",
            MakeDatabase("e.db", "CREATE TABLE t(a TEXT, b TEXT);"
                                 "INSERT INTO t VALUES('a1','b1'),('a2','b2'),('a3','b3');"));
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        Clipboard::SetText("clip");
    }
    void Select(int start, int length) {
        window->QueryText().SetSelStart(start);
        window->QueryText().SetSelLength(length);
    }
    frmMain* window = nullptr;
};

TEST_F(EditCommandsTest, CutAndCopyNeedASelectionAndPasteReplacesIt) {
    window->rtfQueryWidget()->setFocus();
    window->QueryText().SetText("SELECT a\r\nFROM t");
    Select(0, 0);
    window->QueryCut();
    window->QueryCopy();
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral("clip"));  // untouched without a selection

    Select(6, 4);  // " a\r\nF" minus the F: a line break counts as two characters
    window->QueryCopy();
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral(" a\r\n"));
    window->QueryCut();
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("SELECTFROM t"));

    Clipboard::SetText("*");
    Select(6, 0);
    window->QueryPaste();  // no selection: goes in at the caret
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("SELECT*FROM t"));
    Select(7, 4);
    Clipboard::SetText(" x ");
    window->QueryPaste();
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("SELECT* x  t"));

    Clipboard::Clear();
    Select(0, 3);
    window->QueryPaste();  // empty clipboard: nothing
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("SELECT* x  t"));
}

TEST_F(EditCommandsTest, PasteLeavesTheCaretAfterThePastedTextKeepsTheViewAndIsUndone) {
    QPlainTextEdit* editor = window->rtfQueryWidget();
    editor->setFocus();
    QStringList lines;
    for (int i = 1; i <= 13; ++i) lines << QStringLiteral("SELECT %1").arg(i);
    const QString typed = lines.join(QStringLiteral("\r\n"));
    window->QueryText().SetText(typed);
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Home, Qt::ShiftModifier);
    const int scrolled = editor->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0) << "the pane must be too short for thirteen lines";

    Clipboard::SetText("SELECT 'pasted'");
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClicks(editor, "!");
    lines.last() = QStringLiteral("SELECT 'pasted'!");
    EXPECT_EQ(window->QueryText().Text(), lines.join(QStringLiteral("\r\n")));
    EXPECT_EQ(editor->verticalScrollBar()->value(), scrolled);

    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->QueryText().Text(), typed);

    Select(0, 0);  // a paste at the caret leaves it after the pasted text as well
    Clipboard::SetText("-- ");
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(window->QueryText().SelStart(), 3);
    EXPECT_TRUE(window->QueryText().Text().startsWith(QStringLiteral("-- SELECT 1\r\n")));
}

TEST_F(EditCommandsTest, SelectAllSelectsEverythingButLeavesAnEmptyPaneAlone) {
    window->QuerySelectAll();
    EXPECT_EQ(window->QueryText().SelLength(), 0);
    window->QueryText().SetText("a\r\nb");
    window->QuerySelectAll();
    EXPECT_EQ(window->QueryText().SelStart(), 0);
    EXPECT_EQ(window->QueryText().SelLength(), 4);
}

TEST_F(EditCommandsTest, CopyWithTheGridFocusedCopiesTheBlockWhicheverWayItWasSelected) {
    window->QueryText().SetText("SELECT a, b FROM t");
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    tbn::grid::FlexGrid& grid = *window->FlexWidget();
    grid.setFocus();
    grid.SetRow(2);
    grid.SetCol(1);
    window->QueryCopy();
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral("a2\t\r\n"));

    grid.SetRow(1);
    grid.SetCol(1);
    grid.SetRowSel(2);
    grid.SetColSel(2);
    window->QueryCopy();
    const QString block = QStringLiteral("a1\tb1\t\r\na2\tb2\t\r\n");
    EXPECT_EQ(Clipboard::GetText(), block);

    grid.SetRow(2);
    grid.SetCol(2);
    grid.SetRowSel(1);
    grid.SetColSel(1);
    window->QueryCopy();
    EXPECT_EQ(Clipboard::GetText(), block);

    grid.SetRow(0);
    grid.SetCol(0);
    grid.SetRowSel(1);
    grid.SetColSel(1);
    window->QueryCopy();  // the header comes along only when the selection holds it
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral("\ta\t\r\n1\ta1\t\r\n"));
}

TEST_F(EditCommandsTest, KeyboardAndCornerSelectionsReachTheGridsEndsAndCopyTheWholeBlock) {
    window->QueryText().SetText("SELECT a, CASE WHEN a = 'a2' THEN NULL ELSE b END AS b FROM t");
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    tbn::grid::FlexGrid& grid = *window->FlexWidget();
    grid.setFocus();
    grid.SetRow(2);
    grid.SetCol(2);
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    window->QueryCopy();
    EXPECT_EQ(Clipboard::GetText(),
              QStringLiteral("a1\tb1\t\r\na2\t\t\r\n"));  // the null copies as empty

    const QString everything = QStringLiteral("a1\tb1\t\r\na2\t\t\r\na3\tb3\t\r\n\t\t\r\n");
    grid.SetRow(1);
    grid.SetCol(1);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    window->QueryCopy();
    EXPECT_EQ(Clipboard::GetText(), everything);

    grid.SetRow(3);
    grid.SetCol(2);
    auto* corner = grid.findChild<QAbstractButton*>();
    ASSERT_NE(corner, nullptr);
    QTest::mouseClick(corner, Qt::LeftButton);
    window->QueryCopy();
    EXPECT_EQ(Clipboard::GetText(), everything);
}

TEST_F(EditCommandsTest, CopyWithTheTableListFocusedDoesNothing) {
    window->QueryText().SetText("text");
    Select(0, 4);
    window->lstTablasWidget()->setFocus();
    window->QueryCopy();
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral("clip"));
}

TEST_F(EditCommandsTest, CopyToClipPutsTheConnectionString) {
    frame->mnuCnnCopy_Click();
    EXPECT_EQ(Clipboard::GetText(),
              QString::fromStdString(window->connection().ConnectionString()));
}

TEST_F(EditCommandsTest, MenuKeysReachTheCommandsWhileTheEditorHasTheFocus) {
    QPlainTextEdit* editor = window->rtfQueryWidget();
    editor->setFocus();
    window->QueryText().SetText("abc");
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window->QueryText().SelLength(), 3);
    QTest::keyClick(editor, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral("abc"));
    EXPECT_EQ(window->QueryText().Text(), QString());
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("abc"));  // pasted once, not twice
}

TEST_F(EditCommandsTest, RightButtonOverTheEditorPopsUpTheQueryMenuWithExecuteAsDefault) {
    QMenu* shown = nullptr;
    QAction* defaultAction = nullptr;
    QTimer::singleShot(0, [&] {
        shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (shown) {
            defaultAction = shown->defaultAction();
            shown->close();
        }
    });
    QTest::mouseClick(window->rtfQueryWidget()->viewport(), Qt::RightButton);
    EXPECT_EQ(shown, frame->mnuQuery);
    EXPECT_EQ(defaultAction, frame->mnuQueryExecute);
    EXPECT_EQ(frame->mnuQuery->defaultAction(), nullptr);  // the menu bar's menu is left as it was

    shown = nullptr;
    QTest::mouseClick(window->rtfQueryWidget()->viewport(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(shown, nullptr);
}
