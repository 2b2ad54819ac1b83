// Sorting the result grid's records from the pop-up menu of its column headers. The sort runs on
// a worker; its order is shown only if the grid still holds the result it sorted.
#include "query/frmMain.h"

#include "grid/FlexGrid.h"
#include "grid/FlexGridModel.h"
#include "query/RunStatusBar.h"
#include "query/SortRun.h"
#include "ui/mdlErrors.h"

#include <QHeaderView>
#include <QMenu>
#include <algorithm>

using tbn::grid::FlexGrid;
using tbn::results::SortDirection;

namespace {
const QString kContext = QStringLiteral("frmMain >> SortGrid");

// The records of a result: the rows between the header row and the empty row a fill ends with.
std::int64_t RecordsIn(const FlexGrid& grid) { return std::max<std::int64_t>(grid.Rows() - 2, 0); }

QString SortingText() { return QObject::tr("Sorting…"); }
}  // namespace

void frmMain::InitHeaderMenu() {
    mnuHeader = new QMenu(this);
    mnuHeader->setObjectName(QStringLiteral("mnuHeader"));
    mnuSortAscending = mnuHeader->addAction(
        tr("Sort ascending"), this, [this] { SortGrid(headerMenuCol_, Qt::AscendingOrder); });
    mnuSortDescending = mnuHeader->addAction(
        tr("Sort descending"), this, [this] { SortGrid(headerMenuCol_, Qt::DescendingOrder); });
    mnuOriginalOrder =
        mnuHeader->addAction(tr("Original order"), this, [this] { RestoreGridOrder(); });
    QHeaderView* header = Flex->horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, &frmMain::Flex_HeaderMenu);
}

void frmMain::Flex_HeaderMenu(const QPoint& position) {
    QHeaderView* header = Flex->horizontalHeader();
    const int section = header->logicalIndexAt(position);
    if (section < 0) return;
    headerMenuCol_ = section + Flex->flexModel()->HeaderCols();
    // A run is about to replace the rows; sorting them would be wasted.
    const bool canSort = !Running() && RecordsIn(*Flex) > 1;
    mnuSortAscending->setEnabled(canSort);
    mnuSortDescending->setEnabled(canSort);
    mnuOriginalOrder->setEnabled(Flex->RecordOrder() != nullptr || Sorting());
    mnuHeader->popup(header->viewport()->mapToGlobal(position));
}

void frmMain::SortGrid(std::int64_t col, Qt::SortOrder direction) {
    mdlErrors::Guarded(kContext, [&] {
        const std::int64_t records = RecordsIn(*Flex);
        if (Running() || records < 1 || col < Flex->FixedCols() || col >= Flex->Cols()) return;
        sort_.reset();  // a sort under way gives way to the new one
        sort_ = std::make_unique<tbn::query::SortRun>(
            Flex->View(records), col,
            direction == Qt::AscendingOrder ? SortDirection::Ascending : SortDirection::Descending);
        // Queued, so that the sort is no longer inside its own signal when it is destroyed.
        connect(sort_.get(), &tbn::query::SortRun::Ended, this, &frmMain::FinishSort,
                Qt::QueuedConnection);
        if (statusLine->Text() != SortingText()) sortStatusBefore_ = statusLine->Text();
        statusLine->ShowMessage(SortingText());
    });
}

void frmMain::RestoreGridOrder() {
    if (sort_) EndSortStatus();
    sort_.reset();
    Flex->ClearRecordOrder();
}

void frmMain::FinishSort() {
    if (!sort_ || !sort_->HasEnded()) return;
    EndSortStatus();
    const std::unique_ptr<tbn::query::SortRun> sort = std::move(sort_);
    // A run, or anything else that changed the grid meanwhile, left the order nothing to apply to.
    const std::int64_t records = sort->View().records;
    if (Flex->View(0).store != sort->View().store || RecordsIn(*Flex) != records) return;
    mdlErrors::Guarded(kContext, [&] {
        if (sort->Failure()) std::rethrow_exception(sort->Failure());
        if (!sort->Order()) return;
        Flex->SetRecordOrder(sort->Order(), records);
        Flex->ShowSortIndicator(sort->Column(), sort->Direction() == SortDirection::Ascending
                                                    ? Qt::AscendingOrder
                                                    : Qt::DescendingOrder);
    });
}

void frmMain::EndSortStatus() {
    // Whatever took the status line over since (a run) keeps it.
    if (statusLine->Text() == SortingText()) statusLine->ShowMessage(sortStatusBefore_);
}
