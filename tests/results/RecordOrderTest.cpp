#include "results/RecordOrder.h"

#include <QCollator>
#include <QLocale>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using tbn::results::CellStore;
using tbn::results::NumberSortKey;
using tbn::results::SortDirection;
using tbn::results::SortRecords;

namespace {

using tbn::core::ValueKind;
using Cell = std::pair<std::optional<std::string_view>, ValueKind>;

// One column of records, after the header row, as a grid lays out a result: store row 1 + r.
CellStore ColumnOf(const std::vector<Cell>& cells) {
    CellStore store(1, 2);
    for (std::size_t r = 0; r < cells.size(); ++r) {
        const std::optional<std::string_view> row[] = {std::string_view("#"), cells[r].first};
        const ValueKind kinds[] = {ValueKind::Number, cells[r].second};
        store.InsertRow(static_cast<std::int64_t>(r) + 1, tbn::results::RowValues{0, row, kinds});
    }
    return store;
}

Cell TextCell(std::string_view text) { return {text, ValueKind::Text}; }
Cell NumberCell(std::string_view text) { return {text, ValueKind::Number}; }
Cell BinaryCell(std::string_view hex) { return {hex, ValueKind::Binary}; }
const Cell kNull{std::nullopt, ValueKind::Text};

}  // namespace

TEST(RecordOrder, NumberKeysOrderByExactValue) {
    // Ascending; the numbers within a group are equal.
    const std::vector<std::vector<std::string_view>> groups = {
        {"-Infinity", "-inf"},
        {"-1e3", "-1000", "-1000.000", "-0.1E+4"},
        {"-9.75"},
        {"-0.5", "-.5"},
        {"0", "-0", "0.000", "0e10", "+0"},
        {"1e-20"},
        {"9.75"},
        {"10.5", "1.05e1"},
        {"9007199254740992"},
        {"9007199254740993"},  // one past what a double holds exactly
        {"12345678901234567890123456789"},
        {"1.5E300"},
        {"Infinity", "inf", "+INF"},
        {"NaN", "nan"},
    };
    for (std::size_t i = 0; i < groups.size(); ++i)
        for (std::size_t j = 0; j < groups.size(); ++j)
            for (const std::string_view a : groups[i])
                for (const std::string_view b : groups[j]) {
                    const auto keyA = NumberSortKey(a);
                    const auto keyB = NumberSortKey(b);
                    ASSERT_TRUE(keyA && keyB) << a << " " << b;
                    // Bytes compare unsigned, as std::string_view does.
                    const int order = std::string_view(*keyA).compare(*keyB);
                    EXPECT_EQ(order < 0, i < j) << a << " vs " << b;
                    EXPECT_EQ(order == 0, i == j) << a << " vs " << b;
                }
    for (const std::string_view text :
         {"", "-", ".", "e5", "1e", "1e+", "1.2.3", "12abc", "0x1F", " 1", "1 ", "--1", "infinit"})
        EXPECT_FALSE(NumberSortKey(text)) << text;
}

TEST(RecordOrder, NullsNumbersTextThenBinaryAndStableBothWays) {
    // Ties between records 2 and 5 (10), 3 and 6 (null), 4 and 7 ("b"); the text "9" and the
    // binary 00FF are no numbers, and a number the kind says is one but written otherwise is
    // ordered as text.
    const CellStore store =
        ColumnOf({TextCell("b0"), NumberCell("10"), kNull, TextCell("b"), NumberCell("10"), kNull,
                  TextCell("b"), NumberCell("-2"), BinaryCell("00FF"), TextCell("9"),
                  BinaryCell("0F"), NumberCell("$3")});
    const auto ascending = SortRecords(store, 12, 1, SortDirection::Ascending);
    const auto descending = SortRecords(store, 12, 1, SortDirection::Descending);
    ASSERT_TRUE(ascending && descending);
    EXPECT_EQ(*ascending, (std::vector<std::int64_t>{3, 6, 8, 2, 5, 12, 10, 4, 7, 1, 9, 11}));
    EXPECT_EQ(*descending, (std::vector<std::int64_t>{11, 9, 1, 4, 7, 10, 12, 2, 5, 8, 3, 6}));
    EXPECT_EQ(SortRecords(store, 0, 1, SortDirection::Ascending)->size(), 0U);
}

TEST(RecordOrder, ASetCancelFlagStopsTheSort) {
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i) texts.push_back(std::to_string(i * 7919 % 20000));
    std::vector<Cell> cells;
    for (const std::string& text : texts) cells.push_back(NumberCell(text));
    const CellStore store = ColumnOf(cells);
    const std::atomic<bool> cancel{true};
    EXPECT_FALSE(SortRecords(store, 20000, 1, SortDirection::Ascending, &cancel));
}

TEST(RecordOrder, TextFollowsTheUsersLocaleNotTheBytes) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const CellStore store =
        ColumnOf({TextCell("ecstatic"), TextCell("Banana"), TextCell("éclair"), TextCell("apple")});
    const auto order = SortRecords(store, 4, 1, SortDirection::Ascending);
    QLocale::setDefault(before);
    ASSERT_TRUE(order);
    EXPECT_EQ(*order, (std::vector<std::int64_t>{4, 2, 3, 1}));
}

TEST(RecordOrder, ALongTextColumnSortsInRunsThatMergeStableBothWays) {
    // More records than one run of keys holds, few distinct texts: most ties fall between runs.
    constexpr std::int64_t kRecords = 400000;
    std::vector<std::string> texts;
    for (std::int64_t r = 0; r < kRecords; ++r)
        texts.push_back((r % 3 ? "Word " : "word ") + std::to_string(r * 7919 % 41));
    std::vector<Cell> cells;
    for (const std::string& text : texts) cells.push_back(TextCell(text));
    const CellStore store = ColumnOf(cells);
    QCollator collator;
    collator.setNumericMode(false);
    for (const SortDirection direction : {SortDirection::Ascending, SortDirection::Descending}) {
        const auto order = SortRecords(store, kRecords, 1, direction);
        ASSERT_TRUE(order);
        ASSERT_EQ(order->size(), static_cast<std::size_t>(kRecords));
        for (std::size_t i = 1; i < order->size(); ++i) {
            const auto text = [&](std::size_t at) {
                return QString::fromStdString(texts[static_cast<std::size_t>((*order)[at] - 1)]);
            };
            int c = collator.compare(text(i - 1), text(i));
            if (direction == SortDirection::Descending) c = -c;
            ASSERT_TRUE(c < 0 || (c == 0 && (*order)[i - 1] < (*order)[i])) << "at " << i;
        }
    }
}
