#pragma once
// The order of a result's records sorted by one column, as a grid shows them after a sort: the
// store rows of the records (store rows 1..records, laid out as in ResultView) in their new order.
//
// Values compare by kind: a null before everything else, then numbers by exact value (the digits as
// written, never rounded through a double), then text by the user's locale, then binary values by
// their bytes. Descending reverses all of it, nulls going last. The sort is stable in both
// directions: records with equal keys keep the order they had, so a descending sort is not the
// ascending one read backwards.
//
// Pure and thread-agnostic: it only reads the store, which must not change while it runs. It checks
// `cancel` now and then and gives up, returning nothing, once it is set.
#include "core/ValueKind.h"
#include "results/CellStore.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tbn::results {

enum class SortDirection { Ascending, Descending };

std::optional<std::vector<std::int64_t>> SortRecords(const CellStore& store, std::int64_t records,
                                                     std::int64_t col, SortDirection direction,
                                                     const std::atomic<bool>* cancel = nullptr);

// A key whose bytes order numbers by value (compared as unsigned bytes, shorter first on a tie),
// made from a number as an engine writes it: an optional sign, digits with an optional point, an
// optional exponent; "Infinity", "-Infinity" and "NaN" (after every other number) too, case aside.
// Nothing when the text is not a number.
std::optional<std::string> NumberSortKey(std::string_view text);

}  // namespace tbn::results
