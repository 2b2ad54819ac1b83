#include "editor/SqlEdit.h"
#include "editor/SqlHighlighter.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

using tbn::editor::SpanKind;
using tbn::editor::SqlHighlighter;

namespace {

// One letter per character: what the highlighter painted it as ('.' for nothing).
QString PaintOf(const SqlHighlighter& highlighter, const QTextBlock& block) {
    QString paint(block.text().size(), QLatin1Char('.'));
    static const char letters[] = "klxfnsqc";  // in SpanKind order
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        char letter = '?';
        for (int kind = 0; kind < 8; ++kind)
            if (range.format == highlighter.FormatOf(SpanKind(kind))) letter = letters[kind];
        for (int i = range.start; i < range.start + range.length; ++i)
            paint[i] = QLatin1Char(letter);
    }
    return paint;
}

// The pane's own document and highlighter, settled as in a window: the highlighter takes up its
// document on the next turn of the event loop.
struct Pane {
    Pane() { QCoreApplication::processEvents(); }
    tbn::editor::SqlEdit edit;
    QTextDocument& document = *edit.document();
    SqlHighlighter& highlighter = *edit.highlighter();
};

// The lines' paints, joined by '|' so that a failure shows them side by side with the text's.
std::string Paint(QTextDocument& document, const SqlHighlighter& highlighter) {
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        lines << PaintOf(highlighter, block);
    return lines.join(QLatin1Char('|')).toStdString();
}

struct PaintCase {
    const char* what;
    QStringList text;
    QStringList paint;  // k keyword, l literal, x destructive, f function, n number, s string,
                        // q quoted name, c comment
};

class HighlighterTest : public ::testing::TestWithParam<PaintCase> {};

TEST_P(HighlighterTest, PaintsEachLineFromTheStateTheLineBeforeLeft) {
    const PaintCase& c = GetParam();
    Pane pane;
    pane.edit.setPlainText(c.text.join(QLatin1Char('\n')));
    EXPECT_EQ(Paint(pane.document, pane.highlighter), c.paint.join(QLatin1Char('|')).toStdString())
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HighlighterTest,
    ::testing::Values(
        PaintCase{"words as the RTF colouring styles them, in any case",
                  {"SELECT count(*), 12.5e3 FROM t WHERE x1 = 2nd; DROP t"},
                  {"kkkkkk.fffff.l...nnnnnn.kkkk...kkkkk...........xxxx.."}},
        PaintCase{"a comment opened on one line and closed three lines later",
                  {"select /* one", "select", "'two'", "end */ select -- and more", "from"},
                  {"kkkkkk.cccccc", "cccccc", "ccccc", "cccccc.kkkkkk.ccccccccccc", "kkkk"}},
        PaintCase{"doubled quotes stay inside; a string goes on past the line's end",
                  {"'it''s' as \"a\"\"b\" `c``d`", "select 'open", "still'' on' from"},
                  {"sssssss.kk.qqqqqq.qqqqqq", "kkkkkk.sssss", "sssssssssss.kkkk"}},
        PaintCase{"dollar bodies end only at their own tag; $1 is a parameter",
                  {"as $fn$ select", "$x$ 'not a string", "$fn$ select $1", "$$ a $$ in"},
                  {"kk.sssssssssss", "sssssssssssssssss", "ssss.kkkkkk...", "sssssss.kk"}},
        PaintCase{"a bracketed name and a -- comment end with their line",
                  {"[order by] -- /* not opened", "[open name", "select"},
                  {"qqqqqqqqqq.cccccccccccccccc", "qqqqqqqqqq", "kkkkkk"}}));

TEST(HighlighterEdits, OpeningAndClosingACommentRepaintsTheLinesAfterIt) {
    Pane pane;
    QTextDocument& document = pane.document;
    const SqlHighlighter& highlighter = pane.highlighter;
    document.setPlainText(QStringLiteral("select\nfrom\nwhere"));
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("/*"));
    EXPECT_EQ(Paint(document, highlighter), "cccccccc|cccc|ccccc");
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("*/ select"));
    EXPECT_EQ(Paint(document, highlighter), "cccccccc|cccc|ccccccc.kkkkkk");
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    EXPECT_EQ(Paint(document, highlighter), "kkkkkk|kkkk|kkkkkl..kkkkkk");
}

// A large text shows before all of it is coloured, and the rest is coloured from the event loop.
TEST(HighlighterEdits, ALargeTextIsColouredInSlicesAfterItsFirstLines) {
    Pane pane;
    pane.edit.setPlainText(QStringLiteral("select 1\n").repeated(20000) + QStringLiteral("/* x"));
    EXPECT_FALSE(pane.document.firstBlock().layout()->formats().isEmpty());
    EXPECT_TRUE(pane.document.lastBlock().layout()->formats().isEmpty());
    EXPECT_TRUE(pane.highlighter.IsColouring());
    int textChanges = 0;  // colours are no change of the text: nothing saved or recovered
    QObject::connect(&pane.document, &QTextDocument::contentsChange,
                     [&](int, int, int) { ++textChanges; });
    while (pane.highlighter.IsColouring()) QCoreApplication::processEvents();
    EXPECT_EQ(textChanges, 0);
    EXPECT_EQ(PaintOf(pane.highlighter, pane.document.lastBlock()), QStringLiteral("cccc"));
}

TEST(HighlighterEdits, ColoursFollowTheLightnessOfThePalette) {
    QTextDocument document;
    SqlHighlighter highlighter(&document);
    QPalette light;
    light.setColor(QPalette::Base, Qt::white);
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    // Every colour must stand out from its base: a distance in lightness, whatever the hue.
    for (const QPalette& palette : {light, dark}) {
        highlighter.UsePalette(palette);
        const double base = palette.color(QPalette::Base).lightnessF();
        for (int kind = 0; kind < 8; ++kind) {
            const double ink =
                highlighter.FormatOf(SpanKind(kind)).foreground().color().lightnessF();
            EXPECT_GT(std::abs(ink - base), 0.25) << "kind " << kind << " on base " << base;
        }
    }
}

}  // namespace
