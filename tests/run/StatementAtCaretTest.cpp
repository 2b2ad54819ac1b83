// Which statement of the SQL pane the caret stands in.
#include "run/StatementAtCaret.h"

#include <gtest/gtest.h>

using tbn::run::StatementAt;

namespace {
// The statement found for the caret at the "|" of marked (the "|" is not part of the text).
QString At(const QString& marked) {
    const int caret = static_cast<int>(marked.indexOf(QLatin1Char('|')));
    QString text = marked;
    text.remove(caret, 1);
    const tbn::run::TextSpan span = StatementAt(text, caret);
    return text.mid(span.start, span.length);
}
}  // namespace

TEST(StatementAtCaret, TheCaretPicksTheStatementItsSemicolonEnds) {
    const QString two = "SELECT 1;\r\nSELECT 2;";
    EXPECT_EQ(At("SEL|ECT 1;\r\nSELECT 2;"), "SELECT 1");
    EXPECT_EQ(At("SELECT 1;|\r\nSELECT 2;"), "SELECT 1") << "right after the ; it ends";
    EXPECT_EQ(At("SELECT 1;\r\n|SELECT 2;"), "SELECT 2");
    EXPECT_EQ(At("SELECT 1;\r\nSELECT 2;\r\n\r\n|"), "SELECT 2")
        << "past the last one, the one before";
    EXPECT_EQ(At("SELECT 1;\r\nSELECT 2|"), "SELECT 2") << "the last one needs no ;";
    EXPECT_EQ(At("|\r\n  \r\nSELECT 1"), "SELECT 1") << "before the first one, the one after";
    EXPECT_EQ(At("  |  "), "");
    EXPECT_EQ(At("|"), "");
    EXPECT_EQ(At(";;|;"), "");
}

TEST(StatementAtCaret, SemicolonsInsideQuotesAndCommentsDoNotEndAStatement) {
    EXPECT_EQ(At("SELECT 1;\n-- lead; in\n/* block; */ SELECT 'a;''b', \"c;\"\"d\", `e;f`, [g;h] "
                 "FROM t -- tail; |\n;"),
              "SELECT 'a;''b', \"c;\"\"d\", `e;f`, [g;h] FROM t");
    EXPECT_EQ(
        At("CREATE FUNCTION f() RETURNS int AS $body$ BEGIN; RETURN 1; END $body$ LANGUAGE "
           "plpgsql|; SELECT 2"),
        "CREATE FUNCTION f() RETURNS int AS $body$ BEGIN; RETURN 1; END $body$ LANGUAGE plpgsql");
    EXPECT_EQ(At("SELECT $$a;b$$, E'it\\'s; x'|; SELECT 2"), "SELECT $$a;b$$, E'it\\'s; x'");
    EXPECT_EQ(At("SELECT $1|; SELECT 2"), "SELECT $1") << "a parameter is no dollar quote";
    EXPECT_EQ(At("SELECT 1; SELECT 'never closed; SELECT |3"), "SELECT 'never closed; SELECT 3");
    EXPECT_EQ(At("SELECT 1; /* never closed; SELECT |3"), "SELECT 1");
}

TEST(StatementAtCaret, ASchemaChangeIsAWordOutsideQuotesAndComments) {
    for (const char* changes :
         {"create table t(x)", "SELECT 1; Drop VIEW v", "alter table t add y", "ATTACH 'a.db' AS a",
          "detach a", "/* note */ CREATE INDEX i ON t(x)"})
        EXPECT_TRUE(tbn::run::MayChangeSchema(QString::fromLatin1(changes))) << changes;
    for (const char* keeps :
         {"SELECT 'drop table t'", "SELECT \"create\" FROM t", "-- create table t\nSELECT 1",
          "/* alter */ SELECT 1", "SELECT created, dropped FROM t", "SELECT $$drop$$",
          "UPDATE t SET x = 1", ""})
        EXPECT_FALSE(tbn::run::MayChangeSchema(QString::fromLatin1(keeps))) << keeps;
}
