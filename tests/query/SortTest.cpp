#include "grid/FlexGrid.h"
#include "query/RunStatusBar.h"
#include "support/QueryWindowFixture.h"
#include "ui/Clipboard.h"
#include "ui/TextBox.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <string>

using tbn::grid::FlexGrid;
using tbn::test::QueryWindowFixture;

namespace {
// id is the record's number as the query returns it; n holds numbers (and a text that reads as
// one), s text, m values of every kind.
const std::string kValues = "CREATE TABLE t(id INTEGER, n, s TEXT, m);"
                            "INSERT INTO t VALUES"
                            "(1, 10.5, 'b', 'x'),"
                            "(2, 9007199254740993, NULL, 5),"
                            "(3, NULL, 'c', 'b'),"
                            "(4, -3, 'a', -1),"
                            "(5, 9.75, 'a', 2.5),"
                            "(6, 9007199254740992, 'c', NULL),"
                            "(7, 10.5, NULL, 'apple'),"
                            "(8, '7', 'b', X'00FF');";

bool WaitForSort(frmMain& window) {
    return QTest::qWaitFor([&window] { return !window.Sorting(); }, 60000);
}

// The value of column col in every record, as shown.
QStringList Column(const FlexGrid& grid, std::int64_t col) {
    QStringList cells;
    for (std::int64_t r = 1; r < grid.Rows() - 1; ++r) cells << grid.TextMatrix(r, col);
    return cells;
}
}  // namespace

class SortTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window = OpenWindow("sort", MakeDatabase("s.db", kValues));
        Run("SELECT id, n, s, m FROM t ORDER BY id");
    }
    void Run(const QString& sql) {
        window->QueryText().SetText(sql);
        ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    }
    // Opens the pop-up menu of a column header as a right click does.
    QMenu* HeaderMenuOf(std::int64_t col) {
        QHeaderView* header = window->FlexWidget()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(static_cast<int>(col - 1)) + 3, 3);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, header->viewport()->mapToGlobal(at));
        QApplication::sendEvent(header->viewport(), &event);
        return window->HeaderMenu();
    }
    QAction* Entry(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions())
            if (action->text() == text) return action;
        ADD_FAILURE() << "no entry " << text.toStdString();
        return nullptr;
    }
    frmMain* window = nullptr;
};

TEST_F(SortTest, RecordsOrderByKindStablyWithTheirRowNumbers) {
    const struct {
        std::int64_t col;
        Qt::SortOrder direction;
        QStringList ids;
    } cases[] = {
        // Nulls first, numbers by exact value (the last two differ past a double's precision).
        {2, Qt::AscendingOrder, {"3", "4", "5", "1", "7", "6", "2", "8"}},
        {2, Qt::DescendingOrder, {"8", "2", "6", "1", "7", "5", "4", "3"}},
        {3, Qt::AscendingOrder, {"2", "7", "4", "5", "1", "8", "3", "6"}},
        {3, Qt::DescendingOrder, {"3", "6", "1", "8", "4", "5", "2", "7"}},
        // Numbers, then text, then binary values in a column of mixed kinds.
        {4, Qt::AscendingOrder, {"6", "4", "5", "2", "7", "3", "1", "8"}},
        {4, Qt::DescendingOrder, {"8", "1", "3", "7", "2", "5", "4", "6"}},
    };
    FlexGrid& grid = *window->FlexWidget();
    for (const auto& c : cases) {
        window->SortGrid(c.col, c.direction);
        ASSERT_TRUE(WaitForSort(*window));
        EXPECT_EQ(Column(grid, 1), c.ids) << "column " << c.col << " " << c.direction;
        EXPECT_EQ(Column(grid, 0), c.ids) << "the row numbers move with their rows";
        EXPECT_TRUE(grid.horizontalHeader()->isSortIndicatorShown());
        EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), c.col - 1);
        EXPECT_EQ(grid.horizontalHeader()->sortIndicatorOrder(), c.direction);
    }
}

TEST_F(SortTest, TheHeaderMenuSortsAndRestoresAndCopiesFollowTheOrderShown) {
    FlexGrid& grid = *window->FlexWidget();
    QMenu* menu = HeaderMenuOf(2);
    ASSERT_TRUE(menu->isVisible());
    EXPECT_FALSE(Entry(menu, "Original order")->isEnabled());
    Entry(menu, "Sort descending")->trigger();
    menu->close();
    EXPECT_EQ(window->StatusLine()->Text(), QStringLiteral("Sorting…"));
    ASSERT_TRUE(WaitForSort(*window));
    EXPECT_NE(window->StatusLine()->Text(), QStringLiteral("Sorting…"));
    ASSERT_EQ(Column(grid, 1).first(), QStringLiteral("8"));

    grid.setFocus();
    grid.SetRow(1);
    grid.SetCol(1);
    grid.SetRowSel(3);
    grid.SetColSel(2);
    window->QueryCopy();
    EXPECT_EQ(tbn::ui::Clipboard::GetText(),
              QStringLiteral("8\t7\t\r\n2\t9007199254740993\t\r\n6\t9007199254740992\t\r\n"));

    menu = HeaderMenuOf(3);
    Entry(menu, "Original order")->trigger();
    menu->close();
    EXPECT_EQ(Column(grid, 1), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_FALSE(grid.horizontalHeader()->isSortIndicatorShown());
}

TEST_F(SortTest, OnlyTheLastSortOfTheResultOnScreenApplies) {
    FlexGrid& grid = *window->FlexWidget();
    window->SortGrid(2, Qt::DescendingOrder);
    window->SortGrid(3, Qt::AscendingOrder);  // the first gives way
    ASSERT_TRUE(WaitForSort(*window));
    EXPECT_EQ(Column(grid, 1), (QStringList{"2", "7", "4", "5", "1", "8", "3", "6"}));

    // Whether the sort ends before the run or after it, the run's rows come in their own order.
    window->SortGrid(2, Qt::AscendingOrder);
    Run("SELECT id FROM t ORDER BY id DESC");
    ASSERT_TRUE(WaitForSort(*window));
    EXPECT_EQ(Column(grid, 1), (QStringList{"8", "7", "6", "5", "4", "3", "2", "1"}));
    EXPECT_EQ(Column(grid, 0), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_FALSE(grid.RecordOrder());
    EXPECT_FALSE(grid.horizontalHeader()->isSortIndicatorShown());
}

TEST_F(SortTest, ALargeSortLeavesTheWindowServingEvents) {
    Run("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < 300000) "
        "SELECT i, 'name ' || ((i * 7919) % 300000) FROM k");
    window->SortGrid(2, Qt::AscendingOrder);
    // The call returned with the sort still under way, and the window goes on taking events.
    EXPECT_TRUE(window->Sorting());
    int turns = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            ++turns;
            return !window->Sorting();
        },
        60000));
    EXPECT_GT(turns, 1);
    const FlexGrid& grid = *window->FlexWidget();
    ASSERT_TRUE(grid.RecordOrder());
    EXPECT_EQ(grid.TextMatrix(1, 2), QStringLiteral("name 0"));
    EXPECT_EQ(grid.TextMatrix(300000, 2), QStringLiteral("name 99999"));
}
