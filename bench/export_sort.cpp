// bench/export, sort section: the fill bench's million rows sorted by a text column and by a
// number column, as the header's pop-up menu does, each time against a baseline measured in the
// same run: a stable sort of the same cells as plain byte strings, the least any sort of them
// could cost. Target: each sort within a second.
#include "results/CellStore.h"
#include "results/RecordOrder.h"
#include "results/ResultView.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tbn::results::CellStore;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// The fill bench's rows: a row number, a key, a name, a date, an amount, a status, a null.
CellStore MakeResult(std::int64_t records) {
    constexpr int kFields = 6;
    CellStore store(2, kFields + 1);
    std::vector<std::optional<std::string_view>> values(kFields + 1);
    const char* const names[] = {"", "id", "name", "date", "amount", "status", "nothing"};
    for (int c = 0; c <= kFields; ++c) values[static_cast<std::size_t>(c)] = names[c];
    store.WriteRow(0, tbn::results::RowValues{0, values});
    char number[16], id[16], name[32], date[16], amount[16];
    for (std::int64_t r = 1; r <= records; ++r) {
        const int n = static_cast<int>(r);
        values[0] = std::string_view(
            number, static_cast<std::size_t>(std::snprintf(number, sizeof number, "%d", n)));
        values[1] = std::string_view(
            id, static_cast<std::size_t>(std::snprintf(id, sizeof id, "%d", 100000 + n)));
        values[2] =
            std::string_view(name, static_cast<std::size_t>(std::snprintf(
                                       name, sizeof name, "Customer name %07d", n * 7 % 9999999)));
        values[3] = std::string_view(
            date, static_cast<std::size_t>(
                      std::snprintf(date, sizeof date, "2024-%02d-%02d", n % 12 + 1, n % 28 + 1)));
        values[4] =
            std::string_view(amount, static_cast<std::size_t>(std::snprintf(
                                         amount, sizeof amount, "%d.%02d", n % 100000, n % 100)));
        values[5] = std::string_view(n % 3 ? "shipped" : "pending");
        values[6] = std::nullopt;
        store.WriteRowAndAppend(r, tbn::results::RowValues{0, values});
    }
    return store;
}

double BaselineSeconds(const tbn::results::ResultView& view, std::int64_t col) {
    const auto start = Clock::now();
    std::vector<std::pair<std::string_view, std::int64_t>> keyed;
    keyed.reserve(static_cast<std::size_t>(view.records));
    for (std::int64_t row = 1; row <= view.records; ++row)
        keyed.emplace_back(view.store->Cell(row, col), row);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return Seconds(start);
}

double SortSeconds(const tbn::results::ResultView& view, std::int64_t col) {
    const auto start = Clock::now();
    const auto order = tbn::results::SortRecords(*view.store, view.records, col,
                                                 tbn::results::SortDirection::Ascending);
    const double seconds = Seconds(start);
    if (!order || order->size() != static_cast<std::size_t>(view.records)) std::abort();
    return seconds;
}

}  // namespace

namespace bench {

// One line per column sorted: the best of `rounds` interleaved rounds of each, and their ratio.
void SortSection(const tbn::results::ResultView& view, int rounds) {
    const struct {
        const char* what;
        std::int64_t col;
    } columns[] = {{"text (name)", 2}, {"number (amount)", 4}};
    for (const auto& column : columns) {
        double baseline = 1e9, sort = 1e9;
        for (int round = 0; round < rounds; ++round) {
            baseline = std::min(baseline, BaselineSeconds(view, column.col));
            sort = std::min(sort, SortSeconds(view, column.col));
        }
        std::printf("sort of %lld rows by %-16s %.3f s (target <= 1 s); byte-string baseline "
                    "%.3f s; ratio %.2f\n",
                    static_cast<long long>(view.records), column.what, sort, baseline,
                    sort / baseline);
    }
}

}  // namespace bench

// Until bench/export's main runs the section on its shared rows.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // the user's locale, as the program has it
    constexpr std::int64_t kRecords = 1000000;
    const tbn::results::ResultView view{std::make_shared<const CellStore>(MakeResult(kRecords)),
                                        nullptr, kRecords};
    bench::SortSection(view, 3);
    return 0;
}
