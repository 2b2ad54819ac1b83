#pragma once
// A result as a grid holds it, for reading away from the grid (export on a worker, copy in a
// format): the cell store, laid out as the grid shows it (field names in row 0, record numbers in
// column 0, record r in store row 1 + r), and the order the records are shown in. Both are shared
// and never changed while a view holds them, so a worker may read them while the grid moves on.
#include "results/CellStore.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tbn::results {

struct ResultView {
    std::shared_ptr<const CellStore> store;
    // The store rows of the records in the order shown; null while they are shown as stored.
    std::shared_ptr<const std::vector<std::int64_t>> order;
    std::int64_t records = 0;  // rows 1..records of the store are records; what follows is not

    std::int64_t Columns() const { return store ? store->Cols() - 1 : 0; }  // value columns
    // The store row of the record shown at position `shown` (0-based).
    std::int64_t StoreRow(std::int64_t shown) const {
        return order ? (*order)[static_cast<std::size_t>(shown)] : shown + 1;
    }
};

// A rectangle of a view: the shown records [firstRecord, endRecord) and the value columns
// [firstColumn, endColumn), both 0-based (value column 0 is store column 1).
struct ViewBlock {
    std::int64_t firstRecord = 0;
    std::int64_t endRecord = 0;
    std::int64_t firstColumn = 0;
    std::int64_t endColumn = 0;

    static ViewBlock Whole(const ResultView& view) { return {0, view.records, 0, view.Columns()}; }
};

}  // namespace tbn::results
