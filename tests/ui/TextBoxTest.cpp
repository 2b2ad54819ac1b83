#include "support/ErrorNumber.h"
#include "ui/TextBox.h"

#include "core/Error.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

using tbn::ui::TextBox;

namespace {
using tbn::test::ErrorNumberOf;
}  // namespace

TEST(TextBox, MultiLineTextIsExchangedWithCrLf) {
    QPlainTextEdit edit;
    TextBox box(&edit);
    box.SetText("SELECT *\rFROM t\nWHERE a = 'ñ'\r\n");
    EXPECT_EQ(box.Text(), QStringLiteral("SELECT *\r\nFROM t\r\nWHERE a = 'ñ'\r\n"));
    EXPECT_EQ(edit.blockCount(), 4);
    EXPECT_EQ(box.SelStart(), 0);
    box.SetText(QString());
    EXPECT_EQ(box.Text(), QString());
    EXPECT_EQ(box.SelStart(), 0);
    EXPECT_EQ(box.SelLength(), 0);
    EXPECT_EQ(box.SelText(), QString());
    // A non-breaking space is text, not a space to normalise.
    box.SetText(QStringLiteral("a\u00a0b"));
    EXPECT_EQ(box.Text(), QStringLiteral("a\u00a0b"));
}

TEST(TextBox, SelectionsSpanningBreaksCountThemAsTwoCharacters) {
    QPlainTextEdit edit;
    TextBox box(&edit);
    box.SetText("ab\r\ncd\r\nef");
    box.SetSelStart(1);
    box.SetSelLength(7);  // b CR LF c d CR LF
    EXPECT_EQ(box.SelText(), QStringLiteral("b\r\ncd\r\n"));
    EXPECT_EQ(box.SelStart(), 1);
    EXPECT_EQ(box.SelLength(), 7);
    EXPECT_EQ(box.Text().mid(box.SelStart(), box.SelLength()), box.SelText());
    // Halves of a break: the start moves before it, the end after it.
    box.SetSelStart(3);
    EXPECT_EQ(box.SelStart(), 2);
    box.SetSelLength(1);
    EXPECT_EQ(box.SelLength(), 2);
    EXPECT_EQ(box.SelText(), QStringLiteral("\r\n"));
    box.SetSelStart(100);
    EXPECT_EQ(box.SelStart(), 10);
    box.SetSelStart(0);
    box.SetSelLength(100);
    EXPECT_EQ(box.SelLength(), 10);
    EXPECT_EQ(ErrorNumberOf([&] { box.SetSelStart(-1); }), 380);
    EXPECT_EQ(ErrorNumberOf([&] { box.SetSelLength(-1); }), 380);
}

TEST(TextBox, ReplacingTheSelectionKeepsTheRestAndPutsTheCaretAfter) {
    QPlainTextEdit edit;
    TextBox box(&edit);
    box.SetText(QStringLiteral("one\r\ntwo 😀\r\nthree"));
    box.SetSelStart(5);
    box.SetSelLength(6);  // "two 😀": the emoji is two UTF-16 units
    EXPECT_EQ(box.SelText(), QStringLiteral("two 😀"));
    box.SetSelText("2\r\nzwei");
    EXPECT_EQ(box.Text(), QStringLiteral("one\r\n2\r\nzwei\r\nthree"));
    EXPECT_EQ(box.SelStart(), 12);
    EXPECT_EQ(box.SelLength(), 0);
}

TEST(TextBox, SingleLineBoxUsesItsPositionsAsTheyAre) {
    QLineEdit edit;
    TextBox box(&edit);
    box.SetText(QStringLiteral("Provider=SQLite;Data Source=ö.db"));
    EXPECT_EQ(box.SelStart(), 0);
    box.SetSelStart(9);
    box.SetSelLength(6);
    EXPECT_EQ(box.SelText(), QStringLiteral("SQLite"));
    EXPECT_EQ(box.SelStart(), 9);
    box.SetSelText("PostgreSQL");
    EXPECT_EQ(box.Text(), QStringLiteral("Provider=PostgreSQL;Data Source=ö.db"));
    EXPECT_EQ(box.SelStart(), 19);
    box.SetSelLength(100);
    EXPECT_EQ(box.SelLength(), 17);
    EXPECT_EQ(box.widget(), &edit);
}
