#include "editor/BracketMatch.h"
#include "editor/SqlEdit.h"

#include <QCoreApplication>
#include <QTextDocument>
#include <gtest/gtest.h>

using tbn::editor::MatchBracket;

namespace {

// '|' marks the caret, '^' the bracket expected to be marked and '~' its partner (neither is
// part of the text; each stands just before its character).
struct BracketCase {
    const char* what;
    QString marked;
};

class BracketMatchTest : public ::testing::TestWithParam<BracketCase> {};

TEST_P(BracketMatchTest, MarksTheCodeBracketAtTheCaretAndItsPartner) {
    const BracketCase& c = GetParam();
    QString text;
    int caret = -1, bracket = -1, partner = -1;
    for (QChar ch : c.marked) {
        if (ch == QLatin1Char('|'))
            caret = int(text.size());
        else if (ch == QLatin1Char('^'))
            bracket = int(text.size());
        else if (ch == QLatin1Char('~'))
            partner = int(text.size());
        else
            text += ch;
    }
    tbn::editor::SqlEdit edit;
    QCoreApplication::processEvents();  // as in a window, the highlighter starts on the next turn
    edit.setPlainText(text);
    const auto match = MatchBracket(*edit.document(), caret);
    if (bracket < 0) {
        EXPECT_FALSE(match) << c.what;
        return;
    }
    ASSERT_TRUE(match) << c.what;
    EXPECT_EQ(match->bracket, bracket) << c.what;
    EXPECT_EQ(match->partner.value_or(-1), partner) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BracketMatchTest,
    ::testing::Values(BracketCase{"at the caret", "|^(a~)"},
                      BracketCase{"just before the caret", "~(a^)|"},
                      BracketCase{"the one at the caret wins over the one before", "f(x)|^(~)"},
                      BracketCase{"nesting", "|^(a (b) ~)"},
                      BracketCase{"skips brackets in strings, names and comments",
                                  "|^(')' \")\" [)] -- )\n/* ) */ $$ ) $$ ~)"},
                      BracketCase{"across lines, backwards", "~{\n(\n)\n^}|"},
                      BracketCase{"a bracket without its partner is marked alone", "|^((a)"},
                      BracketCase{"a bracket inside a comment is not matched", "-- |(a)"},
                      BracketCase{"no bracket near the caret", "a|b"}));

}  // namespace
