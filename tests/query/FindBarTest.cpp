// The find bar driven as a user drives it: the frame's keys, the bar's fields and buttons.
#include "editor/FindBar.h"
#include "editor/SqlEdit.h"
#include "grid/FlexGrid.h"
#include "query/ErrorPlace.h"
#include "support/QueryWindowFixture.h"
#include "ui/InputBox.h"
#include "ui/TextBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using tbn::editor::FindBar;
using tbn::test::QueryWindowFixture;

class FindBarTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window = OpenWindow("find", MakeDatabase("f.db", "CREATE TABLE t(a TEXT);"));
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        editor = window->rtfQueryWidget();
        bar = window->FindBarWidget();
        editor->setFocus();
    }
    QString Selected() const { return editor->textCursor().selectedText(); }
    int SelStart() const { return window->QueryText().SelStart(); }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    void Click(const char* button) {
        QTest::mouseClick(bar->findChild<QToolButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }
    frmMain* window = nullptr;
    QPlainTextEdit* editor = nullptr;
    FindBar* bar = nullptr;
};

TEST_F(FindBarTest, FindMarksEveryMatchAndF3WrapsBothWays) {
    window->QueryText().SetText("SELECT a\r\nFROM t\r\nWHERE a = 'a'");
    Press(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->ReplaceShown());
    EXPECT_EQ(QApplication::focusWidget(), bar->FindField());
    EXPECT_LT(bar->geometry().top(), window->FlexWidget()->geometry().top());
    EXPECT_LE(editor->geometry().bottom(), bar->geometry().top());

    QTest::keyClicks(bar->FindField(), "a");
    EXPECT_EQ(bar->MarkCount(), 3);
    Press(Qt::Key_Return);
    EXPECT_EQ(SelStart(), 7);
    Press(Qt::Key_F3);
    Press(Qt::Key_F3);
    EXPECT_EQ(SelStart(), 29);  // in the pane's own count, a line break is two
    Press(Qt::Key_F3);          // past the last: the first again
    EXPECT_EQ(SelStart(), 7);
    Press(Qt::Key_F3, Qt::ShiftModifier);  // before the first: the last
    EXPECT_EQ(SelStart(), 29);

    QTest::keyClick(bar->FindField(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(bar->FindField(), "nothing");
    EXPECT_EQ(bar->MarkCount(), 0);
    EXPECT_FALSE(bar->Message().isEmpty());
    Press(Qt::Key_F3);
    EXPECT_EQ(SelStart(), 29) << "nothing found leaves the selection";

    bar->RegularExpressionBox()->setChecked(true);
    bar->FindField()->setText(QStringLiteral("a("));
    EXPECT_TRUE(bar->Message().contains(QStringLiteral("regular expression")));
    Press(Qt::Key_F3);  // told, not thrown
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(FindBarTest, TheMarksOfMatchesAndOfBracketsStandTogether) {
    window->QueryText().SetText("count(a) + (a)");
    Press(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(bar->FindField(), "a");
    QTextCursor caret = editor->textCursor();
    caret.setPosition(5);  // on a bracket: its pair is marked too
    editor->setTextCursor(caret);
    int matches = 0, brackets = 0;
    for (const QTextEdit::ExtraSelection& mark : editor->extraSelections()) {
        matches += mark.format.hasProperty(FindBar::kMarkProperty);
        brackets += mark.format.hasProperty(tbn::editor::SqlEdit::kBracketMarkProperty);
    }
    EXPECT_EQ(matches, 2);
    EXPECT_EQ(brackets, 2);
}

TEST_F(FindBarTest, ReplaceOneThenAllIsUndoneInOneStep) {
    const QString typed = QStringLiteral("x = 1;\r\nx = x + 1;\r\ny = x");
    window->QueryText().SetText(typed);
    Press(Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible());
    ASSERT_TRUE(bar->ReplaceShown());
    bar->WholeWordBox()->setChecked(true);
    QTest::keyClicks(bar->FindField(), "x");
    QTest::keyClicks(bar->ReplaceField(), "total");
    bar->ReplaceField()->setFocus();
    Press(Qt::Key_Return);  // selects the first match; a second Return replaces it
    Press(Qt::Key_Return);
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("total = 1;\r\nx = x + 1;\r\ny = x"));
    EXPECT_EQ(SelStart(), 12) << "the next match is selected";

    Click("cmdReplaceAll");
    EXPECT_EQ(window->QueryText().Text(),
              QStringLiteral("total = 1;\r\ntotal = total + 1;\r\ny = total"));
    EXPECT_TRUE(window->TextChanged());
    editor->setFocus();
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("total = 1;\r\nx = x + 1;\r\ny = x"));
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->QueryText().Text(), typed);
}

TEST_F(FindBarTest, EscapeClosesTheBarUnlessARunIsGoingOnThenItCancelsTheRunFirst) {
    window->QueryText().SetText("SELECT 1");
    Press(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(bar->FindField(), "1");
    Press(Qt::Key_Escape);  // from the bar's field
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_TRUE(editor->extraSelections().isEmpty()) << "the marks go with the bar";

    Press(Qt::Key_F, Qt::ControlModifier);
    editor->setFocus();
    Press(Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(static_cast<tbn::editor::SqlEdit*>(editor)->OpenCompletionPopup());
    Press(Qt::Key_Escape);  // the completion list is nearer the caret
    EXPECT_FALSE(static_cast<tbn::editor::SqlEdit*>(editor)->OpenCompletionPopup());
    EXPECT_TRUE(bar->isVisible());
    Press(Qt::Key_Escape);  // from the pane
    EXPECT_FALSE(bar->isVisible());

    Press(Qt::Key_F, Qt::ControlModifier);
    editor->setFocus();
    window->QueryText().SetText(
        QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                       "SELECT count(*) FROM c WHERE x < 2000000000"));
    window->ExecuteQuery();
    ASSERT_TRUE(window->Running());
    QTimer::singleShot(100, window, [this] { Press(Qt::Key_Escape); });
    ASSERT_TRUE(tbn::test::WaitForRun(*window, 10000));
    EXPECT_TRUE(bar->isVisible()) << "the first Escape is the run's";
    Press(Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(FindBarTest, CtrlGPutsTheCaretAtTheStartOfTheLineNamedCountedAsErrorsCountThem) {
    const QString text = QStringLiteral("SELECT 1\r\n\r\nFROM t\rWHERE x\nAND y");
    window->QueryText().SetText(text);
    const struct {
        const char* answer;  // nullptr: cancelled
        int line;            // where the caret goes; 0: it stays
    } cases[] = {{"3", 3}, {" 5 ", 5}, {"0", 1}, {"-2", 1}, {"99", 5}, {"x", 0}, {nullptr, 0}};
    for (const auto& c : cases) {
        window->QueryText().SetSelStart(2);
        QString asked;
        tbn::ui::SetInputBoxResponder([&](const tbn::ui::InputBoxCall& call) {
            asked = call.defaultText;
            return c.answer ? std::optional<QString>(QString::fromLatin1(c.answer)) : std::nullopt;
        });
        Press(Qt::Key_G, Qt::ControlModifier);
        EXPECT_EQ(asked, QStringLiteral("1")) << "the caret's own line is offered";
        const int at = SelStart();
        const tbn::query::LineColumn place =
            tbn::query::LineAndColumnAt(window->QueryText().Text(), at);
        EXPECT_EQ(place.line, c.line ? c.line : 1) << (c.answer ? c.answer : "cancelled");
        EXPECT_EQ(place.column, c.line ? 1 : 3) << (c.answer ? c.answer : "cancelled");
        EXPECT_EQ(QApplication::focusWidget(), editor);
    }
    tbn::ui::SetInputBoxResponder({});
}
