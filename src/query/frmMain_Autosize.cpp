// Sizing the grid's columns to the texts of their first rows.
#include "query/frmMain.h"

#include "core/ShownText.h"
#include "grid/FlexGrid.h"
#include "grid/FlexGridModel.h"
#include "query/GridAutosize.h"
#include "query/GridScopes.h"

#include <algorithm>
#include <utility>

using tbn::core::ShownFirstLine;
using tbn::grid::FlexGrid;
using tbn::grid::FlexGridModel;

namespace {

// Spreads the width the columns leave uncovered evenly over every column, fixed one included.
// Only the visible area counts: spread over the frame and the scroll bar too, the columns would
// run under the bar and call up a horizontal one although everything fits.
void SpreadLeftOver(FlexGrid& grid) {
    const std::int64_t cols = grid.Cols();
    if (cols <= 0) return;
    std::int64_t total = 0;
    for (std::int64_t c = 0; c < cols; ++c) total += grid.ColWidth(c);
    const std::int64_t gridWidth = grid.VisibleWidthTwips();
    if (total >= gridWidth) return;
    const std::int64_t share = (gridWidth - total) / cols;
    for (std::int64_t c = 0; c < cols; ++c)
        grid.SetColWidth(
            c, tbn::query::ClampColumnWidth(static_cast<double>(grid.ColWidth(c) + share)));
}

// Sizes each column to the widest text of the rows [first, last) picks from its sample of n rows,
// leaving the current cell on the last row measured of the last column.
template <class RowsToMeasure> void SizeColumns(FlexGrid& grid, const QFont& font,
                                                int maxRowsToParse, RowsToMeasure rowsToMeasure) {
    tbn::query::GridHidden hidden(grid);
    const tbn::query::TextMeasure measure(font);
    for (std::int64_t c = 0; c < grid.Cols(); ++c) {
        grid.SetCol(c);
        const std::int64_t n = std::min<std::int64_t>(grid.Rows(), maxRowsToParse);
        const auto [first, last] = rowsToMeasure(n);
        int w = 0;
        for (std::int64_t r = first; r < last; ++r) {
            grid.SetRow(r);
            // What the cell draws, not its whole text: a multi-line text would otherwise size its
            // column by its widest line, and a text of millions of characters take seconds.
            const QString shown =
                ShownFirstLine(grid.CellBytes(r, c), FlexGridModel::kMaxShownChars);
            const double t = measure.WidthTwips(shown) + tbn::query::kCellPaddingTwips;
            if (t > w) w = tbn::query::ClampColumnWidth(t);
        }
        grid.SetColWidth(c, w);
    }
    SpreadLeftOver(grid);
}

}  // namespace

// Texts are measured in the font the grid draws them in: measured in any other, the widest sampled
// text would be cut short as soon as the grid's font is the wider one.
void frmMain::AutosizeGridColumns(FlexGrid& msFG, int MaxRowsToParse, int /*MaxColWidth*/) {
    SizeColumns(msFG, msFG.font(), MaxRowsToParse,
                [](std::int64_t n) { return std::pair<std::int64_t, std::int64_t>(0, n); });
}

// Looks at one row per column: the header alone, or the first record when there is one.
void frmMain::AutosizeGridColumnsFirst(FlexGrid& msFG, int MaxRowsToParse, int /*MaxColWidth*/) {
    SizeColumns(msFG, msFG.font(), MaxRowsToParse, [](std::int64_t n) {
        const std::int64_t row = n == 1 ? 0 : 1;
        return n < 1 ? std::pair<std::int64_t, std::int64_t>(0, 0)
                     : std::pair<std::int64_t, std::int64_t>(row, row + 1);
    });
}
