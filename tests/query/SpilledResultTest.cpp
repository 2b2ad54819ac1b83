// A result kept partly on disk reads exactly as the same result kept in memory, through everything
// a window does with the whole of it: the grid's cells, Ctrl+Shift+End and copy, the cell viewer,
// a sort and an export.
#include "OutFolder.h"
#include "grid/FlexGrid.h"
#include "query/CellViewer.h"
#include "results/MemoryBudget.h"
#include "support/QueryWindowFixture.h"
#include "support/ScriptedFileDialog.h"
#include "ui/Clipboard.h"
#include "ui/Modal.h"
#include "ui/TextBox.h"

#include <QPlainTextEdit>
#include <QCryptographicHash>
#include <QTest>

namespace MemoryBudget = tbn::results::MemoryBudget;
using tbn::test::QueryWindowFixture;

namespace {

// Whole texts, each kept as its digest: the result is large enough to fill a spilled block, and
// two copies of every form of it would be too much memory for a test.
struct Seen {
    QByteArray cells;
    QByteArray copy;
    QString viewed;
    QByteArray csv;
    QByteArray sorted;
    std::size_t spilled = 0;
};

QByteArray Digest(QByteArrayView bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QByteArray AllCells(const tbn::grid::FlexGrid& grid) {
    QCryptographicHash all(QCryptographicHash::Sha256);
    for (std::int64_t r = 0; r < grid.Rows(); ++r)
        for (std::int64_t c = 0; c < grid.Cols(); ++c) {
            const std::string_view text = grid.CellBytes(r, c);
            all.addData(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
            all.addData(grid.IsNull(r, c) ? QByteArrayView("\x01\n") : QByteArrayView("\x02\n"));
        }
    return all.result();
}

class BudgetScope {
public:
    explicit BudgetScope(std::size_t bytes) { MemoryBudget::SetLimit(bytes); }
    ~BudgetScope() { MemoryBudget::SetLimit(before_); }
    BudgetScope(const BudgetScope&) = delete;
    BudgetScope& operator=(const BudgetScope&) = delete;

private:
    std::size_t before_ = MemoryBudget::Limit();
};

}  // namespace

class SpilledResultTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        // 200,000 rows of mixed values: text with characters of several bytes, numbers, nulls
        // and binary values, in an order no column follows; wide enough (about 140 MB) to seal a
        // full-sized row block, which a budget of a few megabytes sends to disk.
        window = OpenWindow(
            QStringLiteral("spilled"),
            MakeDatabase(QStringLiteral("s.db"),
                         "CREATE TABLE t AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL "
                         "SELECT x + 1 FROM n WHERE x < 200000) SELECT x AS id, "
                         "printf('Größe %d été', x * 7919 % 200003) AS label, "
                         "CASE WHEN x % 7 = 0 THEN NULL ELSE (x * 37 % 1000) / 8.0 END AS amount, "
                         "CAST(printf('%08x', x * 2654435761 % 4294967296) AS BLOB) AS bytes, "
                         "printf('%660d', x * 31 % 200003) AS wide "
                         "FROM n;"));
        out = std::make_unique<tbn::test::OutFolder>(dir.path(), QStringLiteral("r.csv"));
        tbn::ui::SetModalResponder([this](QDialog& dialog) {
            viewed += dynamic_cast<tbn::query::CellViewer&>(dialog).TextPane()->toPlainText();
            return 0;
        });
    }
    void TearDown() override {
        tbn::ui::SetModalResponder({});
        QueryWindowFixture::TearDown();
    }

    Seen RunAndLook(const QString& csvName) {
        window->QueryText().SetText(QStringLiteral("SELECT * FROM t"));
        EXPECT_TRUE(tbn::test::ExecuteAndWait(*window));
        tbn::grid::FlexGrid& grid = *window->FlexWidget();
        Seen seen;
        seen.spilled = grid.View(0).store->SpilledBytes();
        seen.cells = AllCells(grid);

        grid.setFocus();
        grid.SetRow(1);
        grid.SetCol(1);
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        window->QueryCopy();
        const QString copy = tbn::ui::Clipboard::GetText();
        copyLength = copy.size();
        seen.copy =
            Digest(QByteArrayView(reinterpret_cast<const char*>(copy.utf16()), copy.size() * 2));

        // Cells near the start, which the first blocks sealed hold, and near the end.
        viewed.clear();
        for (const std::int64_t row : {100, 5000, 190000}) {
            grid.SetRow(row);
            grid.SetCol(2);
            QTest::keyClick(&grid, Qt::Key_F2, Qt::ShiftModifier);
        }
        seen.viewed = viewed;

        tbn::test::ScriptedFileDialog files;
        const QString csv = out->folder + QLatin1Char('/') + csvName;
        files.Choose({csv}, 1);
        window->ExportResults();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->Exporting(); }, 60000));
        const QByteArray written = out->Read(csv);
        csvLength = written.size();
        seen.csv = Digest(written);

        window->SortGrid(2, Qt::DescendingOrder);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->Sorting(); }, 60000));
        seen.sorted = AllCells(grid);
        return seen;
    }

    frmMain* window = nullptr;
    std::unique_ptr<tbn::test::OutFolder> out;
    QString viewed;
    qsizetype copyLength = 0;
    qsizetype csvLength = 0;
};

TEST_F(SpilledResultTest, ASpilledResultReadsAsTheSameResultInMemory) {
    const Seen inMemory = RunAndLook(QStringLiteral("memory.csv"));
    ASSERT_EQ(inMemory.spilled, 0u);
    EXPECT_GT(copyLength, 100000000);  // everything was copied and exported, not a part
    EXPECT_GT(csvLength, 100000000);
    Seen spilled;
    {
        const BudgetScope small(std::size_t{4} << 20);
        spilled = RunAndLook(QStringLiteral("spilled.csv"));
    }
    EXPECT_GT(spilled.spilled, std::size_t{100} << 20);
    EXPECT_EQ(spilled.cells, inMemory.cells);
    EXPECT_EQ(spilled.copy, inMemory.copy);
    EXPECT_EQ(spilled.viewed, inMemory.viewed);
    EXPECT_FALSE(inMemory.viewed.isEmpty());
    EXPECT_EQ(spilled.csv, inMemory.csv);
    EXPECT_EQ(spilled.sorted, inMemory.sorted);
    EXPECT_NE(inMemory.sorted, inMemory.cells);
}
