#include "grid/FlexGrid.h"
#include "support/ErrorNumber.h"
#include "support/WidgetSuite.h"

#include "core/Error.h"
#include "grid/FlexGridModel.h"
#include "grid/NullCellDelegate.h"
#include "ui/Twips.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

using tbn::grid::FlexGrid;

namespace {

using Values = std::vector<std::optional<std::string_view>>;

using tbn::test::ErrorNumberOf;

// GCC 12 warns falsely about `"literal" + std::to_string(n)` at -O3.
std::string Numbered(const char* prefix, int number) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%d", prefix, number);
    return text;
}

// The layout a query window gives a result of `records` rows: header, numbered rows, empty last
// row.
enum class Fill { FastPath, NumberThenFastPath, CellByCell };

void FillLikeAQuery(FlexGrid& grid, int records, Fill fill = Fill::FastPath) {
    grid.SetCols(3);
    grid.SetTextMatrix(0, 1, "name");
    grid.SetTextMatrix(0, 2, "città");
    for (int r = 1; r <= records; ++r) {
        const std::string number = std::to_string(r);
        const std::string name = Numbered("n", r);
        const Values values{std::string_view(number), std::string_view(name),
                            r % 2 ? std::optional<std::string_view>() : std::string_view("é")};
        if (fill == Fill::FastPath) {
            grid.FillRowAndAppend(r, 0, values);
        } else if (fill == Fill::NumberThenFastPath) {
            grid.SetTextMatrix(r, 0, QString::fromStdString(number));
            grid.FillRowAndAppend(r, 1, std::span(values).subspan(1));
        } else {
            grid.AddItem("");
            grid.SetTextMatrix(r, 0, QString::fromStdString(number));
            grid.SetTextMatrix(r, 1, QString::fromStdString(name));
            grid.SetTextMatrix(r, 2, r % 2 ? QString() : QStringLiteral("é"));
        }
    }
}

}  // namespace

// The control is a widget; the rest of this program (the cell store) runs without a QApplication.
class FlexGridTest : public tbn::test::WidgetSuite {};

TEST_F(FlexGridTest, StartsAsTwoByTwoWithOneFixedRowAndColumn) {
    FlexGrid grid;
    EXPECT_EQ(grid.Rows(), 2);
    EXPECT_EQ(grid.Cols(), 2);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.FixedCols(), 1);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(grid.model()->columnCount(), 1);
}

TEST_F(FlexGridTest, FillFastPathGivesTheSameCellsAsCellByCellWrites) {
    FlexGrid fast, mixed, slow, held;
    FillLikeAQuery(fast, 50, Fill::FastPath);
    FillLikeAQuery(mixed, 50, Fill::NumberThenFastPath);
    FillLikeAQuery(slow, 50, Fill::CellByCell);
    held.SetRedraw(false);
    FillLikeAQuery(held, 50, Fill::FastPath);
    held.SetRedraw(true);
    ASSERT_EQ(fast.Rows(), 52);
    ASSERT_EQ(mixed.Rows(), 52);
    ASSERT_EQ(slow.Rows(), 52);
    ASSERT_EQ(held.Rows(), 52);
    EXPECT_EQ(held.model()->rowCount(), 51);
    for (std::int64_t r = 0; r < 52; ++r)
        for (std::int64_t c = 0; c < 3; ++c) {
            ASSERT_EQ(fast.TextMatrix(r, c), slow.TextMatrix(r, c)) << r << "," << c;
            ASSERT_EQ(mixed.TextMatrix(r, c), slow.TextMatrix(r, c)) << r << "," << c;
            ASSERT_EQ(held.TextMatrix(r, c), slow.TextMatrix(r, c)) << r << "," << c;
        }
    // Every way of filling keeps the rows in the compact store, none in the side table.
    EXPECT_EQ(mixed.BytesUsed(), fast.BytesUsed());
    EXPECT_EQ(slow.BytesUsed(), fast.BytesUsed());
    EXPECT_EQ(fast.TextMatrix(0, 2), QStringLiteral("città"));
    EXPECT_EQ(fast.TextMatrix(2, 2), QStringLiteral("é"));
    EXPECT_EQ(fast.TextMatrix(3, 2), QString());
    EXPECT_EQ(fast.TextMatrix(51, 0), QString());
}

TEST_F(FlexGridTest, HeadersShowTheFixedRowAndColumnAndTheBodyTheRest) {
    FlexGrid grid;
    FillLikeAQuery(grid, 3);
    const QAbstractItemModel* model = grid.model();
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("name"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("città"));
    EXPECT_EQ(model->headerData(2, Qt::Vertical).toString(), QStringLiteral("3"));
    EXPECT_EQ(model->data(model->index(1, 1)).toString(), QStringLiteral("é"));
    grid.SetTextMatrix(0, 1, "renamed");
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("renamed"));
}

TEST_F(FlexGridTest, AHugeCellIsDrawnCutWhileItsTextStaysWhole) {
    using tbn::grid::FlexGridModel;
    constexpr auto kShown = FlexGridModel::kMaxShownChars;
    constexpr QChar kEllipsis(0x2026);
    const std::string hex(8'000'000, 'A');  // a 4 MB blob as the engine gives it
    std::string faces;                      // characters of four bytes, two UTF-16 units each
    for (int i = 0; i < 1'000'000; ++i) faces += "\xF0\x9F\x98\x80";
    std::string euros;  // fewer characters than the cap, more bytes
    for (qsizetype i = 0; i < kShown; ++i) euros += "\xE2\x82\xAC";
    FlexGrid grid;
    grid.SetCols(4);
    grid.FillRowAndAppend(
        1, 1, Values{std::string_view(hex), std::string_view(faces), std::string_view(euros)});
    grid.SetTextMatrix(0, 1, QString::fromStdString(hex));
    const QAbstractItemModel* model = grid.model();

    const QString shownHex = model->data(model->index(0, 0)).toString();
    EXPECT_EQ(shownHex.size(), kShown);
    EXPECT_TRUE(shownHex.endsWith(kEllipsis));
    EXPECT_EQ(shownHex.chopped(1), QString(kShown - 1, u'A'));
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), shownHex);
    const QString shownFaces = model->data(model->index(0, 1)).toString();
    EXPECT_LE(shownFaces.size(), kShown);
    EXPECT_TRUE(shownFaces.endsWith(kEllipsis));
    EXPECT_TRUE(shownFaces.chopped(1).endsWith(QString::fromUtf8("\xF0\x9F\x98\x80")))
        << "a character was split";
    EXPECT_EQ(model->data(model->index(0, 2)).toString(), QString::fromStdString(euros));

    // The text itself, what is copied and what sizes the column, is all there.
    EXPECT_EQ(grid.TextMatrix(1, 1).size(), static_cast<qsizetype>(hex.size()));
    EXPECT_EQ(grid.TextMatrix(1, 2), QString::fromStdString(faces));
    EXPECT_EQ(grid.TextMatrix(0, 1).size(), static_cast<qsizetype>(hex.size()));
    EXPECT_EQ(model->data(model->index(0, 0), Qt::EditRole).toString().size(),
              static_cast<qsizetype>(hex.size()));

    grid.resize(600, 300);
    grid.show();
    EXPECT_FALSE(grid.grab().isNull());
}

TEST_F(FlexGridTest, ClearEmptiesEveryCellAndKeepsTheCounts) {
    FlexGrid grid;
    FillLikeAQuery(grid, 5);
    grid.SetTextMatrix(0, 0, "corner");
    grid.Clear();
    EXPECT_EQ(grid.Rows(), 7);
    EXPECT_EQ(grid.Cols(), 3);
    for (std::int64_t r = 0; r < 7; ++r)
        for (std::int64_t c = 0; c < 3; ++c) EXPECT_EQ(grid.TextMatrix(r, c), QString());
}

TEST_F(FlexGridTest, RowCountShrinksAndGrowsWithEmptyRows) {
    FlexGrid grid;
    FillLikeAQuery(grid, 10);
    grid.SetRows(4);
    EXPECT_EQ(grid.model()->rowCount(), 3);
    grid.SetRows(8);
    EXPECT_EQ(grid.TextMatrix(3, 1), QStringLiteral("n3"));
    EXPECT_EQ(grid.TextMatrix(4, 1), QString());  // dropped text does not come back
    EXPECT_EQ(grid.TextMatrix(7, 0), QString());
    EXPECT_EQ(grid.model()->rowCount(), 7);
}

TEST_F(FlexGridTest, AddItemSplitsAtTabsAndRemoveItemClosesTheGap) {
    FlexGrid grid;
    grid.SetCols(3);
    grid.AddItem("a\tb\tc\textra");
    grid.AddItem("x\ty", 1);
    grid.AddItem(QStringLiteral("\tñ"));
    EXPECT_EQ(grid.Rows(), 5);
    EXPECT_EQ(grid.TextMatrix(1, 0), QStringLiteral("x"));
    EXPECT_EQ(grid.TextMatrix(1, 2), QString());
    EXPECT_EQ(grid.TextMatrix(3, 2), QStringLiteral("c"));
    EXPECT_EQ(grid.TextMatrix(4, 1), QStringLiteral("ñ"));
    grid.RemoveItem(1);
    EXPECT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.TextMatrix(2, 0), QStringLiteral("a"));
    EXPECT_EQ(ErrorNumberOf([&] { grid.AddItem("z", 5); }), 381);
    EXPECT_EQ(ErrorNumberOf([&] { grid.RemoveItem(4); }), 381);
    EXPECT_EQ(ErrorNumberOf([&] { (void)grid.TextMatrix(0, 3); }), 381);
    EXPECT_EQ(ErrorNumberOf([&] { grid.SetTextMatrix(-1, 0, "x"); }), 381);
}

TEST_F(FlexGridTest, ColumnWidthsReadBackExactlyInTwipsAndSizeTheView) {
    FlexGrid grid;
    grid.SetCols(3);
    grid.SetColWidth(0, 300);
    grid.SetColWidth(2, 1001);  // not a whole number of pixels
    EXPECT_EQ(grid.ColWidth(0), 300);
    EXPECT_EQ(grid.ColWidth(2), 1001);
    EXPECT_EQ(grid.horizontalHeader()->sectionSize(1), tbn::ui::TwipsToPixels(1001));
    EXPECT_EQ(grid.verticalHeader()->width(), tbn::ui::TwipsToPixels(300));
    grid.horizontalHeader()->resizeSection(0, 50);  // as a mouse drag on the header does
    EXPECT_EQ(grid.ColWidth(1), static_cast<int>(std::lround(tbn::ui::PixelsToTwips(50))));
    EXPECT_EQ(grid.ColWidth(2), 1001);
    EXPECT_EQ(ErrorNumberOf([&] { grid.SetColWidth(1, -5); }), 380);
    EXPECT_EQ(ErrorNumberOf([&] { (void)grid.ColWidth(3); }), 381);
    // A reset of the model (fixed row count change) must not lose the widths.
    grid.SetFixedRows(1);
    grid.SetRedraw(false);
    grid.AddItem("a");
    grid.SetRedraw(true);
    EXPECT_EQ(grid.horizontalHeader()->sectionSize(1), tbn::ui::TwipsToPixels(1001));
}

TEST_F(FlexGridTest, SettingRowOrColCollapsesTheSelection) {
    FlexGrid grid;
    FillLikeAQuery(grid, 5);
    grid.SetRow(2);
    grid.SetCol(1);
    grid.SetRowSel(4);
    grid.SetColSel(2);
    EXPECT_EQ(grid.selectionModel()->selectedIndexes().size(), 6);
    grid.SetRow(3);
    EXPECT_EQ(grid.RowSel(), 3);
    EXPECT_EQ(grid.ColSel(), 1);
    grid.SetRowSel(1);
    grid.SetCol(2);
    EXPECT_EQ(grid.RowSel(), 3);
    EXPECT_EQ(grid.ColSel(), 2);
    EXPECT_EQ(grid.selectionModel()->selectedIndexes().size(), 1);
    grid.SetRow(0);  // the header row can be the current row, as column sizing needs
    EXPECT_EQ(grid.Row(), 0);
    EXPECT_EQ(ErrorNumberOf([&] { grid.SetRow(7); }), 381);
}

TEST_F(FlexGridTest, MouseDragUpwardsLeavesRowSelAboveRow) {
    FlexGrid grid;
    FillLikeAQuery(grid, 8);
    grid.resize(400, 400);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    QWidget* viewport = grid.viewport();
    const QPoint from = grid.visualRect(grid.model()->index(5, 1)).center();  // grid row 6, col 2
    const QPoint to = grid.visualRect(grid.model()->index(2, 0)).center();    // grid row 3, col 1
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    EXPECT_EQ(grid.Row(), 6);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.RowSel(), 3);
    EXPECT_EQ(grid.ColSel(), 1);
}

TEST_F(FlexGridTest, ClickingAHeaderSelectsTheWholeColumnOrRow) {
    FlexGrid grid;
    FillLikeAQuery(grid, 8);
    grid.resize(400, 300);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.verticalScrollBar()->setValue(3);  // the selection must not start at the top visible row
    QHeaderView* header = grid.horizontalHeader();
    const QPoint second(header->sectionViewportPosition(1) + header->sectionSize(1) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.RowSel(), 9);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.ColSel(), 2);
    EXPECT_EQ(grid.selectionModel()->selectedIndexes().size(), 9);

    QHeaderView* rows = grid.verticalHeader();
    const QPoint fifth(rows->width() / 2,
                       rows->sectionViewportPosition(4) + rows->sectionSize(4) / 2);
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, fifth);
    EXPECT_EQ(grid.Row(), 5);
    EXPECT_EQ(grid.RowSel(), 5);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.ColSel(), 2);
    EXPECT_EQ(grid.selectionModel()->selectedIndexes().size(), 2);
}

TEST_F(FlexGridTest, SelectionMadeThroughTheViewMapsItsAnchorAndCorner) {
    FlexGrid grid;
    FillLikeAQuery(grid, 6);
    QItemSelectionModel* selection = grid.selectionModel();
    const QAbstractItemModel* model = grid.model();
    // What a drag from the bottom right to the top left leaves: that block, current at the top
    // left.
    selection->select(QItemSelection(model->index(1, 0), model->index(4, 1)),
                      QItemSelectionModel::ClearAndSelect);
    selection->setCurrentIndex(model->index(1, 0), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(grid.Row(), 5);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.RowSel(), 2);
    EXPECT_EQ(grid.ColSel(), 1);
    grid.selectAll();
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.RowSel(), 7);
    EXPECT_EQ(grid.ColSel(), 2);
}

TEST_F(FlexGridTest, RedrawOffDefersAllViewUpdatesUntilSwitchedOn) {
    FlexGrid grid;
    grid.show();
    QSignalSpy inserted(grid.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(grid.model(), &QAbstractItemModel::modelReset);
    grid.SetRedraw(false);
    FillLikeAQuery(grid, 20000);
    EXPECT_FALSE(grid.updatesEnabled());
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(grid.model()->rowCount(), 1);  // the view still sees what it was last told
    grid.SetRedraw(true);
    EXPECT_TRUE(grid.updatesEnabled());
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(grid.model()->rowCount(), 20001);
    EXPECT_EQ(grid.verticalHeader()->count(), 20001);
    EXPECT_EQ(grid.model()->headerData(19999, Qt::Vertical).toString(), QStringLiteral("20000"));
}

TEST_F(FlexGridTest, PropertiesOfTheControl) {
    FlexGrid grid;
    grid.SetWordWrap(true);
    EXPECT_TRUE(grid.WordWrap());
    grid.SetAllowUserResizing(3);
    EXPECT_EQ(grid.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(grid.verticalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(ErrorNumberOf([&] { grid.SetAllowUserResizing(4); }), 380);
    grid.resize(300, 200);
    EXPECT_EQ(grid.WidthTwips(), static_cast<int>(std::lround(tbn::ui::PixelsToTwips(300))));
}

TEST_F(FlexGridTest, ANullIsDrawnAsAFadedItalicNullWhileItsTextStaysEmptyAndDimmedCellsFade) {
    FlexGrid grid;
    FillLikeAQuery(grid, 2);       // record 1 has a null in column 2, record 2 an "é"
    grid.SetTextMatrix(2, 2, "");  // an empty text, not a null
    auto drawn = [&grid](std::int64_t row, std::int64_t col) {
        QStyleOptionViewItem option;
        option.initFrom(&grid);
        option.font = grid.font();
        static_cast<tbn::grid::NullCellDelegate*>(grid.itemDelegate())
            ->initStyleOption(&option, grid.flexModel()->IndexOfCell(row, col));
        return option;
    };
    EXPECT_TRUE(grid.IsNull(1, 2));
    EXPECT_EQ(grid.TextMatrix(1, 2), "");
    EXPECT_EQ(drawn(1, 2).text, "NULL");
    EXPECT_TRUE(drawn(1, 2).font.italic());
    EXPECT_FALSE(grid.IsNull(2, 2));
    EXPECT_EQ(drawn(2, 2).text, "");
    EXPECT_FALSE(drawn(2, 2).font.italic());
    EXPECT_NE(drawn(1, 2).palette.color(QPalette::Text), drawn(2, 2).palette.color(QPalette::Text));

    // Selected, it is drawn in the selection's text colour, faded: readable on the selection.
    auto distance = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue());
    };
    auto selectedText = [&](std::int64_t row, std::int64_t col) {
        return drawn(row, col).palette.color(QPalette::HighlightedText);
    };
    const QColor selection = drawn(2, 1).palette.color(QPalette::Highlight);
    EXPECT_NE(selectedText(1, 2), selectedText(2, 1));
    EXPECT_GE(distance(selectedText(1, 2), selection), distance(selectedText(2, 1), selection) / 2);

    // Dimmed, every cell's text moves toward its background, selected or not, and reads the same.
    const QColor text = drawn(2, 1).palette.color(QPalette::Text);
    const QColor base = drawn(2, 1).palette.color(QPalette::Base);
    const QColor plainSelected = selectedText(2, 1);
    grid.SetDimmed(true);
    EXPECT_TRUE(grid.Dimmed());
    EXPECT_LT(distance(drawn(2, 1).palette.color(QPalette::Text), base), distance(text, base));
    EXPECT_LT(distance(selectedText(2, 1), selection), distance(plainSelected, selection));
    EXPECT_EQ(drawn(2, 1).text, grid.TextMatrix(2, 1));
    grid.SetDimmed(false);
    EXPECT_EQ(drawn(2, 1).palette.color(QPalette::Text), text);

    grid.SetTextMatrix(1, 2, "");
    EXPECT_FALSE(grid.IsNull(1, 2));
    EXPECT_EQ(drawn(1, 2).text, "");
}

TEST_F(FlexGridTest, CtrlShiftEndAndHomeAndTheCornerCellSelectToTheGridsEnds) {
    FlexGrid grid;
    FillLikeAQuery(grid, 8);
    grid.resize(400, 200);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.setFocus();
    grid.SetRow(3);
    grid.SetCol(2);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.RowSel(), 9);
    EXPECT_EQ(grid.ColSel(), 2);
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.RowSel(), 1);
    EXPECT_EQ(grid.ColSel(), 1);

    auto* corner = grid.findChild<QAbstractButton*>();
    ASSERT_NE(corner, nullptr);
    QTest::mouseClick(corner, Qt::LeftButton);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.RowSel(), 9);
    EXPECT_EQ(grid.ColSel(), 2);
}

TEST_F(FlexGridTest, ARecordOrderMovesWholeRowsForTheViewAndEveryCellReader) {
    FlexGrid grid;
    FillLikeAQuery(grid, 4);  // rows 0..5: header, four records, the empty last row
    grid.SetTextMatrix(5, 1, "after");
    grid.SetRecordOrder(
        std::make_shared<const std::vector<std::int64_t>>(std::vector<std::int64_t>{3, 1, 4, 2}),
        4);
    const QAbstractItemModel* model = grid.model();
    const std::int64_t shown[] = {3, 1, 4, 2};
    for (std::int64_t r = 1; r <= 4; ++r) {
        const std::int64_t stored = shown[r - 1];
        EXPECT_EQ(grid.TextMatrix(r, 0), QString::number(stored)) << "row numbers move too";
        EXPECT_EQ(grid.TextMatrix(r, 1), QString::fromStdString(Numbered("n", int(stored))));
        EXPECT_EQ(grid.IsNull(r, 2), stored % 2 == 1);
        EXPECT_EQ(model->headerData(int(r - 1), Qt::Vertical).toString(), QString::number(stored));
        EXPECT_EQ(model->data(model->index(int(r - 1), 0)).toString(), grid.TextMatrix(r, 1));
    }
    EXPECT_EQ(grid.TextMatrix(0, 1), QStringLiteral("name"));
    EXPECT_EQ(grid.TextMatrix(5, 1), QStringLiteral("after"));
    // A write goes to the cell where it is shown, and stays with its row.
    grid.SetTextMatrix(1, 1, "edited");
    const tbn::results::ResultView view = grid.View(4);
    ASSERT_TRUE(view.order);
    EXPECT_EQ(view.store->Cell(view.StoreRow(0), 1), "edited");
    EXPECT_EQ(view.store->Cell(3, 1), "edited");
    grid.ClearRecordOrder();
    EXPECT_EQ(grid.TextMatrix(3, 1), QStringLiteral("edited"));

    // Only a permutation of the records will do.
    for (const std::vector<std::int64_t>& bad :
         {std::vector<std::int64_t>{1, 1, 2, 3}, {0, 1, 2, 3}, {1, 2, 3}, {1, 2, 3, 5}})
        EXPECT_EQ(ErrorNumberOf([&] {
                      grid.SetRecordOrder(std::make_shared<const std::vector<std::int64_t>>(bad),
                                          4);
                  }),
                  380);
    EXPECT_EQ(ErrorNumberOf([&] {
                  grid.SetRecordOrder(std::make_shared<const std::vector<std::int64_t>>(
                                          std::vector<std::int64_t>{1, 2, 3, 4, 5, 6}),
                                      6);
              }),
              380)
        << "more records than the grid has rows for";
}

TEST_F(FlexGridTest, AChangeOfStructureDropsTheOrderAndTheSortMark) {
    const std::function<void(FlexGrid&)> changes[] = {
        [](FlexGrid& g) { g.AddItem("x"); },
        [](FlexGrid& g) { g.RemoveItem(2); },
        [](FlexGrid& g) { g.SetRows(3); },
        [](FlexGrid& g) { g.SetCols(4); },
        [](FlexGrid& g) { g.Clear(); },
        [](FlexGrid& g) { g.AdoptStore(tbn::results::CellStore(2, 3)); },
        [](FlexGrid& g) { g.ClearRecordOrder(); },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        FlexGrid grid;
        FillLikeAQuery(grid, 3);
        grid.SetRecordOrder(
            std::make_shared<const std::vector<std::int64_t>>(std::vector<std::int64_t>{3, 2, 1}),
            3);
        grid.ShowSortIndicator(1, Qt::DescendingOrder);
        // A click on the header selects the column and leaves the mark as it is.
        QTest::mouseClick(grid.horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(grid.horizontalHeader()->sectionViewportPosition(0) + 5, 5));
        EXPECT_EQ(grid.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        ASSERT_TRUE(grid.horizontalHeader()->isSortIndicatorShown());
        changes[i](grid);
        EXPECT_FALSE(grid.RecordOrder()) << "change " << i;
        EXPECT_FALSE(grid.horizontalHeader()->isSortIndicatorShown()) << "change " << i;
    }
}

TEST_F(FlexGridTest, AViewKeepsTheCellsItWasTakenWithWhileTheGridChanges) {
    FlexGrid grid;
    FillLikeAQuery(grid, 3);
    grid.SetRecordOrder(
        std::make_shared<const std::vector<std::int64_t>>(std::vector<std::int64_t>{2, 3, 1}), 3);
    const tbn::results::ResultView view = grid.View(3);
    const tbn::results::ResultView longer = grid.View(4);  // past the ordered records
    grid.SetTextMatrix(1, 1, "changed");
    grid.RemoveItem(1);
    grid.Clear();
    grid.AddItem("new");
    EXPECT_EQ(view.store->Cell(view.StoreRow(0), 1), "n2");
    EXPECT_EQ(view.store->Cell(view.StoreRow(2), 1), "n1");
    EXPECT_EQ(view.store->Rows(), 5);
    EXPECT_EQ(longer.StoreRow(3), 4);
    EXPECT_EQ(grid.TextMatrix(grid.Rows() - 1, 0), QStringLiteral("new"));
    EXPECT_EQ(grid.TextMatrix(1, 1), QString());
}

TEST_F(FlexGridTest, ALargerShareOfTheSameRowsAddsRowsAndKeepsTheViewAsItWas) {
    // What a run fills: header, numbered records, one empty row after them.
    auto rowsSoFar = [](int records) {
        auto store = std::make_shared<tbn::results::CellStore>(2, 3);
        store->WriteRow(0, tbn::results::RowValues{0, Values{"", "name", "n"}});
        for (int r = 1; r <= records; ++r) {
            const std::string number = std::to_string(r);
            const std::string name = Numbered("n", r);
            store->WriteRowAndAppend(
                r, tbn::results::RowValues{0, Values{number, name, std::nullopt}});
        }
        return store;
    };
    FlexGrid grid;
    grid.resize(400, 300);
    grid.AdoptStore(rowsSoFar(200));
    grid.SetColWidth(1, 2000);
    grid.SetRow(5);
    grid.SetCol(2);
    grid.SetRowSel(7);
    grid.verticalScrollBar()->setValue(40);
    const int scrolled = grid.verticalScrollBar()->value();
    const int shown = grid.model()->rowCount();
    QSignalSpy resets(grid.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(grid.model(), &QAbstractItemModel::rowsInserted);

    grid.ExtendStore(rowsSoFar(350));

    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(inserted.count(), 1);
    // Only the added rows, after the old ones.
    EXPECT_EQ(inserted[0][1].toInt(), shown);
    EXPECT_EQ(inserted[0][2].toInt(), grid.model()->rowCount() - 1);
    EXPECT_EQ(grid.Rows(), 352);
    EXPECT_EQ(grid.TextMatrix(201, 1), QStringLiteral("n201"));  // the old empty row
    EXPECT_TRUE(grid.IsNull(350, 2));
    EXPECT_EQ(std::tuple(grid.Row(), grid.Col(), grid.RowSel(), grid.ColSel()),
              std::tuple(std::int64_t{5}, std::int64_t{2}, std::int64_t{7}, std::int64_t{2}));
    EXPECT_EQ(grid.selectionModel()->selectedIndexes().size(), 3);
    EXPECT_EQ(grid.verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(grid.ColWidth(1), 2000);
}
