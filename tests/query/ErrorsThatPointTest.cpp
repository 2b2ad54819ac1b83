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
    const LineColumn place =
        LineAndColumnAt(text, static_cast<int>(text.indexOf(QLatin1Char('x'))));
    EXPECT_EQ(place.line, 2);
    EXPECT_EQ(place.column, 8);
    EXPECT_EQ(LineAndColumnAt("a\rb\nc\r\nd", 7).line, 4);
    EXPECT_EQ(PlaceSuffix({3, 14}), " (line 3, column 14)");

    EXPECT_EQ(TokenLengthAt("SELECT nope_1 FROM t", 7), 6);
    EXPECT_EQ(TokenLengthAt("SELECT \"a b\" FROM t", 7), 5);
    EXPECT_EQ(TokenLengthAt("SELECT 'open\r\nx", 7), 5);
    EXPECT_EQ(TokenLengthAt("SELECT (,", 8), 1);
    EXPECT_EQ(TokenLengthAt("SELECT 1 +", 10), 0);

    EXPECT_EQ(DescriptionWithPlace("42703: no\nHINT: h", {1, 8}),
              "42703: no (line 1, column 8)\nHINT: h");
}

TEST(ErrorPlace, AMissingObjectIsFoundByItsNameAsAWholeWordWithinTheStatement) {
    const std::pair<QString, QString> named[] = {
        {"no such table: main.orders", "orders"},
        {"42P01: relation \"sales.orders\" does not exist", "orders"},
        {"42S02: [ma-3.1.15]Table 'tbn_1.orders' doesn't exist", "orders"},
        {"no such table: My Orders", "My Orders"},
        {"UNIQUE constraint failed: t.x", ""},
    };
    for (const auto& [description, name] : named)
        EXPECT_EQ(MissingObjectName(description), name) << description.toStdString();

    const QString text = QStringLiteral("SELECT order_id FROM orders; SELECT * FROM \"My Orders\"");
    EXPECT_EQ(WholeWordAt(text, 0, 28, QStringLiteral("ORDERS")), text.indexOf("orders"));
    EXPECT_EQ(WholeWordAt(text, 0, 28, QStringLiteral("order")), std::nullopt)
        << "only within longer names";
    EXPECT_EQ(WholeWordAt(text, 28, text.size(), QStringLiteral("My Orders")), text.indexOf('"'))
        << "at its quote";
    EXPECT_EQ(WholeWordAt(text, 0, 20, QStringLiteral("orders")), std::nullopt)
        << "outside the statement";
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

TEST_F(ErrorsThatPointTest, AfterTheReportTheOffendingTokenOrTheMissingNameIsSelected) {
    // The failing statement is the second; its place is reported in the whole pane.
    window->QueryText().SetText("SELECT 'é' FROM t;\r\n  SELECT a FROM t WHERE nope = 1");
    boxes->Answer(tbn::ui::vbOK);
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().prompt,
              "Application error:\r\n#1 no such column: nope (line 2, column 25)");
    EXPECT_EQ(boxes->Last().title, "frmMain >> ExecuteQuery");
    EXPECT_EQ(Selected(), "nope");
    EXPECT_EQ(QApplication::focusWidget(), window->rtfQueryWidget());

    // Without a place from the engine, a missing table is found by its name in the statement that
    // failed; the first statement names "nope" too, but it ran.
    window->QueryText().SetText(
        "SELECT a AS nope FROM t;\r\nSELECT * FROM t JOIN nope ON 1;\r\nSELECT 1 FROM nope");
    boxes->Answer(tbn::ui::vbOK);
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    ASSERT_EQ(boxes->Count(), 2u);
    EXPECT_EQ(boxes->Last().prompt,
              "Application error:\r\n#1 no such table: nope (line 2, column 22)");
    EXPECT_EQ(window->QueryText().SelStart(), window->QueryText().Text().indexOf("JOIN nope") + 5);
    EXPECT_EQ(Selected(), "nope");
}

TEST_F(ErrorsThatPointTest, ARunOfTheSelectionPointsWithinThePane) {
    window->QueryText().SetText("SELECT 1;\r\nSELECT a FROM t; SELEC 2");
    const int start = static_cast<int>(window->QueryText().Text().indexOf("SELECT a"));
    window->QueryText().SetSelStart(start);
    window->QueryText().SetSelLength(static_cast<int>(window->QueryText().Text().size()) - start);
    boxes->Answer(tbn::ui::vbOK);
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window, true));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_TRUE(boxes->Last().prompt.endsWith("near \"SELEC\": syntax error (line 2, column 18)"))
        << boxes->Last().prompt.toStdString();
    EXPECT_EQ(Selected(), "SELEC");
    EXPECT_EQ(window->QueryText().SelStart(), window->QueryText().Text().indexOf("SELEC 2"));
}

TEST_F(ErrorsThatPointTest, AFailureWithoutAPlaceLeavesTheSelectionAndTheReportAlone) {
    window->QueryText().SetText("SELECT 1 +");
    window->QueryText().SetSelStart(3);
    boxes->Answer(tbn::ui::vbOK);
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().prompt, "Application error:\r\n#1 incomplete input");
    EXPECT_EQ(window->QueryText().SelStart(), 3);
}
