// A failed run points at the place of the SQL pane the engine blamed.
#include "query/ErrorPlace.h"
#include "support/QueryWindowFixture.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <QPlainTextEdit>

using tbn::test::QueryWindowFixture;
using namespace tbn::query;

TEST(ErrorPlace, BytesBecomePanePositionsAndLinesCountEveryKindOfBreak) {
    const QString text = QString::fromUtf8("SELECT 'é€😀';\r\nSELECT x");
    EXPECT_EQ(CommandPosition(text, text.toUtf8().indexOf("x")), text.indexOf(QLatin1Char('x')));
    EXPECT_EQ(CommandPosition(text, 10'000), text.size());
    const LineColumn place = LineAndColumnAt(text, static_cast<int>(text.indexOf(QLatin1Char('x'))));
    EXPECT_EQ(place.line, 2);
    EXPECT_EQ(place.column, 8);
    EXPECT_EQ(LineAndColumnAt("a\rb\nc\r\nd", 7).line, 4);
    EXPECT_EQ(PlaceSuffix({3, 14}), " (line 3, column 14)");

    EXPECT_EQ(TokenLengthAt("SELECT nope_1 FROM t", 7), 6);
    EXPECT_EQ(TokenLengthAt("SELECT \"a b\" FROM t", 7), 5);
    EXPECT_EQ(TokenLengthAt("SELECT 'open\r\nx", 7), 5);
    EXPECT_EQ(TokenLengthAt("SELECT (,", 8), 1);
    EXPECT_EQ(TokenLengthAt("SELECT 1 +", 10), 0);
}

class ErrorsThatPointTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window = OpenWindow("t", MakeDatabase("t.db", "CREATE TABLE t(a TEXT);"));
    }
    QString Selected() const { return window->QueryText().SelText(); }
    frmMain* window = nullptr;
};

TEST_F(ErrorsThatPointTest, AfterTheReportTheOffendingTokenIsSelected) {
    // The failing statement is the second; its place is reported in the whole pane.
    window->QueryText().SetText("SELECT 'é' FROM t;\r\n  SELECT a FROM t WHERE nope = 1");
    boxes->Answer(tbn::platform::vbOK);
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().prompt, "Application error:\r\n#1 no such column: nope (line 2, column 25)");
    EXPECT_EQ(boxes->Last().title, "frmMain >> ExecuteQuery");
    EXPECT_EQ(Selected(), "nope");
    EXPECT_EQ(QApplication::focusWidget(), window->rtfQueryWidget());
}

TEST_F(ErrorsThatPointTest, ARunOfTheSelectionPointsWithinThePane) {
    window->QueryText().SetText("SELECT 1;\r\nSELECT a FROM t; SELEC 2");
    const int start = static_cast<int>(window->QueryText().Text().indexOf("SELECT a"));
    window->QueryText().SetSelStart(start);
    window->QueryText().SetSelLength(static_cast<int>(window->QueryText().Text().size()) - start);
    boxes->Answer(tbn::platform::vbOK);
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window, true));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_TRUE(boxes->Last().prompt.endsWith("near \"SELEC\": syntax error (line 2, column 18)")) << boxes->Last().prompt.toStdString();
    EXPECT_EQ(Selected(), "SELEC");
    EXPECT_EQ(window->QueryText().SelStart(), window->QueryText().Text().indexOf("SELEC 2"));
}

TEST_F(ErrorsThatPointTest, AFailureWithoutAPlaceLeavesTheSelectionAndTheReportAlone) {
    window->QueryText().SetText("SELECT 1 +");
    window->QueryText().SetSelStart(3);
    boxes->Answer(tbn::platform::vbOK);
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().prompt, "Application error:\r\n#1 incomplete input");
    EXPECT_EQ(window->QueryText().SelStart(), 3);
}
