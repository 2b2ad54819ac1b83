#include "results/RecordOrder.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

using tbn::results::CellStore;
using tbn::results::NumberSortKey;
using tbn::results::SortDirection;
using tbn::results::SortRecords;

namespace {

// One column of records, after the header row, as a grid lays out a result: store row 1 + r.
CellStore ColumnOf(const std::vector<std::optional<std::string_view>>& cells) {
    CellStore store(1, 2);
    for (std::size_t r = 0; r < cells.size(); ++r) {
        const std::optional<std::string_view> row[] = {std::string_view("#"), cells[r]};
        store.InsertRow(static_cast<std::int64_t>(r) + 1, tbn::results::RowValues{0, row});
    }
    return store;
}

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
    // Records 1..7: ties between 2 and 5 (10), 3 and 6 (null), 4 and 7 ("b").
    const CellStore store =
        ColumnOf({"b0", "10", std::nullopt, "b", "10", std::nullopt, "b", "-2"});
    const auto ascending = SortRecords(store, 8, 1, SortDirection::Ascending);
    const auto descending = SortRecords(store, 8, 1, SortDirection::Descending);
    ASSERT_TRUE(ascending && descending);
    EXPECT_EQ(*ascending, (std::vector<std::int64_t>{3, 6, 8, 2, 5, 4, 7, 1}));
    EXPECT_EQ(*descending, (std::vector<std::int64_t>{1, 4, 7, 2, 5, 8, 3, 6}));
    EXPECT_EQ(SortRecords(store, 0, 1, SortDirection::Ascending)->size(), 0U);
}

TEST(RecordOrder, ASetCancelFlagStopsTheSort) {
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i) texts.push_back(std::to_string(i * 7919 % 20000));
    std::vector<std::optional<std::string_view>> cells(texts.begin(), texts.end());
    const CellStore store = ColumnOf(cells);
    const std::atomic<bool> cancel{true};
    EXPECT_FALSE(SortRecords(store, 20000, 1, SortDirection::Ascending, &cancel));
}

TEST(RecordOrder, TextFollowsTheUsersLocaleNotTheBytes) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const CellStore store = ColumnOf({"ecstatic", "Banana", "éclair", "apple"});
    const auto order = SortRecords(store, 4, 1, SortDirection::Ascending);
    QLocale::setDefault(before);
    ASSERT_TRUE(order);
    EXPECT_EQ(*order, (std::vector<std::int64_t>{4, 2, 3, 1}));
}
