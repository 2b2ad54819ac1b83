#include "editor/SqlEdit.h"

#include <QTest>
#include <gtest/gtest.h>

using tbn::editor::SqlEdit;

namespace {

// Texts mark the selection with '<' (anchor) and '|' (caret); without '<' there is only a caret.
void Place(SqlEdit& edit, QString marked) {
    const qsizetype caret = marked.indexOf(QLatin1Char('|'));
    qsizetype anchor = marked.indexOf(QLatin1Char('<'));
    marked.remove(QLatin1Char('|')).remove(QLatin1Char('<'));
    edit.setPlainText(marked);
    int position = int(caret);
    if (anchor >= 0 && anchor < caret) --position;
    if (anchor > caret) --anchor;
    QTextCursor cursor(edit.document());
    cursor.setPosition(anchor >= 0 ? int(anchor) : position);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
}

struct KeyCase {
    const char* what;
    QString before;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    QString after;
};

class LineEditsTest : public ::testing::TestWithParam<KeyCase> {};

// Each key is one undo step: a single undo gives the text back as it was.
TEST_P(LineEditsTest, KeyEditsTheLinesAndOneUndoTakesItBack) {
    const KeyCase& c = GetParam();
    SqlEdit edit;
    Place(edit, c.before);
    const QString original = edit.toPlainText();
    QTest::keyClick(&edit, c.key, c.mods);
    EXPECT_EQ(edit.toPlainText(), c.after) << c.what;
    edit.undo();
    EXPECT_EQ(edit.toPlainText(), original) << c.what;
}

const auto kCtrl = Qt::ControlModifier;
const auto kNone = Qt::NoModifier;

INSTANTIATE_TEST_SUITE_P(
    Cases, LineEditsTest,
    ::testing::Values(
        KeyCase{"comment the caret's line", "sel|ect 1", Qt::Key_Slash, kCtrl, "-- select 1"},
        KeyCase{"comment after the indentation, skipping blank lines", "<  a\n\n  -- b\nc|",
                Qt::Key_Slash, kCtrl, "  -- a\n\n  -- -- b\n-- c"},
        KeyCase{"all commented: uncomment, with or without the space", "<-- a\n  --b|",
                Qt::Key_Slash, kCtrl, "a\n  b"},
        KeyCase{"a selection ending at a line's start leaves that line out", "<a\nb\n|c",
                Qt::Key_Slash, kCtrl, "-- a\n-- b\nc"},
        KeyCase{"Tab indents the selected lines", "a<b\nc|d", Qt::Key_Tab, kNone, "    ab\n    cd"},
        KeyCase{"Tab inside one line types a tab", "a<b|c", Qt::Key_Tab, kNone, "a\tc"},
        KeyCase{"Shift+Tab takes off one tab or up to four spaces", "<\ta\n      b\n  c|",
                Qt::Key_Backtab, Qt::ShiftModifier, "a\n  b\nc"},
        KeyCase{"Enter keeps the previous line's blanks", "  \tselect|", Qt::Key_Return, kNone,
                "  \tselect\n  \t"},
        KeyCase{"Enter within the blanks copies those before the caret", "  | x", Qt::Key_Return,
                kNone, "  \n   x"}));

TEST(SqlEditTabStop, IsFourCharactersOfTheFontAndFollowsIt) {
    SqlEdit edit;
    for (const int points : {9, 20}) {
        QFont font(QStringLiteral("Courier New"));
        font.setPointSize(points);
        edit.setFont(font);
        EXPECT_DOUBLE_EQ(edit.tabStopDistance(),
                         4 * QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')));
    }
}

}  // namespace
