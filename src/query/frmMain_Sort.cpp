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
    EnableSortItems(mnuSortAscending, mnuSortDescending, mnuOriginalOrder);
    mnuHeader->popup(header->viewport()->mapToGlobal(position));
}

QMenu* frmMain::BuildGridSortMenu(QMenu* parent) {
    // The body's menu sorts by the column of the current cell.
    QMenu* menu = new QMenu(tr("Sort"), parent);
    menu->setObjectName(QStringLiteral("mnuGridSort"));
    QAction* ascending = menu->addAction(tr("Ascending"), this,
                                         [this] { SortGrid(Flex->Col(), Qt::AscendingOrder); });
    QAction* descending = menu->addAction(tr("Descending"), this,
                                          [this] { SortGrid(Flex->Col(), Qt::DescendingOrder); });
    QAction* original = menu->addAction(tr("Original order"), this, [this] { RestoreGridOrder(); });
    ascending->setObjectName(QStringLiteral("mnuGridSortAscending"));
    descending->setObjectName(QStringLiteral("mnuGridSortDescending"));
    original->setObjectName(QStringLiteral("mnuGridOriginalOrder"));
    connect(parent, &QMenu::aboutToShow, this,
            [=, this] { EnableSortItems(ascending, descending, original); });
    return menu;
}

void frmMain::EnableSortItems(QAction* ascending, QAction* descending, QAction* original) {
    // A run is about to replace the rows; sorting them would be wasted.
    const bool canSort = !Running() && GridRecords() > 1;
    ascending->setEnabled(canSort);
    descending->setEnabled(canSort);
    original->setEnabled(Flex->RecordOrder() != nullptr || Sorting());
}

void frmMain::SortGrid(std::int64_t col, Qt::SortOrder direction) {
    mdlErrors::Guarded(kContext, [&] {
        const std::int64_t records = GridRecords();
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
    if (Flex->View(0).store != sort->View().store || GridRecords() != records) return;
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
