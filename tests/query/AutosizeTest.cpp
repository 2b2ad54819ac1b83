#include "grid/FlexGrid.h"
#include "query/GridAutosize.h"
#include "support/QueryWindowFixture.h"
#include "ui/TextBox.h"

#include <QHeaderView>
#include <QMdiSubWindow>
#include <QScrollBar>

using tbn::grid::FlexGrid;
using tbn::test::QueryWindowFixture;

class AutosizeTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window = frame->NewQueryWindow();
        window->Load();
        grid = std::make_unique<FlexGrid>();
        grid->resize(10, 10);  // narrower than any column: nothing left over to spread
        grid->show();
    }
    int Expected(const QString& text) const {
        return tbn::query::ClampColumnWidth(tbn::query::TextMeasure(grid->font()).WidthTwips(text) +
                                            tbn::query::kCellPaddingTwips);
    }
    void Fill(std::int64_t records) {
        grid->SetCols(3);
        grid->SetRows(records + 2);
        grid->SetTextMatrix(0, 1, "a much longer header");
        grid->SetTextMatrix(0, 2, "h");
        for (std::int64_t r = 1; r <= records; ++r) {
            grid->SetTextMatrix(r, 0, QString::number(r));
            grid->SetTextMatrix(r, 1, "x");
            grid->SetTextMatrix(r, 2, "value");
        }
    }

    frmMain* window = nullptr;
    std::unique_ptr<FlexGrid> grid;
};

TEST_F(AutosizeTest, WidestSampledTextPlusPaddingAndRowsPastTheSampleDoNotCount) {
    Fill(150);
    grid->SetTextMatrix(120, 2, "a text far wider than anything in the first hundred rows");
    window->AutosizeGridColumns(*grid, 100, 400);
    EXPECT_EQ(grid->ColWidth(0), Expected("99"));
    EXPECT_EQ(grid->ColWidth(1), Expected("a much longer header"));
    EXPECT_EQ(grid->ColWidth(2), Expected("value"));
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(grid->Row(), 99);
    EXPECT_TRUE(grid->isVisible());
}

TEST_F(AutosizeTest, EmptyColumnsGetThePaddingAndZeroRowsGetNothing) {
    grid->SetCols(2);
    grid->SetRows(2);
    window->AutosizeGridColumns(*grid, 100, 400);
    EXPECT_EQ(grid->ColWidth(1), 150);
    window->AutosizeGridColumns(*grid, 0, 400);  // nothing measured: only the spread share is left
    EXPECT_EQ(grid->ColWidth(1), grid->VisibleWidthTwips() / 2);
}

TEST_F(AutosizeTest, LeftOverWidthIsSpreadEvenlyOverEveryColumn) {
    Fill(3);
    grid->resize(1000, 200);
    window->AutosizeGridColumns(*grid, 100, 400);
    const int gridWidth = grid->VisibleWidthTwips();
    const int sized[] = {Expected("3"), Expected("a much longer header"), Expected("value")};
    const int share = (gridWidth - (sized[0] + sized[1] + sized[2])) / 3;
    ASSERT_GT(share, 0);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(grid->ColWidth(c), sized[c] + share) << "column " << c;
    const int covered = grid->ColWidth(0) + grid->ColWidth(1) + grid->ColWidth(2);
    EXPECT_LE(covered, gridWidth);
    EXPECT_LT(gridWidth - covered, 3);

    window->AutosizeGridColumns(*grid, 0, 400);  // nothing sampled: equal shares of the whole width
    EXPECT_EQ(grid->ColWidth(0), gridWidth / 3);
    EXPECT_EQ(grid->ColWidth(2), gridWidth / 3);
}

TEST_F(AutosizeTest, SingleRowVariantUsesTheFirstRecordEvenWhenTheHeaderIsWider) {
    Fill(5);
    window->AutosizeGridColumnsFirst(*grid, 100, 400);
    EXPECT_EQ(grid->ColWidth(1), Expected("x"));
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->Col(), 2);
    grid->SetRows(1);
    window->AutosizeGridColumnsFirst(*grid, 100, 400);
    EXPECT_EQ(grid->ColWidth(1), Expected("a much longer header"));
}

TEST_F(AutosizeTest, ATextTooWideForAColumnIsCappedAndSizingGoesOn) {
    Fill(2);
    grid->SetTextMatrix(1, 1, QString(20000, QLatin1Char('W')));
    window->AutosizeGridColumns(*grid, 100, 400);
    EXPECT_EQ(grid->ColWidth(1), tbn::query::kMaxColumnWidthTwips);
    EXPECT_EQ(grid->ColWidth(2), Expected("value"));
    EXPECT_TRUE(grid->isVisible());
}

TEST_F(AutosizeTest, AMultiLineTextIsSizedByTheFirstLineTheCellDraws) {
    Fill(2);
    const QString first = QStringLiteral("a much longer header, and more");
    const QString second =
        QStringLiteral("a second line, far longer than anything the cell ever draws of it");
    grid->SetTextMatrix(2, 1, first + QStringLiteral("\r\n") + second);
    window->AutosizeGridColumns(*grid, 100, 400);
    EXPECT_GE(grid->ColWidth(1), Expected(first));
    EXPECT_LT(grid->ColWidth(1), Expected(second));
}

class AutosizeWindowTest : public QueryWindowFixture {};

// After a run the columns fill the grid's visible area, whether or not the rows need the
// vertical scroll bar, and no horizontal scroll bar appears.
TEST_F(AutosizeWindowTest, ColumnsThatFitFillTheViewWithoutAHorizontalScrollBar) {
    frmMain* window = OpenWindow(
        "fit",
        MakeDatabase("fit.db", "CREATE TABLE t(a TEXT, b TEXT);"
                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
                               " WHERE i < 200) INSERT INTO t SELECT 'x', 'y' FROM n;"));
    frame->resize(900, 700);
    window->subWindow()->showMaximized();  // room for a few rows without the vertical bar
    Settle();
    FlexGrid& grid = *window->FlexWidget();
    for (const char* sql : {"SELECT a, b FROM t", "SELECT a, b FROM t LIMIT 2"}) {
        window->QueryText().SetText(sql);
        ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
        Settle();
        EXPECT_EQ(grid.verticalScrollBar()->isVisible(), grid.Rows() > 100) << sql;
        const int visible = grid.viewport()->width() + grid.verticalHeader()->width();
        const int covered = grid.verticalHeader()->width() + grid.horizontalHeader()->length();
        EXPECT_FALSE(grid.horizontalScrollBar()->isVisible()) << sql;
        EXPECT_LE(covered, visible) << sql;
        EXPECT_GE(covered, visible - 1) << sql;  // the spread leaves less than a twip per column
    }
}

// The window's own font is proportional and the grid's is not: a name of narrow letters measured
// in the first is shorter than the grid draws it.
TEST_F(AutosizeWindowTest, ANameInTheSampleIsNotCutInTheGridsFont) {
    const QString name = QStringLiteral("Lilli Ilfil-Tilli Jillil.");
    ASSERT_EQ(name.size(), 25);
    frmMain* window = OpenWindow("names", MakeDatabase("names.db", "CREATE TABLE t(name TEXT);"
                                                                   "INSERT INTO t VALUES('" +
                                                                       name.toStdString() + "');"));
    // Columns enough that no spare width is spread over them to hide a short measure.
    window->QueryText().SetText(
        "SELECT name, name, name, name, name, name, name, name, name, name FROM t");
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    const FlexGrid& grid = *window->FlexWidget();
    ASSERT_EQ(grid.TextMatrix(1, 1), name);
    std::int64_t total = 0;
    for (std::int64_t c = 0; c < grid.Cols(); ++c) total += grid.ColWidth(c);
    ASSERT_GT(total, grid.VisibleWidthTwips());
    EXPECT_GE(grid.ColWidth(1), tbn::query::TextMeasure(grid.font()).WidthTwips(name) +
                                    tbn::query::kCellPaddingTwips);
}

TEST(ClampColumnWidth, RoundsHalvesToEven) {
    EXPECT_EQ(tbn::query::ClampColumnWidth(150.5), 150);
    EXPECT_EQ(tbn::query::ClampColumnWidth(151.5), 152);
    EXPECT_EQ(tbn::query::ClampColumnWidth(0), 0);
    EXPECT_EQ(tbn::query::ClampColumnWidth(40000), tbn::query::kMaxColumnWidthTwips);
}
