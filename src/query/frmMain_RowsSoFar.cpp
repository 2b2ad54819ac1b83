// The rows of a run shown in the grid while they arrive. When the run ends the grid is made from
// the run's result as it always was; until then it shows a share of the row set being filled.
#include "query/frmMain.h"

#include "grid/FlexGrid.h"
#include "grid/FlexGridModel.h"
#include "query/GridScopes.h"
#include "run/QueryRun.h"
#include "ui/mdlErrors.h"

#include <QScrollBar>

void frmMain::ShowRowsSoFar() {
    // A run to a file leaves the grid as it is.
    if (!run_ || !runFileName_.isEmpty()) return;
    // A tab chosen during the run keeps the grid until the run ends.
    if (gridOfRun_ && shownResult_ >= 0) return;
    int rowSet = 0;
    std::shared_ptr<tbn::results::CellStore> rows = run_->RowsSoFarStore(&rowSet);
    // The header row, the records and the empty row after them: nothing to show before a record.
    if (!rows || rows->Rows() < 3) return;
    mdlErrors::Guarded(QStringLiteral("frmMain >> ShowRowsSoFar"), [&] {
        if (rowSet == rowsSoFarSet_) {
            // Nothing else may have taken the grid meanwhile for the rows to be added to it.
            if (!rowsSoFar_ || Flex->flexModel()->ShareStore() != rowsSoFar_ ||
                rows->Rows() <= rowsSoFar_->Rows())
                return;
            // A step that fails is reported once: the grid keeps what it has until the end.
            rowsSoFar_.reset();
            Flex->ExtendStore(rows);
            rowsSoFar_ = std::move(rows);
            return;
        }
        // A row set begins: the run's first, or a later statement's, which replaces the one
        // before it. The grid as the run found it is kept to be put back at the end.
        KeepGridOfRun();
        KeepShownResult();
        shownResult_ = -1;
        rowsSoFarSet_ = rowSet;
        rowsSoFar_.reset();
        blnGridHasRowSet = true;
        gridCommandText_ = runCommandText_;
        {
            tbn::query::GridRedrawOff redrawOff(*Flex);
            ResetGrid();
            Flex->AdoptStore(rows);
        }
        Flex->SetDimmed(false);
        // Sized once, from the first rows, so the columns do not jump as more arrive; the end
        // sizes them again over the whole result.
        AutosizeGridColumns(*Flex, 100, 400);
        rowsSoFar_ = std::move(rows);
        rowsSoFarPlace_ = GridPlaceNow();
    });
}

frmMain::GridPlace frmMain::GridPlaceNow() const {
    return {Flex->Row(),
            Flex->Col(),
            Flex->RowSel(),
            Flex->ColSel(),
            Flex->verticalScrollBar()->value(),
            Flex->horizontalScrollBar()->value()};
}

void frmMain::ReturnToPlace(const GridPlace& place) {
    Flex->SetRow(place.row);
    Flex->SetCol(place.col);
    Flex->SetRowSel(place.rowSel);
    Flex->SetColSel(place.colSel);
    // The scroll bars take the range of the grid's new rows only once it is laid out.
    Flex->doItemsLayout();
    Flex->verticalScrollBar()->setValue(place.top);
    Flex->horizontalScrollBar()->setValue(place.left);
}

std::optional<frmMain::GridPlace> frmMain::TakeRowsSoFarPlace(const tbn::run::RunResult& result) {
    std::optional<GridPlace> moved;
    // The grid was left alone while it showed the rows so far: it ends as it always has.
    if (rowsSoFar_ && result.hasRowSet && result.store &&
        Flex->flexModel()->ShareStore() == rowsSoFar_ &&
        result.store->Rows() >= rowsSoFar_->Rows() && !(GridPlaceNow() == rowsSoFarPlace_))
        moved = GridPlaceNow();
    rowsSoFar_.reset();
    rowsSoFarSet_ = 0;
    return moved;
}
