// bench/export, sort section: the fill bench's million rows sorted by a text column and by a
// number column, as the header's pop-up menu does, each time against a baseline measured in the
// same run: a stable sort of the same cells as plain byte strings, the least any sort of them
// could cost. Target: each sort within a second.
#include "ExportBench.h"

#include "results/RecordOrder.h"
#include "results/ResultView.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
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
