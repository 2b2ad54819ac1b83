// Column widths and selection of FlexGrid: the grid's own state (twips, Row/Col/RowSel/ColSel)
// is the truth; the view's header sizes and selection model follow it, and user actions on the
// view are read back into it.
#include "grid/FlexGrid.h"

#include "core/PropertyErrors.h"
#include "grid/FlexGridModel.h"
#include "ui/Twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScrollBar>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>

namespace tbn::grid {

namespace {
std::int64_t ClampIndex(std::int64_t value, std::int64_t count) {
    return count <= 0 ? 0 : std::clamp<std::int64_t>(value, 0, count - 1);
}
}  // namespace

int FlexGrid::ColWidth(std::int64_t col) const {
    if (col < 0 || col >= Cols()) core::RaiseSubscriptOutOfRange();
    return colTwips_[static_cast<std::size_t>(col)];
}

void FlexGrid::SetColWidth(std::int64_t col, int twips) {
    if (col < 0 || col >= Cols()) core::RaiseSubscriptOutOfRange();
    if (twips < 0) core::RaiseInvalidPropertyValue();
    colTwips_[static_cast<std::size_t>(col)] = twips;
    ApplyColumnWidth(col);
}

int FlexGrid::VisibleWidthTwips() const {
    int pixels = width() - 2 * frameWidth();
    const int rowsHeight =
        height() - 2 * frameWidth() -
        (horizontalHeader()->isHidden() ? 0 : horizontalHeader()->sizeHint().height());
    const bool verticalBar = verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ||
                             (verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded &&
                              verticalHeader()->length() > rowsHeight);
    if (verticalBar) pixels -= verticalScrollBar()->sizeHint().width();
    return std::max(0, static_cast<int>(std::floor(ui::PixelsToTwips(pixels))));
}

void FlexGrid::ApplyColumnWidth(std::int64_t col) {
    double left = 0;
    for (std::int64_t c = 0; c < col; ++c) left += colTwips_[static_cast<std::size_t>(c)];
    ApplyColumnWidth(col, left);
}

void FlexGrid::ApplyColumnWidth(std::int64_t col, double leftTwips) {
    QScopedValueRollback scope(programmatic_, programmatic_ + 1);
    // The column's edges are rounded to pixels rather than its width, so a row of columns is as
    // wide on the screen as its twips add up to: columns sized to fill the view never spill a
    // pixel past it.
    const int pixels = ui::TwipsToPixels(leftTwips + colTwips_[static_cast<std::size_t>(col)]) -
                       ui::TwipsToPixels(leftTwips);
    const int headerCols = model_->HeaderCols();
    if (col < headerCols) {
        verticalHeader()->setFixedWidth(pixels);
        return;
    }
    const auto section = col - headerCols;
    if (section < horizontalHeader()->count())
        horizontalHeader()->resizeSection(static_cast<int>(section), pixels);
}

void FlexGrid::ApplyColumnWidths() {
    double left = 0;
    for (std::int64_t c = 0; c < static_cast<std::int64_t>(colTwips_.size()); ++c) {
        ApplyColumnWidth(c, left);
        left += colTwips_[static_cast<std::size_t>(c)];
    }
}

void FlexGrid::OnSectionResized(int section, int /*oldPixels*/, int newPixels) {
    if (programmatic_ > 0) return;
    const std::int64_t col = section + model_->HeaderCols();
    if (col < static_cast<std::int64_t>(colTwips_.size()))
        colTwips_[static_cast<std::size_t>(col)] =
            static_cast<int>(std::lround(ui::PixelsToTwips(newPixels)));
}

std::int64_t FlexGrid::Row() const { return row_; }
std::int64_t FlexGrid::Col() const { return col_; }
std::int64_t FlexGrid::RowSel() const { return rowSel_; }
std::int64_t FlexGrid::ColSel() const { return colSel_; }

void FlexGrid::SetRow(std::int64_t row) {
    if (row < 0 || row >= Rows()) core::RaiseSubscriptOutOfRange();
    row_ = rowSel_ = row;
    colSel_ = col_;
    ApplySelectionToView();
}

void FlexGrid::SetCol(std::int64_t col) {
    if (col < 0 || col >= Cols()) core::RaiseSubscriptOutOfRange();
    col_ = colSel_ = col;
    rowSel_ = row_;
    ApplySelectionToView();
}

void FlexGrid::SetRowSel(std::int64_t row) {
    if (row < 0 || row >= Rows()) core::RaiseSubscriptOutOfRange();
    rowSel_ = row;
    ApplySelectionToView();
}

void FlexGrid::SetColSel(std::int64_t col) {
    if (col < 0 || col >= Cols()) core::RaiseSubscriptOutOfRange();
    colSel_ = col;
    ApplySelectionToView();
}

void FlexGrid::ClampSelection() {
    row_ = ClampIndex(row_, Rows());
    rowSel_ = ClampIndex(rowSel_, Rows());
    col_ = ClampIndex(col_, Cols());
    colSel_ = ClampIndex(colSel_, Cols());
}

void FlexGrid::ApplySelectionToView() {
    if (model_->UpdatesHeld()) return;  // applied when updates are released
    QScopedValueRollback scope(programmatic_, programmatic_ + 1);
    // Moving the current cell from code does not scroll the view: sizing visits the last sampled
    // row of every column, and the user must still see the top of the result afterwards.
    const bool autoScroll = hasAutoScroll();
    setAutoScroll(false);
    const auto restoreAutoScroll = qScopeGuard([this, autoScroll] { setAutoScroll(autoScroll); });
    QItemSelectionModel* selection = selectionModel();
    const QModelIndex anchor = model_->IndexOfCell(row_, col_);
    if (anchor.isValid()) selection->setCurrentIndex(anchor, QItemSelectionModel::NoUpdate);
    // The view shows the fixed cells as headers, so only the non-fixed part of the block is drawn
    // selected.
    const std::int64_t top = std::max<std::int64_t>(std::min(row_, rowSel_), model_->HeaderRows());
    const std::int64_t left = std::max<std::int64_t>(std::min(col_, colSel_), model_->HeaderCols());
    const QModelIndex topLeft = model_->IndexOfCell(top, left);
    const QModelIndex bottomRight =
        model_->IndexOfCell(std::max(row_, rowSel_), std::max(col_, colSel_));
    if (topLeft.isValid() && bottomRight.isValid())
        selection->select(QItemSelection(topLeft, bottomRight),
                          QItemSelectionModel::ClearAndSelect);
    else
        selection->clearSelection();
}

void FlexGrid::TakeSelectionFromView() {
    if (programmatic_ > 0 || model_->UpdatesHeld()) return;
    const QItemSelectionModel* selection = selectionModel();
    const QModelIndex current = selection->currentIndex();
    const int headerRows = model_->HeaderRows();
    const int headerCols = model_->HeaderCols();
    const QItemSelection ranges = selection->selection();
    if (ranges.isEmpty()) {
        if (!current.isValid()) return;
        row_ = rowSel_ = current.row() + headerRows;
        col_ = colSel_ = current.column() + headerCols;
        return;
    }
    int top = ranges.first().top(), bottom = ranges.first().bottom();
    int left = ranges.first().left(), right = ranges.first().right();
    for (const QItemSelectionRange& range : ranges) {
        top = std::min(top, range.top());
        bottom = std::max(bottom, range.bottom());
        left = std::min(left, range.left());
        right = std::max(right, range.right());
    }
    // The view keeps its current index at the corner the mouse or keyboard moved to; the anchor
    // is the opposite corner.
    const bool atRowEdge = current.isValid() && (current.row() == top || current.row() == bottom);
    const bool atColEdge =
        current.isValid() && (current.column() == left || current.column() == right);
    if (atRowEdge && atColEdge) {
        row_ = (current.row() == top ? bottom : top) + headerRows;
        rowSel_ = current.row() + headerRows;
        col_ = (current.column() == left ? right : left) + headerCols;
        colSel_ = current.column() + headerCols;
    } else {
        row_ = top + headerRows;
        rowSel_ = bottom + headerRows;
        col_ = left + headerCols;
        colSel_ = right + headerCols;
    }
}

// Pressing a header selects whole lines: the columns (or rows) from the one where the press began
// to the one under the mouse, across every body row (or column).
void FlexGrid::SelectLinesFromHeader(Qt::Orientation header, int section, bool extend) {
    const bool columns = header == Qt::Horizontal;
    const std::int64_t line = section + (columns ? model_->HeaderCols() : model_->HeaderRows());
    if (!extend) headerAnchor_ = line;
    const std::int64_t across = columns ? Rows() : Cols();
    if (across <= 0) return;
    std::int64_t& acrossFirst = columns ? row_ : col_;
    std::int64_t& acrossLast = columns ? rowSel_ : colSel_;
    std::int64_t& anchor = columns ? col_ : row_;
    std::int64_t& current = columns ? colSel_ : rowSel_;
    acrossFirst = std::min<std::int64_t>(columns ? FixedRows() : FixedCols(), across - 1);
    acrossLast = across - 1;
    anchor = ClampIndex(headerAnchor_, columns ? Cols() : Rows());
    current = line;
    ApplySelectionToView();
}

void FlexGrid::keyPressEvent(QKeyEvent* event) {
    // The view extends a keyboard selection through the screen positions of its corners, which
    // stops at the visible rows; these two go by index instead.
    const bool extendToEnd = event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) &&
                             (event->key() == Qt::Key_End || event->key() == Qt::Key_Home);
    if (!extendToEnd || Rows() <= 0 || Cols() <= 0) {
        QTableView::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_End)
        ExtendSelectionTo(Rows() - 1, Cols() - 1);
    else
        ExtendSelectionTo(std::min<std::int64_t>(FixedRows(), Rows() - 1),
                          std::min<std::int64_t>(FixedCols(), Cols() - 1));
    event->accept();
}

void FlexGrid::ExtendSelectionTo(std::int64_t row, std::int64_t col) {
    rowSel_ = row;
    colSel_ = col;
    ApplySelectionToView();
    const QModelIndex corner = model_->IndexOfCell(row, col);
    if (corner.isValid()) scrollTo(corner);
}

void FlexGrid::selectAll() {
    if (Rows() <= 0 || Cols() <= 0) return;
    row_ = std::min<std::int64_t>(FixedRows(), Rows() - 1);
    col_ = std::min<std::int64_t>(FixedCols(), Cols() - 1);
    rowSel_ = Rows() - 1;
    colSel_ = Cols() - 1;
    ApplySelectionToView();
}

}  // namespace tbn::grid
