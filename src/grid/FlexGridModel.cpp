#include "grid/FlexGridModel.h"

#include "core/PropertyErrors.h"
#include "core/ShownText.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <string_view>
#include <vector>

namespace tbn::grid {

namespace {
int ToViewCount(std::int64_t count) {
    return static_cast<int>(std::clamp<std::int64_t>(count, 0, INT_MAX));
}

// The first `rows` rows of `from`, in a store of the same size; the rows after them are empty.
results::CellStore CopyOf(const results::CellStore& from, std::int64_t rows) {
    const auto cols = static_cast<std::size_t>(from.Cols());
    results::CellStore copy(0, from.Cols());
    std::vector<results::CellValue> cells(cols);
    std::vector<std::optional<std::string_view>> values(cols);
    std::vector<core::ValueKind> kinds(cols);
    for (std::int64_t r = 0; r < rows; ++r) {
        from.ReadRow(r, 0, cells);
        for (std::size_t c = 0; c < cols; ++c) {
            values[c] = cells[c].null ? std::nullopt : std::optional(cells[c].text);
            kinds[c] = cells[c].kind;
        }
        copy.InsertRow(r, results::RowValues{0, values, kinds});
    }
    copy.SetRows(from.Rows());
    return copy;
}
}  // namespace

FlexGridModel::FlexGridModel(QObject* parent)
    : QAbstractTableModel(parent), store_(std::make_shared<results::CellStore>(2, 2)) {
    Publish();
}

results::CellStore& FlexGridModel::OwnStore(std::int64_t keptRows) {
    // Only this thread makes new holders of the store, so a count of one cannot grow behind our
    // back; one that drops meanwhile costs a needless copy at worst.
    if (store_.use_count() > 1)
        store_ = std::make_shared<results::CellStore>(
            CopyOf(*store_, std::min(keptRows, store_->Rows())));
    return *store_;
}

void FlexGridModel::SetRecordOrder(Order order, std::int64_t records) {
    if (!order) {
        DropOrder();
        return;
    }
    if (records < 0 || records + 1 > store_->Rows() ||
        order->size() != static_cast<std::size_t>(records))
        core::RaiseInvalidPropertyValue();
    std::vector<bool> seen(static_cast<std::size_t>(records) + 1);
    for (const std::int64_t row : *order) {
        if (row < 1 || row > records || seen[static_cast<std::size_t>(row)])
            core::RaiseInvalidPropertyValue();
        seen[static_cast<std::size_t>(row)] = true;
    }
    order_ = std::move(order);
    orderRecords_ = records;
    NotifyAllCells();
}

void FlexGridModel::DropOrder() {
    if (!order_) return;
    order_.reset();
    orderRecords_ = 0;
    NotifyAllCells();
    emit RecordOrderDropped();
}

void FlexGridModel::Publish() {
    publishedHeaderRows_ = HeaderRows();
    publishedHeaderCols_ = HeaderCols();
    publishedRows_ = ToViewCount(store_->Rows() - HeaderRows());
    publishedCols_ = ToViewCount(store_->Cols() - HeaderCols());
}

void FlexGridModel::ResetAround(const std::function<void()>& change) {
    if (held_) {
        change();
        structureDirty_ = true;
        return;
    }
    beginResetModel();
    try {
        change();
    } catch (...) {
        Publish();
        endResetModel();
        throw;
    }
    Publish();
    endResetModel();
}

void FlexGridModel::SetFixedRows(int rows) {
    if (rows < 0) core::RaiseInvalidPropertyValue();
    ResetAround([&] { fixedRows_ = rows; });
}

void FlexGridModel::SetFixedCols(int cols) {
    if (cols < 0) core::RaiseInvalidPropertyValue();
    ResetAround([&] { fixedCols_ = cols; });
}

void FlexGridModel::SetRows(std::int64_t rows) { Resize(Qt::Vertical, rows); }

void FlexGridModel::SetCols(std::int64_t cols) { Resize(Qt::Horizontal, cols); }

// Rows (Qt::Vertical) and columns (Qt::Horizontal) change alike, each along its own axis.
void FlexGridModel::Resize(Qt::Orientation axis, std::int64_t count) {
    if (count < 0) core::RaiseInvalidPropertyValue();
    const bool rows = axis == Qt::Vertical;
    if (count != (rows ? store_->Rows() : store_->Cols())) DropOrder();
    auto resizeStore = [&] { rows ? OwnStore(count).SetRows(count) : OwnStore().SetCols(count); };
    if (held_) {
        resizeStore();
        structureDirty_ = true;
        return;
    }
    const int header = rows ? HeaderRows() : HeaderCols();
    const bool headerChanges = std::min(count, rows ? store_->Rows() : store_->Cols()) < header;
    const int published = rows ? publishedRows_ : publishedCols_;
    const int newBody = ToViewCount(count - header);
    if (newBody > published) {
        rows ? beginInsertRows({}, published, newBody - 1)
             : beginInsertColumns({}, published, newBody - 1);
        resizeStore();
        Publish();
        rows ? endInsertRows() : endInsertColumns();
    } else if (newBody < published) {
        rows ? beginRemoveRows({}, newBody, published - 1)
             : beginRemoveColumns({}, newBody, published - 1);
        resizeStore();
        Publish();
        rows ? endRemoveRows() : endRemoveColumns();
    } else {
        resizeStore();
    }
    // The first fixed row heads the columns and the first fixed column heads the rows.
    const int across = rows ? publishedCols_ : publishedRows_;
    if (headerChanges && across > 0)
        emit headerDataChanged(rows ? Qt::Horizontal : Qt::Vertical, 0, across - 1);
}

void FlexGridModel::SetCell(std::int64_t row, std::int64_t col, std::string_view text) {
    OwnStore().SetCell(StoreRow(row), col, text);
    NotifyCell(row, col);
}

void FlexGridModel::NotifyCell(std::int64_t row, std::int64_t col) {
    if (held_) {
        dataDirty_ = true;
        return;
    }
    const std::int64_t bodyRow = row - publishedHeaderRows_;
    const std::int64_t bodyCol = col - publishedHeaderCols_;
    if (bodyRow >= publishedRows_ || bodyCol >= publishedCols_) return;
    if (bodyRow >= 0 && bodyCol >= 0) {
        const QModelIndex cell = index(static_cast<int>(bodyRow), static_cast<int>(bodyCol));
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    } else if (bodyRow < 0 && bodyCol >= 0 && row == 0) {
        emit headerDataChanged(Qt::Horizontal, static_cast<int>(bodyCol),
                               static_cast<int>(bodyCol));
    } else if (bodyCol < 0 && bodyRow >= 0 && col == 0) {
        emit headerDataChanged(Qt::Vertical, static_cast<int>(bodyRow), static_cast<int>(bodyRow));
    }
}

void FlexGridModel::InsertRow(std::int64_t index, const results::RowValues& row) {
    if (index < 0 || index > store_->Rows()) core::RaiseSubscriptOutOfRange();
    DropOrder();
    if (held_) {
        OwnStore().InsertRow(index, row);
        structureDirty_ = true;
        return;
    }
    if (index < HeaderRows()) {
        ResetAround([&] { OwnStore().InsertRow(index, row); });
        return;
    }
    const int bodyRow = ToViewCount(index - HeaderRows());
    OwnStore();
    beginInsertRows({}, bodyRow, bodyRow);
    store_->InsertRow(index, row);
    Publish();
    endInsertRows();
}

void FlexGridModel::RemoveRow(std::int64_t index) {
    if (index < 0 || index >= store_->Rows()) core::RaiseSubscriptOutOfRange();
    DropOrder();
    if (held_) {
        OwnStore().RemoveRow(index);
        structureDirty_ = true;
        return;
    }
    if (index < HeaderRows()) {
        ResetAround([&] { OwnStore().RemoveRow(index); });
        return;
    }
    const int bodyRow = ToViewCount(index - HeaderRows());
    OwnStore();
    beginRemoveRows({}, bodyRow, bodyRow);
    store_->RemoveRow(index);
    Publish();
    endRemoveRows();
}

void FlexGridModel::WriteRow(std::int64_t row, const results::RowValues& values) {
    OwnStore().WriteRow(StoreRow(row), values);
    if (held_) {
        dataDirty_ = true;
        return;
    }
    const auto count = static_cast<std::int64_t>(values.values.size());
    for (std::int64_t c = values.firstCol; c < values.firstCol + count; ++c) NotifyCell(row, c);
}

void FlexGridModel::WriteRowAndAppend(std::int64_t row, const results::RowValues& values) {
    DropOrder();
    if (!held_) {
        WriteRow(row, values);
        InsertRow(store_->Rows(), results::RowValues{});
        return;
    }
    OwnStore().WriteRowAndAppend(row, values);
    structureDirty_ = true;
}

void FlexGridModel::Clear() {
    // Nothing of a store a view still holds needs copying to be emptied.
    if (store_.use_count() > 1)
        store_ = std::make_shared<results::CellStore>(store_->Rows(), store_->Cols());
    else
        store_->Clear();
    const bool hadOrder = order_ != nullptr;
    order_.reset();
    orderRecords_ = 0;
    NotifyAllCells();
    if (hadOrder) emit RecordOrderDropped();
}

void FlexGridModel::NotifyAllCells() {
    if (held_) {
        dataDirty_ = true;
        return;
    }
    if (publishedRows_ > 0 && publishedCols_ > 0)
        emit dataChanged(index(0, 0), index(publishedRows_ - 1, publishedCols_ - 1),
                         {Qt::DisplayRole});
    if (publishedCols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, publishedCols_ - 1);
    if (publishedRows_ > 0) emit headerDataChanged(Qt::Vertical, 0, publishedRows_ - 1);
}

void FlexGridModel::AdoptStore(std::shared_ptr<results::CellStore> store) {
    DropOrder();
    ResetAround([&] { store_ = std::move(store); });
}

void FlexGridModel::ExtendStore(std::shared_ptr<results::CellStore> store) {
    if (store->Cols() != store_->Cols() || store->Rows() < store_->Rows()) {
        AdoptStore(std::move(store));
        return;
    }
    // The rows already shown keep their place, so an order over them stays valid.
    if (held_) {
        store_ = std::move(store);
        structureDirty_ = true;
        return;
    }
    const int before = publishedRows_;
    const int after = ToViewCount(store->Rows() - HeaderRows());
    if (after > before) beginInsertRows({}, before, after - 1);
    store_ = std::move(store);
    Publish();
    if (after > before) endInsertRows();
    // The empty row that ended the shorter share holds a record now.
    if (before > 0 && after > before) {
        if (publishedCols_ > 0)
            emit dataChanged(index(before - 1, 0), index(before - 1, publishedCols_ - 1),
                             {Qt::DisplayRole});
        emit headerDataChanged(Qt::Vertical, before - 1, before - 1);
    }
}

void FlexGridModel::HoldUpdates() { held_ = true; }

void FlexGridModel::ReleaseUpdates() {
    if (!held_) return;
    held_ = false;
    if (structureDirty_) {
        beginResetModel();
        Publish();
        endResetModel();
    } else if (dataDirty_) {
        if (publishedRows_ > 0 && publishedCols_ > 0)
            emit dataChanged(index(0, 0), index(publishedRows_ - 1, publishedCols_ - 1),
                             {Qt::DisplayRole});
        if (publishedCols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, publishedCols_ - 1);
        if (publishedRows_ > 0) emit headerDataChanged(Qt::Vertical, 0, publishedRows_ - 1);
    }
    structureDirty_ = false;
    dataDirty_ = false;
}

QModelIndex FlexGridModel::IndexOfCell(std::int64_t row, std::int64_t col) const {
    const std::int64_t bodyRow = row - publishedHeaderRows_;
    const std::int64_t bodyCol = col - publishedHeaderCols_;
    if (bodyRow < 0 || bodyRow >= publishedRows_ || bodyCol < 0 || bodyCol >= publishedCols_)
        return {};
    return index(static_cast<int>(bodyRow), static_cast<int>(bodyCol));
}

int FlexGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : publishedRows_;
}

int FlexGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : publishedCols_;
}

std::string_view FlexGridModel::CellBytes(std::int64_t row, std::int64_t col) const {
    // While updates are held the view may still ask for cells it was told about earlier.
    if (row < 0 || row >= store_->Rows() || col < 0 || col >= store_->Cols()) return {};
    return store_->Cell(StoreRow(row), col);
}

bool FlexGridModel::CellIsNull(std::int64_t row, std::int64_t col) const {
    if (row < 0 || row >= store_->Rows() || col < 0 || col >= store_->Cols()) return false;
    return store_->IsNull(StoreRow(row), col);
}

QString FlexGridModel::ShownCell(std::int64_t row, std::int64_t col) const {
    return core::ShownText(CellBytes(row, col), kMaxShownChars);
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != NullRole))
        return {};
    const std::int64_t row = index.row() + publishedHeaderRows_;
    const std::int64_t col = index.column() + publishedHeaderCols_;
    if (role == NullRole) return CellIsNull(row, col);
    if (role == Qt::DisplayRole) return ShownCell(row, col);
    const std::string_view text = CellBytes(row, col);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return publishedHeaderRows_ ? QVariant(ShownCell(0, section + publishedHeaderCols_))
                                    : QVariant();
    return publishedHeaderCols_ ? QVariant(ShownCell(section + publishedHeaderRows_, 0))
                                : QVariant();
}

}  // namespace tbn::grid
