#include "editor/TextSearch.h"

#include <gtest/gtest.h>

using namespace tbn::editor;

namespace {

struct OptionCase {
    const char* pattern;
    SearchOptions options;
    const char* text;
    QList<Match> expected;
};

}  // namespace

TEST(TextSearchTest, OptionsDecideWhatMatches) {
    const SearchOptions plain, cased{true, false, false}, word{false, true, false},
        regex{false, false, true}, wordRegex{false, true, true};
    const OptionCase cases[] = {
        {"sel", plain, "SELECT sel Sel", {{0, 3}, {7, 3}, {11, 3}}},
        {"sel", cased, "SELECT sel Sel", {{7, 3}}},
        {"id", word, "id, user_id, idx (id)", {{0, 2}, {18, 2}}},
        // Outside a regular expression its signs are plain text.
        {"a.b*", plain, "axb a.b* a.bbb", {{4, 4}}},
        {"a.b*", regex, "axb a.b*", {{0, 3}, {4, 3}}},
        {"a|b", wordRegex, "a ab b", {{0, 1}, {5, 1}}},
        // Anchors hold per line; empty matches are no matches.
        {"^x", regex, "x1\nx2 x", {{0, 1}, {3, 1}}},
        {"z*", regex, "az", {{1, 1}}},
        {"", plain, "anything", {}},
    };
    for (const OptionCase& c : cases) {
        const QRegularExpression expression =
            SearchExpression(QString::fromUtf8(c.pattern), c.options);
        EXPECT_EQ(FindAll(expression, QString::fromUtf8(c.text)), c.expected)
            << c.pattern << " in " << c.text;
    }
}

TEST(TextSearchTest, SearchesWrapAndABadExpressionFindsNothing) {
    const QRegularExpression ab = SearchExpression(QStringLiteral("ab"), {});
    const QString text = QStringLiteral("ab ab ab");
    EXPECT_EQ(FindForward(ab, text, 1), (Match{3, 2}));
    EXPECT_EQ(FindForward(ab, text, 7), (Match{0, 2}));
    EXPECT_EQ(FindBackward(ab, text, 3), (Match{0, 2}));
    EXPECT_EQ(FindBackward(ab, text, 1), (Match{6, 2}));

    const QRegularExpression bad = SearchExpression(QStringLiteral("(a"), {false, false, true});
    EXPECT_FALSE(bad.isValid());
    EXPECT_FALSE(bad.errorString().isEmpty());
    EXPECT_FALSE(FindForward(bad, QStringLiteral("(a"), 0));
    EXPECT_TRUE(FindAll(bad, QStringLiteral("(a")).isEmpty());
}

TEST(TextSearchTest, AReplacementNamesGroupsOnlyInARegularExpression) {
    const QRegularExpression expression(QStringLiteral("(\\w+)=(\\w+)"));
    const QRegularExpressionMatch match = expression.match(QStringLiteral("a=b"));
    EXPECT_EQ(ReplacementText(QStringLiteral("\\2=\\1 \\\\ \\0"), match, true),
              QStringLiteral("b=a \\ a=b"));
    EXPECT_EQ(ReplacementText(QStringLiteral("\\12"), match, true), QStringLiteral("a2"));
    EXPECT_EQ(ReplacementText(QStringLiteral("\\2=\\1"), match, false), QStringLiteral("\\2=\\1"));
}
