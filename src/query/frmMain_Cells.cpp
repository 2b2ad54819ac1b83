// Viewing one cell of the result grid in full.
#include "query/frmMain.h"

#include "core/ShownText.h"
#include "grid/FlexGrid.h"
#include "query/CellViewer.h"
#include "ui/Modal.h"

namespace {
// A column name longer than this says nothing more in a window's title.
constexpr qsizetype kTitleNameChars = 200;
}  // namespace

void frmMain::ShowCellViewer(std::int64_t row, std::int64_t col) {
    if (row < Flex->FixedRows() || col < Flex->FixedCols() || row >= Flex->Rows() ||
        col >= Flex->Cols())
        return;
    QString title = tr("%1, row %2")
                        .arg(tbn::core::ShownText(Flex->CellBytes(0, col), kTitleNameChars))
                        .arg(row);
    if (Flex->IsNull(row, col)) title += tr(" (NULL)");
    const std::string_view cell = Flex->CellBytes(row, col);
    tbn::query::CellViewer viewer(
        title, QByteArray(cell.data(), static_cast<qsizetype>(cell.size())), this);
    tbn::ui::ExecModal(viewer);
}
