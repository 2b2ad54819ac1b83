#include "editor/SqlColorizer.h"
#include "editor/tbnSqlEditor.h"

#include <QLocale>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kHeader = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Courier "
    "New;}}\r\n"
    "{\\colortbl ;\\red0\\green0\\blue255;\\red255\\green0\\blue0;\\red255\\green0\\blue255;"
    "\\red0\\green100\\blue100;\\red0\\green100\\blue0;}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs19 \r\n");
const QString kTrailer = QStringLiteral("\r\n\\par }\r\n");

QString Kw(const QString& w) { return "\\cf1\\b " + w + "\\cf0\\b0 "; }
QString Lit(const QString& w) { return "\\cf3 " + w + "\\cf0 "; }
QString Red(const QString& w) { return "\\cf2\\b " + w + "\\cf0\\b0 "; }
QString Fn(const QString& w) { return "\\cf4\\b " + w + "\\cf0\\b0 "; }
QString Num(const QString& w) { return "\\cf5 " + w + "\\cf0 "; }

// The body between the fixed header and trailer; fails the test when either is missing.
QString Body(const QString& text) {
    const QString rtf = tbnSqlEditor().Colorize(text);
    EXPECT_TRUE(rtf.startsWith(kHeader)) << rtf.toStdString();
    EXPECT_TRUE(rtf.endsWith(kTrailer)) << rtf.toStdString();
    return rtf.mid(kHeader.size(), rtf.size() - kHeader.size() - kTrailer.size());
}

// Braces balance when every unescaped { has its }, and no escape is left dangling.
bool WellFormed(const QString& rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            if (++i == rtf.size()) return false;
            continue;
        }
        if (rtf[i] == '{') ++depth;
        if (rtf[i] == '}' && --depth < 0) return false;
    }
    return depth == 0;
}

}  // namespace

TEST(Colorize, EmptyTextGivesFiveLines) {
    const QString rtf = tbnSqlEditor().Colorize(QString());
    EXPECT_EQ(rtf, kHeader + "\r\n\\par }\r\n");
    EXPECT_EQ(rtf.count("\r\n"), 5);
    EXPECT_TRUE(WellFormed(rtf));
}

TEST(Colorize, SelectStarFromTable) {
    EXPECT_EQ(Body("select * from t"), Kw("select") + " " + Lit("*") + " " + Kw("from") + " t");
}

TEST(Colorize, KeywordsMatchInAnyCaseAndKeepTheirSpelling) {
    EXPECT_EQ(Body("SELECT"), Kw("SELECT"));
    EXPECT_EQ(Body("SeLeCt Where"), Kw("SeLeCt") + " " + Kw("Where"));
    EXPECT_EQ(Body("TRUE False"), Lit("TRUE") + " " + Lit("False"));
}

TEST(Colorize, EachListHasItsOwnStyle) {
    EXPECT_EQ(Body("drop DELETE"), Red("drop") + " " + Red("DELETE"));
    EXPECT_EQ(Body("count isnumeric IIF"), Fn("count") + " " + Fn("isnumeric") + " " + Fn("IIF"));
    EXPECT_EQ(Body("outher outer"), Kw("outher") + " outer");
    EXPECT_EQ(Body("is column limit"), Kw("is") + " " + Kw("column") + " " + Kw("limit"));
}

TEST(Colorize, NumbersUnderTheLocaleOrInSqlNotation) {
    EXPECT_EQ(Body("12 -3.5 1e10 .5"),
              Num("12") + " " + Num("-3.5") + " " + Num("1e10") + " " + Num(".5"));
    EXPECT_EQ(Body("12abc t1 inf nan 1e999"), "12abc t1 inf nan 1e999");
}

TEST(NumericWord, DecimalCommaCountsUnderAGermanDesktop) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(tbn::editor::IsNumericWord("3,5"));
    EXPECT_TRUE(tbn::editor::IsNumericWord("-3.5"));  // the query's own notation still counts
    EXPECT_FALSE(tbn::editor::IsNumericWord("12abc"));
    QLocale::setDefault(saved);
}

TEST(Colorize, PunctuationBelongsToTheWord) {
    EXPECT_EQ(Body("count(*) t.name a, select;"), "count(*) t.name a, select;");
    // The list's dots must not let a dotted word match across two entries.
    EXPECT_EQ(Body("select. select..from"), "select. select..from");
}

TEST(Colorize, SpacesAreKeptBetweenWordsButNotAtTheStart) {
    EXPECT_EQ(Body("  select"), Kw("select"));
    EXPECT_EQ(Body("a  b"), "a  b");
    EXPECT_EQ(Body("a "), "a ");
    EXPECT_EQ(Body("a\tfrom"), "a\tfrom");  // a tab is part of the word
}

TEST(Colorize, LinesSplitOnlyAtCrLf) {
    EXPECT_EQ(Body("a\r\nb"), "a\\par b");
    EXPECT_EQ(Body("a\r\n\r\nb"), "a\\par \\par b");
    EXPECT_EQ(Body("\r\na\r\nb"), "a\\par b");
    EXPECT_EQ(Body("a\r\n"), "a\\par ");
    EXPECT_EQ(Body("a\nselect\rb"), "a\nselect\rb");
}

TEST(Colorize, RtfSpecialCharactersAreEscaped) {
    const QString rtf = tbnSqlEditor().Colorize("x{ } C:\\dir {select}");
    EXPECT_TRUE(rtf.contains("x\\{ \\} C:\\\\dir \\{select\\}"));
    EXPECT_TRUE(WellFormed(rtf));
    EXPECT_TRUE(WellFormed(tbnSqlEditor().Colorize("}}} {{ \\ select\r\n\\{")));
}

TEST(Colorize, CharactersBeyondLatin1AreCopied) {
    EXPECT_EQ(Body(QString::fromUtf8("naïve ☃ 表")), QString::fromUtf8("naïve ☃ 表"));
}

TEST(SqlEditor, BindingLeavesThePaneAlone) {
    QPlainTextEdit first, second;
    tbnSqlEditor a, b;
    a.RedrawLines();  // unbound: harmless
    a.InitEditor(&first);
    EXPECT_EQ(a.MyRtf(), &first);
    EXPECT_EQ(b.MyRtf(), nullptr);
    b.InitEditor(&second);
    first.show();
    first.setFocus();
    QTest::keyClicks(&first, "select * from t");
    QTest::mouseClick(first.viewport(), Qt::LeftButton);
    a.RedrawLines();
    EXPECT_EQ(first.toPlainText(), "select * from t");
    EXPECT_EQ(first.document()->allFormats().size(), second.document()->allFormats().size());
    EXPECT_EQ(a.MyRtf(), &first);
    EXPECT_EQ(b.MyRtf(), &second);
}
