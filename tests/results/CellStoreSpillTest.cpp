#include "results/CellStore.h"
#include "results/MemoryBudget.h"
#include "support/ErrorNumber.h"
#include "support/ScopedEnv.h"
#include "support/ScratchMount.h"
#include "support/TempDir.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using tbn::results::CellStore;
using tbn::results::CellValue;
using tbn::results::RowValues;
namespace MemoryBudget = tbn::results::MemoryBudget;

namespace {

// Rows of about 1 KB, so a store passes its first large block (and seals it) in ~130,000 rows.
constexpr int kRowsPastALargeBlock = 135000;

class SmallBudget {
public:
    SmallBudget() : saved_(MemoryBudget::Limit()) { MemoryBudget::SetLimit(std::size_t{1} << 20); }
    ~SmallBudget() { MemoryBudget::SetLimit(saved_); }

private:
    std::size_t saved_;
};

struct SpillRow {
    std::string number, text;
    std::vector<std::optional<std::string_view>> values;
    std::vector<tbn::core::ValueKind> kinds{
        tbn::core::ValueKind::Number, tbn::core::ValueKind::Text, tbn::core::ValueKind::Binary};
    explicit SpillRow(int r) : number(std::to_string(r)), text(1000 + r % 50, char('a' + r % 26)) {
        values = {std::string_view(number), std::string_view(text),
                  r % 7 == 0 ? std::nullopt : std::optional<std::string_view>("b")};
    }
};

// Fills rows [from, rows) as a run does; stops at the first failure and returns it.
std::optional<tbn::Error> Fill(CellStore& store, int rows, int from = 0) {
    try {
        for (int r = from; r < rows; ++r) {
            const SpillRow row(r);
            store.WriteRowAndAppend(r, RowValues{0, row.values, row.kinds});
        }
    } catch (const tbn::Error& error) {
        return error;
    }
    return std::nullopt;
}

// Every cell of rows [0, rows) as written, through Cell/IsNull/Kind, ReadRow and a RowReader.
void ExpectRows(const CellStore& store, int rows) {
    std::vector<CellValue> read(3), walked(3);
    CellStore::RowReader reader(store);
    for (int r = 0; r < rows; ++r) {
        const SpillRow row(r);
        store.ReadRow(r, 0, read);
        reader.Read(r, 0, walked);
        for (std::size_t c = 0; c < 3; ++c) {
            const auto col = static_cast<std::int64_t>(c);
            ASSERT_EQ(store.Cell(r, col), row.values[c].value_or("")) << r << "," << c;
            ASSERT_EQ(store.IsNull(r, col), !row.values[c]);
            ASSERT_EQ(store.Kind(r, col), row.kinds[c]);
            ASSERT_TRUE(read[c].text == store.Cell(r, col) && read[c].null == !row.values[c] &&
                        read[c].kind == row.kinds[c]);
            ASSERT_TRUE(walked[c].text == read[c].text && walked[c].null == read[c].null &&
                        walked[c].kind == read[c].kind);
        }
    }
    ASSERT_EQ(store.Cell(rows, 1), "");
}

int OpenDescriptors() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files).size());
}

}  // namespace

TEST(CellStoreSpill, AStorePastTheBudgetReadsAsBeforeAndItsFileLeavesNoTrace) {
    const tbn::test::TempDir cache;
    const tbn::test::ScopedEnv xdg("XDG_CACHE_HOME", cache.path().toLocal8Bit().constData());
    const SmallBudget budget;
    const int descriptors = OpenDescriptors();
    {
        CellStore store(1, 3);
        ASSERT_FALSE(Fill(store, kRowsPastALargeBlock));
        EXPECT_GT(store.SpilledBytes(), std::size_t{128} << 20);
        EXPECT_LE(MemoryBudget::InMemory(), MemoryBudget::Limit());
        EXPECT_EQ(OpenDescriptors(), descriptors + 1);
        const QDir folder(cache.file(QStringLiteral("tbn")));
        EXPECT_TRUE(folder.exists());
        EXPECT_TRUE(
            folder.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
        ExpectRows(store, kRowsPastALargeBlock);
        // A change within a spilled block lands in a copy of it in memory.
        store.RemoveRow(0);
        store.InsertRow(0, RowValues{0, SpillRow(0).values, SpillRow(0).kinds});
        // Cut back into a spilled block and filled again: the new rows go to a new block.
        store.SetRows(50001);
        ASSERT_FALSE(Fill(store, kRowsPastALargeBlock, 50000));
        ExpectRows(store, kRowsPastALargeBlock);
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(MemoryBudget::InMemory(), 0U);
}

// A walk gives back the pages it has passed only where they can be read again from the file.
TEST(CellStoreSpill, AWalkOverRowsKeptInMemoryLeavesThemWhole) {
    CellStore store(1, 3);
    ASSERT_FALSE(Fill(store, kRowsPastALargeBlock));
    ASSERT_EQ(store.SpilledBytes(), 0U);
    std::vector<CellValue> cells(3);
    CellStore::RowReader reader(store);
    for (int r = 0; r < kRowsPastALargeBlock; ++r) reader.Read(r, 0, cells);
    ExpectRows(store, kRowsPastALargeBlock);
}

TEST(CellStoreSpill, AFullDiskStopsTheFillWith61AndKeepsEveryRowStored) {
    tbn::test::ScratchMount disk(std::size_t{16} << 20);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    const tbn::test::ScopedEnv xdg("XDG_CACHE_HOME", disk.path().toLocal8Bit().constData());
    const SmallBudget budget;
    CellStore store(1, 3);
    const std::optional<tbn::Error> failure = Fill(store, kRowsPastALargeBlock);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Number(), tbn::ErrorCode::DiskFull);
    EXPECT_NE(failure->Description().find(disk.path().toStdString()), std::string::npos)
        << failure->Description();
    const auto stored = static_cast<int>(store.StoredRows());
    EXPECT_GT(stored, 100000);
    EXPECT_EQ(store.Rows(), stored + 1);
    ExpectRows(store, stored);
}
