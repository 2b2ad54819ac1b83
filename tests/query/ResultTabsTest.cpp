// A run of several statements keeps each one's result: a tab per statement above the grid, then
// Messages with a line per statement, while the grid ends as it always has.
#include "db/ProviderRoutes.h"
#include "grid/FlexGrid.h"
#include "query/MessagesPane.h"
#include "query/RunStatusBar.h"
#include "support/QueryWindowFixture.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QListWidget>
#include <QTabBar>
#include <QTest>

using tbn::test::ExecuteAndWait;
using tbn::test::ProviderRoute;
using tbn::test::QueryWindowFixture;
using tbn::test::WaitForRun;

namespace {

QStringList TabTexts(const frmMain& window) {
    QStringList texts;
    for (int k = 0; k < window.ResultTabs()->count(); ++k) texts << window.ResultTabs()->tabText(k);
    return texts;
}

QStringList Column(const tbn::grid::FlexGrid& grid, std::int64_t col) {
    QStringList cells;
    for (std::int64_t r = 0; r < grid.Rows(); ++r) cells << grid.TextMatrix(r, col);
    return cells;
}

// Tab texts say the count after the number; only the number and the count are checked here.
bool TabSays(const QString& tab, int number, const QString& what) {
    return tab.startsWith(QString::number(number)) && tab.endsWith(what);
}

}  // namespace

class ResultTabsTest : public QueryWindowFixture {
protected:
    frmMain* Open() {
        return OpenWindow("t", MakeDatabase("t.db", "CREATE TABLE t(n INTEGER, s TEXT);"
                                                    "INSERT INTO t VALUES (1, 'a'), (2, 'b'), "
                                                    "(3, 'c');"));
    }
};

class ResultTabsRouteTest : public QueryWindowFixture,
                            public ::testing::WithParamInterface<ProviderRoute> {};

TEST_P(ResultTabsRouteTest, ThreeStatementsGiveThreeTabsAMessageEachAndTheLastRowSetInTheGrid) {
    std::string skipReason;
    const std::optional<std::string> cnn = GetParam().FreshDatabase(dir, skipReason);
    if (!cnn) GTEST_SKIP() << skipReason;
    if (!GetParam().SeveralStatements) GTEST_SKIP() << "the driver runs one statement at a time";
    {
        tbn::db::Connection connection;
        connection.Open(*cnn);
        connection.session().Execute("CREATE TABLE t(n INTEGER, s VARCHAR(10))");
        connection.session().Execute("INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c')");
    }
    frmMain* window = OpenWindow("route", QString::fromStdString(*cnn));
    window->QueryText().SetText(
        "SELECT n, s FROM t ORDER BY n;\r\nUPDATE t SET s = 'x' WHERE n > 1;\r\n"
        "SELECT s FROM t WHERE n = 2");
    ASSERT_TRUE(ExecuteAndWait(*window));
    const QStringList tabs = TabTexts(*window);
    ASSERT_EQ(tabs.size(), 4) << tabs.join(" | ").toStdString();
    EXPECT_TRUE(TabSays(tabs[0], 1, "3 rows")) << tabs[0].toStdString();
    EXPECT_TRUE(TabSays(tabs[1], 2, "2 rows changed")) << tabs[1].toStdString();
    EXPECT_TRUE(TabSays(tabs[2], 3, "1 row")) << tabs[2].toStdString();
    EXPECT_EQ(tabs[3], QStringLiteral("Messages"));
    EXPECT_FALSE(window->ResultTabs()->isHidden());
    EXPECT_EQ(window->Messages()->Lines()->count(), 3);
    // The grid ends as a run of the same text always ended: the last row set, its tab current.
    const tbn::grid::FlexGrid& grid = *window->FlexWidget();
    EXPECT_EQ(Column(grid, 1), (QStringList{"s", "x", ""}));
    EXPECT_EQ(window->ResultTabs()->currentIndex(), 2);
    EXPECT_TRUE(window->StatusLine()->Text().startsWith(QStringLiteral("1 row in ")));

    window->ChooseResultTab(0);
    EXPECT_EQ(Column(grid, 2), (QStringList{"s", "a", "b", "c", ""}));
    window->ChooseResultTab(1);  // no rows: an empty grid, and the statement's line below
    EXPECT_EQ(grid.Rows(), 2);
    EXPECT_EQ(grid.TextMatrix(0, 1), QString());
    EXPECT_EQ(window->StatusLine()->Text(), window->Messages()->Lines()->item(1)->text());
    window->ChooseResultTab(3);
    EXPECT_TRUE(grid.isHidden());
    EXPECT_TRUE(window->Messages()->isVisible());
    window->ChooseResultTab(2);
    EXPECT_FALSE(grid.isHidden());
    EXPECT_EQ(Column(grid, 1), (QStringList{"s", "x", ""}));
    window->Unload();
    Settle();
    if (GetParam().DropDatabase) GetParam().DropDatabase(*cnn);
}

INSTANTIATE_TEST_SUITE_P(Routes, ResultTabsRouteTest,
                         ::testing::ValuesIn(tbn::test::AllProviderRoutes()),
                         [](const ::testing::TestParamInfo<ProviderRoute>& info) {
                             return info.param.Name;
                         });

TEST_F(ResultTabsTest, ATabShowsItsRowSetSizedAndKeepsItsWidthsAndTheKeysMoveBetweenTabs) {
    frmMain* window = Open();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    window->QueryText().SetText("SELECT n, s AS a_rather_long_column_name FROM t;\r\n"
                                "SELECT 'short' AS x");
    ASSERT_TRUE(ExecuteAndWait(*window));
    tbn::grid::FlexGrid& grid = *window->FlexWidget();
    const int shortWidth = grid.ColWidth(1);
    window->ChooseResultTab(0);
    EXPECT_EQ(grid.TextMatrix(0, 2), QStringLiteral("a_rather_long_column_name"));
    EXPECT_GT(grid.ColWidth(2), shortWidth);  // sized for its own texts
    grid.SetColWidth(1, 2345);
    window->rtfQueryWidget()->setFocus();
    QTest::keyClick(window->rtfQueryWidget(), Qt::Key_PageDown,
                    Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(window->ResultTabs()->currentIndex(), 1);
    EXPECT_EQ(grid.TextMatrix(1, 1), QStringLiteral("short"));
    QTest::keyClick(window->rtfQueryWidget(), Qt::Key_PageUp,
                    Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(window->ResultTabs()->currentIndex(), 0);
    EXPECT_EQ(grid.ColWidth(1), 2345);
}

TEST_F(ResultTabsTest, AFailureInTheSecondKeepsTheFirstTabAndTheGridAsAFailedRunLeavesIt) {
    frmMain* window = Open();
    window->QueryText().SetText("SELECT 'before' AS b");
    ASSERT_TRUE(ExecuteAndWait(*window));
    boxes->Answer(tbn::ui::vbOK);
    window->QueryText().SetText(
        "SELECT n FROM t;\r\nSELECT missing FROM nowhere;\r\nDELETE FROM t");
    ASSERT_TRUE(ExecuteAndWait(*window));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("no such table: nowhere")))
        << boxes->Last().title.toStdString() << " / " << boxes->Last().prompt.toStdString();
    const QStringList tabs = TabTexts(*window);
    ASSERT_EQ(tabs.size(), 3) << tabs.join(" | ").toStdString();
    EXPECT_TRUE(TabSays(tabs[0], 1, "3 rows")) << tabs[0].toStdString();
    EXPECT_TRUE(TabSays(tabs[1], 2, "failed")) << tabs[1].toStdString();
    ASSERT_EQ(window->Messages()->Lines()->count(), 2);
    // Its line says where once, as the box did, and leads the caret there.
    QListWidgetItem* failed = window->Messages()->Lines()->item(1);
    EXPECT_EQ(failed->text().count(QStringLiteral("(line 2, column")), 1)
        << failed->text().toStdString();
    window->QueryText().SetSelStart(0);
    emit window->Messages()->Lines()->itemClicked(failed);
    EXPECT_EQ(window->QueryText().SelText(), QStringLiteral("nowhere"));
    // The previous run's result stays, as after any failed run.
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("before"));
    EXPECT_TRUE(
        window->StatusLine()->Text().endsWith(QStringLiteral("showing the previous result")));
    window->ChooseResultTab(0);
    EXPECT_EQ(window->FlexWidget()->TextMatrix(3, 1), QStringLiteral("3"));
    // The delete never ran.
    window->QueryText().SetText("SELECT count(*) FROM t");
    ASSERT_TRUE(ExecuteAndWait(*window));
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("3"));
    EXPECT_TRUE(window->ResultTabs()->isHidden());  // a single statement brings no tabs
}

TEST_F(ResultTabsTest, TabsAppearWhileTheRunGoesOnAndACancelInTheThirdKeepsTheFirstTwo) {
    frmMain* window = Open();
    window->QueryText().SetText("SELECT 'before' AS b");
    ASSERT_TRUE(ExecuteAndWait(*window));
    window->QueryText().SetText(
        "SELECT n FROM t; UPDATE t SET s = 'y';\r\nWITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
        "SELECT x + 1 FROM c) SELECT count(*) FROM c WHERE x < 2000000000");
    window->ExecuteQuery();
    QElapsedTimer waited;
    waited.start();
    while (window->ResultTabs()->count() < 3 && waited.elapsed() < 30000) QTest::qWait(10);
    ASSERT_TRUE(window->Running());
    ASSERT_EQ(window->ResultTabs()->count(), 3);  // two statements and Messages
    // A row set can be looked at while the run goes on.
    window->ChooseResultTab(0);
    EXPECT_EQ(window->FlexWidget()->TextMatrix(2, 1), QStringLiteral("2"));
    window->CancelQuery();
    ASSERT_TRUE(WaitForRun(*window));
    EXPECT_EQ(boxes->Count(), 0u);
    const QStringList tabs = TabTexts(*window);
    ASSERT_GE(tabs.size(), 3) << tabs.join(" | ").toStdString();
    EXPECT_TRUE(TabSays(tabs[0], 1, "3 rows")) << tabs[0].toStdString();
    EXPECT_TRUE(TabSays(tabs[1], 2, "3 rows changed")) << tabs[1].toStdString();
    // Each line names its own statement, though two share a line of text.
    const QString first = window->Messages()->Lines()->item(0)->text();
    EXPECT_TRUE(first.contains(QStringLiteral("SELECT n FROM t")) &&
                !first.contains(QStringLiteral("UPDATE")))
        << first.toStdString();
    // The cancelled statement brought no rows: the grid ends as a cancelled run leaves it.
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("before"));
    EXPECT_TRUE(
        window->StatusLine()->Text().endsWith(QStringLiteral("showing the previous result")))
        << window->StatusLine()->Text().toStdString();
    window->ChooseResultTab(0);
    EXPECT_EQ(window->FlexWidget()->TextMatrix(2, 1), QStringLiteral("2"));
}
