#pragma once
// The plain text a grid's copy puts on the clipboard: a rectangle of the grid as it is shown (row 0
// the field names, column 0 the record numbers, records in the view's order), every cell followed
// by a tab and every row by CR LF. It is written to a sink in chunks of about a megabyte that each
// end where a row ends, so a consumer that decodes chunk by chunk sees whole characters, and the
// rows are read through a CellStore::RowReader, so a walk over a result kept partly on disk holds
// no more of it in memory than the block it is in.
#include "results/ResultView.h"
#include "results/ResultWriter.h"

#include <cstddef>
#include <cstdint>

namespace tbn::results {

// Grid rows [firstRow, lastRow] and store columns [firstCol, lastCol], both inclusive, as a grid's
// selection names them; the rows are grid rows, mapped to store rows through the view's order.
struct GridRect {
    std::int64_t firstRow = 0;
    std::int64_t lastRow = -1;
    std::int64_t firstCol = 0;
    std::int64_t lastCol = -1;
    bool withHeaders = false;  // row 0 first, whatever rows are selected
};

// About how many bytes WriteTabbed writes, judged from the store's byte counts alone: a copy asks
// about a large text before it reads a single row.
std::size_t EstimateTabbedBytes(const CellStore& store, const GridRect& rect);

void WriteTabbed(const ResultView& view, const GridRect& rect, ByteSink& sink);

}  // namespace tbn::results
