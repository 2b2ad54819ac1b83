// Viewing one cell of the result grid in full.
#include "query/frmMain.h"

#include "grid/FlexGrid.h"
#include "query/CellViewer.h"
#include "ui/Modal.h"

void frmMain::ShowCellViewer(std::int64_t row, std::int64_t col) {
    if (row < Flex->FixedRows() || col < Flex->FixedCols() || row >= Flex->Rows() || col >= Flex->Cols()) return;
    QString title = tr("%1, row %2").arg(Flex->TextMatrix(0, col)).arg(row);
    if (Flex->IsNull(row, col)) title += tr(" (NULL)");
    CellViewer viewer(title, Flex->TextMatrix(row, col), this);
    tbn::platform::ExecModal(viewer);
}
