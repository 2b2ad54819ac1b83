#include "grid/FlexGrid.h"
#include "results/MemoryBudget.h"
#include "support/QueryWindowFixture.h"
#include "support/ScopedEnv.h"
#include "support/ScratchMount.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <optional>

namespace MemoryBudget = tbn::results::MemoryBudget;

namespace {
// About 140 MB of rows: past the first large row block, whose move to a 16 MB disk fails.
const QString kLargeResult = QStringLiteral(
    "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 135000) "
    "SELECT i, printf('%1000d', i) AS wide FROM s");

struct BudgetForTheTest {
    explicit BudgetForTheTest(std::size_t bytes) { MemoryBudget::SetLimit(bytes); }
    ~BudgetForTheTest() { MemoryBudget::SetLimit(saved); }
    std::size_t saved = MemoryBudget::Limit();
};
}  // namespace

class SpillRunTest : public tbn::test::QueryWindowFixture {};

TEST_F(SpillRunTest, AFullDiskStopsTheRunWithTheRowsSoFarShownAndTheWindowStillRuns) {
    tbn::test::ScratchMount disk(std::size_t{16} << 20);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    const tbn::test::ScopedEnv cache("XDG_CACHE_HOME", disk.path().toLocal8Bit().constData());
    std::optional<BudgetForTheTest> budget(std::in_place, std::size_t{4} << 20);
    frmMain* window = OpenWindow("big", MakeDatabase("big.db", "CREATE TABLE t(v);"));
    window->QueryText().SetText(kLargeResult);
    boxes->Answer(tbn::ui::vbOK);
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("#61 Disk full")))
        << boxes->Last().prompt.toStdString();
    EXPECT_TRUE(boxes->Last().prompt.contains(disk.path()));
    const tbn::grid::FlexGrid& grid = *window->FlexWidget();
    const std::int64_t records = grid.Rows() - 2;
    EXPECT_GT(records, 100000);
    EXPECT_EQ(grid.TextMatrix(0, 2), QStringLiteral("wide"));
    EXPECT_EQ(grid.TextMatrix(records, 1), QString::number(records));
    EXPECT_EQ(grid.TextMatrix(records, 2).trimmed(), QString::number(records));
    EXPECT_EQ(grid.TextMatrix(records + 1, 1), QString());

    budget.reset();
    window->QueryText().SetText(QStringLiteral("SELECT 7 AS seven"));
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    EXPECT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.TextMatrix(1, 1), QStringLiteral("7"));
}
