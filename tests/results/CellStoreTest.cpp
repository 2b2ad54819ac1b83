#include "results/CellStore.h"
#include "support/ErrorNumber.h"

#include "core/Error.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

using tbn::results::CellStore;
using tbn::results::RowValues;

namespace {

using Values = std::vector<std::optional<std::string_view>>;
using Reference = std::vector<std::vector<std::string>>;

using tbn::test::ErrorNumberOf;

void ExpectSame(const CellStore& store, const Reference& reference) {
    ASSERT_EQ(store.Rows(), static_cast<std::int64_t>(reference.size()));
    for (std::size_t r = 0; r < reference.size(); ++r)
        for (std::size_t c = 0; c < reference[r].size(); ++c)
            ASSERT_EQ(store.Cell(static_cast<std::int64_t>(r), static_cast<std::int64_t>(c)),
                      reference[r][c])
                << "row " << r << " col " << c;
}

// Now and then a value too long for a row of 1-byte or of 2-byte cell ends.
std::string TextFor(std::mt19937& random) {
    static const char* const samples[] = {
        "", "x", "héllo", "Grüße, 日本", "12345.678", "a longer value with spaces"};
    const unsigned pick = random() % 1000;
    if (pick == 0) return std::string(70000, 'w');
    if (pick < 8) return std::string(300, 'm');
    return samples[pick % std::size(samples)];
}

// GCC 12 warns falsely about `"literal" + std::to_string(n)` at -O3.
std::string Numbered(const char* prefix, int number) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%d", prefix, number);
    return text;
}

}  // namespace

TEST(CellStore, CellsOfTailAndStoredRowsRoundTrip) {
    CellStore store(5, 3);
    store.SetCell(0, 1, "name");
    store.SetCell(1, 0, "1");
    store.SetCell(1, 2, "ünï");
    store.SetCell(4, 2, "far");           // beyond the stored rows
    store.SetCell(0, 2, "later header");  // a stored row that is no longer the last one
    store.SetCell(1, 0, "");
    EXPECT_EQ(store.Cell(0, 1), "name");
    EXPECT_EQ(store.Cell(0, 2), "later header");
    EXPECT_EQ(store.Cell(1, 0), "");
    EXPECT_EQ(store.Cell(1, 2), "ünï");
    EXPECT_EQ(store.Cell(3, 1), "");
    EXPECT_EQ(store.Cell(4, 2), "far");
    store.Clear();
    EXPECT_EQ(store.Rows(), 5);
    EXPECT_EQ(store.Cols(), 3);
    EXPECT_EQ(store.Cell(0, 2), "");
    EXPECT_EQ(store.Cell(4, 2), "");
}

TEST(CellStore, RowWritesStartingAtAColumnLeaveOtherCellsAlone) {
    CellStore store(3, 4);
    store.SetCell(1, 3, "kept");
    const Values values{std::string_view("a"), std::nullopt};
    store.WriteRow(1, RowValues{1, values});
    EXPECT_EQ(store.Cell(1, 0), "");
    EXPECT_EQ(store.Cell(1, 1), "a");
    EXPECT_EQ(store.Cell(1, 2), "");
    EXPECT_EQ(store.Cell(1, 3), "kept");
}

// The filling shortcut must give what its two steps give, also when its conditions do not hold:
// a partial row, a row that is not the last, an override in the tail.
TEST(CellStore, WriteRowAndAppendEqualsWritingThenAppending) {
    CellStore fast(2, 3), steps(2, 3);
    const auto both = [&](const std::function<void(CellStore&)>& action) {
        action(fast);
        action(steps);
    };
    const auto fill = [&](std::int64_t row, const RowValues& values) {
        fast.WriteRowAndAppend(row, values);
        steps.WriteRow(row, values);
        steps.InsertRow(steps.Rows(), RowValues{});
    };
    both([](CellStore& store) { store.SetCell(0, 1, "head"); });
    const Values whole{std::string_view("1"), std::string_view("a"), std::nullopt};
    const Values tail{std::string_view("b"), std::string_view("c")};
    fill(1, RowValues{0, whole});
    fill(2, RowValues{1, tail});
    fill(1, RowValues{0, whole});
    fill(3, RowValues{0, whole});  // the first unstored row, but not the last row
    both([](CellStore& store) {
        store.SetRows(store.Rows() + 5000);
        store.SetCell(store.Rows() - 2, 2, "far");
    });
    fill(fast.Rows() - 1, RowValues{0, whole});
    fill(fast.Rows() - 1, RowValues{0, tail});
    ASSERT_EQ(fast.Rows(), steps.Rows());
    for (std::int64_t r = 0; r < fast.Rows(); ++r)
        for (std::int64_t c = 0; c < 3; ++c)
            ASSERT_EQ(fast.Cell(r, c), steps.Cell(r, c)) << r << "," << c;
    EXPECT_EQ(fast.Cell(fast.Rows() - 4, 2), "far");
    EXPECT_EQ(fast.Cell(3, 1), "a");
}

TEST(CellStore, IndexesOutOfRangeRaise381AndNegativeCounts380) {
    CellStore store(2, 2);
    const Values three{std::string_view("a"), std::string_view("b"), std::string_view("c")};
    EXPECT_EQ(ErrorNumberOf([&] { (void)store.Cell(2, 0); }), 381);
    EXPECT_EQ(ErrorNumberOf([&] { (void)store.Cell(0, -1); }), 381);
    EXPECT_EQ(ErrorNumberOf([&] { store.SetCell(0, 2, "x"); }), 381);
    EXPECT_EQ(ErrorNumberOf([&] { store.RemoveRow(2); }), 381);
    EXPECT_EQ(ErrorNumberOf([&] { store.InsertRow(3, RowValues{}); }), 381);
    EXPECT_EQ(ErrorNumberOf([&] { store.WriteRow(0, RowValues{0, three}); }), 381);
    EXPECT_EQ(ErrorNumberOf([&] { store.SetRows(-1); }), 380);
    EXPECT_EQ(ErrorNumberOf([&] { store.SetCols(-1); }), 380);
    EXPECT_EQ(store.Rows(), 2);
}

TEST(CellStore, ColumnCountChangeKeepsRemainingColumns) {
    CellStore store(3, 3);
    for (std::int64_t r = 0; r < 3; ++r)
        for (std::int64_t c = 0; c < 3; ++c) store.SetCell(r, c, std::to_string(r * 10 + c));
    store.SetCols(2);
    store.SetCols(4);
    EXPECT_EQ(store.Cell(2, 1), "21");
    EXPECT_EQ(store.Cell(1, 0), "10");
    EXPECT_EQ(store.Cell(2, 2), "");
    EXPECT_EQ(store.Cell(2, 3), "");
}

// Random edits over more rows than one block holds, so inserts split blocks and removals empty
// them, checked cell by cell against a plain table.
TEST(CellStore, RandomEditsAcrossBlocksMatchAPlainTable) {
    std::mt19937 random(12345);
    constexpr std::int64_t cols = 3;
    CellStore store(1, cols);
    Reference reference(1, std::vector<std::string>(cols));
    for (int r = 0; r < 70000; ++r) {
        std::vector<std::string> row{std::to_string(r), TextFor(random), TextFor(random)};
        const Values values(row.begin(), row.end());
        store.WriteRow(store.Rows() - 1, RowValues{0, values});
        store.InsertRow(store.Rows(), RowValues{});
        reference.back() = row;
        reference.emplace_back(cols);
    }
    // A filled store gives its spare capacity back; every edit after that still lands.
    store.ReleaseSpare();
    for (int step = 0; step < 600; ++step) {
        const auto rows = static_cast<std::int64_t>(reference.size());
        const auto at = static_cast<std::int64_t>(random() % static_cast<unsigned>(rows));
        switch (random() % 5) {
        case 0: {
            std::vector<std::string> row{TextFor(random), TextFor(random), TextFor(random)};
            const Values values(row.begin(), row.end());
            store.InsertRow(at, RowValues{0, values});
            reference.insert(reference.begin() + at, row);
            break;
        }
        case 1:
            store.RemoveRow(at);
            reference.erase(reference.begin() + at);
            break;
        case 2: {
            const std::string text = TextFor(random);
            const auto col = static_cast<std::int64_t>(random() % cols);
            store.SetCell(at, col, text);
            reference[static_cast<std::size_t>(at)][static_cast<std::size_t>(col)] = text;
            break;
        }
        case 3: {
            const auto grown = rows + static_cast<std::int64_t>(random() % 3);
            store.SetRows(grown);
            reference.resize(static_cast<std::size_t>(grown), std::vector<std::string>(cols));
            break;
        }
        default: store.InsertRow(rows, RowValues{}); reference.emplace_back(cols);
        }
    }
    ExpectSame(store, reference);
    store.SetRows(40000);
    reference.resize(40000);
    ExpectSame(store, reference);
}

// Rows longer than narrow cell ends can span, met while filling, inserted into the middle of a
// block of short rows, written over the last row and removed again.
TEST(CellStore, RowsOfEveryLengthKeepTheirCells) {
    constexpr std::int64_t cols = 3;
    const std::string medium(300, 'm'), wide(70000, 'w'), huge(1000000, 'h');
    CellStore store(0, cols);
    Reference reference;
    const auto append = [&](std::vector<std::string> row) {
        const Values values(row.begin(), row.end());
        store.InsertRow(store.Rows(), RowValues{0, values});
        reference.push_back(std::move(row));
    };
    const auto insert = [&](std::int64_t at, std::vector<std::string> row) {
        const Values values(row.begin(), row.end());
        store.InsertRow(at, RowValues{0, values});
        reference.insert(reference.begin() + at, std::move(row));
    };
    // Past the first block, whose rows are short, so later blocks start with 1-byte ends.
    for (int r = 0; r < 70000; ++r) append({std::to_string(r), "short", ""});
    append({medium, "after", "a medium row"});
    // Every short length, with no two bytes alike, so a cell copied from a wrong offset shows.
    const std::string digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (std::size_t n = 0; n <= 20; ++n) append({digits.substr(0, n), digits.substr(n, 17), ""});
    for (int r = 0; r < 100; ++r) append({"x", std::to_string(r), "y"});
    append({"", wide, "z"});
    append({huge, "", medium});
    for (int r = 0; r < 100; ++r) append({std::to_string(r), "", "tail"});
    insert(67000, {"", "", medium});
    insert(66000, {wide, "", ""});
    insert(10, {huge, "", ""});
    ExpectSame(store, reference);

    store.SetCell(store.Rows() - 1, 1, wide);
    reference.back()[1] = wide;
    store.SetCell(70000, 2, huge);  // no longer the last row
    reference[70000][2] = huge;
    store.RemoveRow(10);
    reference.erase(reference.begin() + 10);
    store.RemoveRow(66000);  // the long row inserted into the block of short ones
    reference.erase(reference.begin() + 66000);
    ExpectSame(store, reference);
}

TEST(CellStore, ClearThenRemovingEveryRowBelowTheFirstTwoIsCheap) {
    CellStore store(1, 7);
    const std::string text(10, 'v');
    const Values values(7, std::string_view(text));
    for (int r = 0; r < 100000; ++r) {
        store.WriteRow(store.Rows() - 1, RowValues{0, values});
        store.InsertRow(store.Rows(), RowValues{});
    }
    store.Clear();
    // Empty rows cost nothing to remove, whatever their number.
    while (store.Rows() > 2) store.RemoveRow(2);
    EXPECT_EQ(store.Rows(), 2);
    EXPECT_EQ(store.BytesUsed(), 0u);
}

TEST(CellStore, ManyRowsCostLittleMoreThanTheirText) {
    // 200,000 rows of seven cells, about 61 bytes of text a row like a typical result.
    constexpr int rows = 200000;
    CellStore store(1, 7);
    std::size_t textBytes = 0;
    for (int r = 1; r <= rows; ++r) {
        const std::string number = std::to_string(r);
        const std::string name = Numbered("name ", r * 7);
        const Values values{std::string_view(number),       std::string_view(name),
                            std::string_view("2024-01-15"), std::string_view("some description"),
                            std::string_view("12.5"),       std::nullopt,
                            std::string_view("ok")};
        for (const auto& value : values) textBytes += value ? value->size() : 0;
        store.WriteRow(store.Rows() - 1, RowValues{0, values});
        store.InsertRow(store.Rows(), RowValues{});
    }
    EXPECT_LT(static_cast<double>(store.BytesUsed()), 1.3 * static_cast<double>(textBytes));
    EXPECT_EQ(store.Cell(rows - 1, 1), Numbered("name ", rows * 7));
    EXPECT_EQ(store.Cell(rows - 1, 5), "");
    EXPECT_EQ(store.Cell(rows, 1), "");
}

TEST(CellStore, NullsAndKindsStayWithTheirCellsThroughEveryEdit) {
    using tbn::core::ValueKind;
    CellStore store(1, 3);
    const std::optional<std::string_view> null;
    const std::vector<ValueKind> kinds{ValueKind::Number, ValueKind::Text, ValueKind::Binary};
    const Values values{std::string_view("x"), null, std::string_view("")};
    for (int r = 0; r < 3; ++r) store.WriteRowAndAppend(r, RowValues{0, values, kinds});
    // A cell's mark: '-' for a null, else its kind; ReadRow must agree with the cell by cell reads.
    auto marksOf = [&store](std::int64_t row) {
        std::string marks;
        std::vector<tbn::results::CellValue> read(static_cast<std::size_t>(store.Cols()));
        store.ReadRow(row, 0, read);
        for (std::int64_t c = 0; c < store.Cols(); ++c) {
            const auto& cell = read[static_cast<std::size_t>(c)];
            EXPECT_TRUE(cell.text == store.Cell(row, c) && cell.null == store.IsNull(row, c) &&
                        cell.kind == store.Kind(row, c))
                << "row " << row << " col " << c;
            marks += store.IsNull(row, c) ? '-' : "tnb"[static_cast<int>(store.Kind(row, c))];
        }
        return marks;
    };
    EXPECT_EQ(store.Cell(1, 1), "");
    EXPECT_EQ(marksOf(1), "n-b");
    EXPECT_EQ(marksOf(3), "ttt");  // the empty row below the last record

    const Values firstNull{null, std::string_view("y")};
    const std::vector<ValueKind> firstKinds{ValueKind::Text, ValueKind::Binary};
    store.InsertRow(1, RowValues{0, firstNull, firstKinds});  // moves the rows below
    EXPECT_EQ(marksOf(1), "-bt");
    EXPECT_EQ(marksOf(2), "n-b");
    store.SetCell(2, 1, "");  // written: empty text, no longer null, Text
    store.SetCell(3, 2, "");  // the last stored row is rewritten; its other cells stay as they were
    EXPECT_EQ(marksOf(2), "ntb");
    EXPECT_EQ(marksOf(3), "n-t");
    store.RemoveRow(0);
    store.SetCols(5);
    EXPECT_EQ(marksOf(0), "-bttt");
    EXPECT_EQ(marksOf(2), "n-ttt");

    store.SetRows(100000);
    store.WriteRow(90000, RowValues{2, firstNull, firstKinds});  // far below the stored rows
    EXPECT_EQ(marksOf(90000), "tt-bt");
    EXPECT_EQ(store.Cell(90000, 3), "y");
    store.WriteRow(1, RowValues{1, values, kinds});  // a stored row, not the last one
    EXPECT_EQ(marksOf(1), "nn-bt");
}

namespace {
// Row r of a filled result: a number, a null every seventh row, a kind, a text long enough now
// and then to need wider cell ends.
struct FilledRow {
    std::string number, text;
    Values values;
    std::vector<tbn::core::ValueKind> kinds{tbn::core::ValueKind::Number,
                                            tbn::core::ValueKind::Text, tbn::core::ValueKind::Text};
    explicit FilledRow(int r)
        : number(std::to_string(r)),
          text(r % 1000 == 0 ? std::string(300, 'w') : Numbered("v", r)) {
        values = {std::string_view(number), std::string_view(text),
                  r % 7 == 0 ? std::nullopt : std::optional<std::string_view>("x")};
    }
};

// Whether rows [from, stored) of the store are those FilledRow gives, through ReadRow and
// RowReader.
void ExpectFilledRows(const CellStore& store, std::int64_t from, std::int64_t stored) {
    std::vector<tbn::results::CellValue> read(3), walked(3);
    CellStore::RowReader reader(store);
    for (std::int64_t r = from; r < stored; ++r) {
        const FilledRow row(static_cast<int>(r));
        store.ReadRow(r, 0, read);
        reader.Read(r, 0, walked);
        for (std::size_t c = 0; c < 3; ++c) {
            ASSERT_EQ(read[c].text, row.values[c].value_or(""));
            ASSERT_EQ(read[c].null, !row.values[c].has_value());
            ASSERT_EQ(read[c].kind, row.kinds[c]);
            ASSERT_TRUE(walked[c].text == read[c].text && walked[c].null == read[c].null &&
                        walked[c].kind == read[c].kind)
                << r << "," << c;
        }
    }
}
}  // namespace

TEST(CellStore, SharesTakenWhileFillingHoldExactlyTheRowsStoredSoFar) {
    constexpr int rows = 60000;  // past the first block
    CellStore store(2, 3);
    const Values header{std::string_view("id"), std::string_view("name"), std::string_view("n")};
    store.WriteRow(0, RowValues{0, header});
    std::atomic<bool> done = false;
    std::thread filler([&] {
        for (int r = 1; r <= rows; ++r) {
            const FilledRow row(r);
            store.WriteRowAndAppend(r, RowValues{0, row.values, row.kinds});
        }
        done = true;
    });
    int shares = 0;
    std::int64_t seen = 0;
    while (!done || seen < rows + 1) {
        const std::shared_ptr<CellStore> share = store.ShareStored();
        const std::int64_t stored = share->Rows() - 1;
        ASSERT_GE(stored, seen);
        ASSERT_LE(stored, store.StoredRows());
        ASSERT_EQ(share->Cols(), 3);
        ASSERT_EQ(share->Cell(0, 1), "name");
        ExpectFilledRows(*share, std::max<std::int64_t>(seen - 1, 1), stored);
        EXPECT_EQ(share->Cell(stored, 0), "");
        seen = stored;
        ++shares;
    }
    filler.join();
    EXPECT_GT(shares, 1);
    EXPECT_EQ(store.ShareStored()->BytesUsed(), store.BytesUsed());
}

TEST(CellStore, AChangeToAShareLeavesTheFillingStoreAsItWas) {
    CellStore store(1, 3);
    for (int r = 0; r < 20000; ++r) {
        const FilledRow row(r);
        store.WriteRowAndAppend(r, RowValues{0, row.values, row.kinds});
    }
    const std::shared_ptr<CellStore> share = store.ShareStored();
    const std::shared_ptr<CellStore> untouched = store.ShareStored();
    const Values other{std::string_view("a"), std::string_view("b"), std::string_view("c")};
    share->WriteRowAndAppend(20000, RowValues{0, other});
    share->SetCell(19999, 1, "changed");
    share->RemoveRow(5);
    const FilledRow next(20000);
    store.WriteRowAndAppend(20000, RowValues{0, next.values, next.kinds});
    EXPECT_EQ(share->Rows(), 20001);
    EXPECT_EQ(share->Cell(19998, 1), "changed");
    EXPECT_EQ(share->Cell(19999, 2), "c");
    EXPECT_EQ(store.Rows(), 20002);
    ExpectFilledRows(store, 0, 20001);
    EXPECT_EQ(untouched->Rows(), 20001);
    ExpectFilledRows(*untouched, 0, 20000);
    EXPECT_EQ(untouched->Cell(20000, 0), "");
}
