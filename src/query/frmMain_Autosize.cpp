// Sizing the grid's columns to the texts of their first rows.
#include "query/frmMain.h"

#include "platform/FlexGrid.h"
#include "query/GridAutosize.h"
#include "query/GridScopes.h"

#include <algorithm>

using tbn::platform::FlexGrid;

namespace {

// Spreads the width the columns leave uncovered evenly over every column, fixed one included.
void SpreadLeftOver(FlexGrid& grid) {
    const std::int64_t cols = grid.Cols();
    if (cols <= 0) return;
    std::int64_t total = 0;
    for (std::int64_t c = 0; c < cols; ++c) total += grid.ColWidth(c);
    const std::int64_t gridWidth = grid.WidthTwips();
    if (total >= gridWidth) return;
    const std::int64_t share = (gridWidth - total) / cols;
    for (std::int64_t c = 0; c < cols; ++c)
        grid.SetColWidth(c, ClampColumnWidth(static_cast<double>(grid.ColWidth(c) + share)));
}

} // namespace

void frmMain::AutosizeGridColumns(FlexGrid& msFG, int MaxRowsToParse, int /*MaxColWidth*/) {
    GridHidden hidden(msFG);
    const TextMeasure measure(font());
    for (std::int64_t c = 0; c < msFG.Cols(); ++c) {
        msFG.SetCol(c);
        const std::int64_t n = std::min<std::int64_t>(msFG.Rows(), MaxRowsToParse);
        int w = 0;
        for (std::int64_t r = 0; r < n; ++r) {
            msFG.SetRow(r);
            const double t = measure.WidthTwips(msFG.TextMatrix(r, c)) + kCellPaddingTwips;
            if (t > w) w = ClampColumnWidth(t);
        }
        msFG.SetColWidth(c, w);
    }
    SpreadLeftOver(msFG);
}

void frmMain::AutosizeGridColumnsFirst(FlexGrid& msFG, int MaxRowsToParse, int /*MaxColWidth*/) {
    GridHidden hidden(msFG);
    const TextMeasure measure(font());
    for (std::int64_t c = 0; c < msFG.Cols(); ++c) {
        msFG.SetCol(c);
        const std::int64_t n = std::min<std::int64_t>(msFG.Rows(), MaxRowsToParse);
        int w = 0;
        if (n >= 1) {
            const std::int64_t r = n == 1 ? 0 : 1;
            msFG.SetRow(r);
            const double t = measure.WidthTwips(msFG.TextMatrix(r, c)) + kCellPaddingTwips;
            if (t > 0) w = ClampColumnWidth(t);
        }
        msFG.SetColWidth(c, w);
    }
    SpreadLeftOver(msFG);
}
