#pragma once
// What the sections of bench/export share: the fill benchmark's million rows in a cell store laid
// out as a grid holds a result, and each section's entry point. A section prints its own lines.
#include "results/ResultView.h"

namespace bench {

// The rows of FillRows.h, filled the way a run fills its store: names in row 0, record numbers
// in column 0, one empty row after the last record.
tbn::results::ResultView BuildExportView();

// CSV export of the whole view to a file against a bare write of the same bytes, and the memory
// the export adds; medians of `rounds` interleaved rounds.
void ExportFromMemorySection(const tbn::results::ResultView& view, int rounds);

// Runs `rows` generated rows to a CSV file through a query window (a QApplication must exist):
// time against a bare libsqlite3 loop, and peak memory growth. False when nothing was written.
bool RunToFileSection(long rows);

// A sort of the view's records by a text column and by a number column, each against a stable sort
// of the same cells as byte strings; the best of `rounds` interleaved rounds.
void SortSection(const tbn::results::ResultView& view, int rounds);

}  // namespace bench
