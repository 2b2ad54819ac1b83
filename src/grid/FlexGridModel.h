#pragma once
// The item model behind FlexGrid: the grid's cells in a CellStore, shown to the view with the
// first fixed row as the horizontal header and the first fixed column as the vertical header;
// the body is rows FixedRows().. and columns FixedCols()... (Fixed rows or columns after the
// first are shown as ordinary body cells.) QStrings are made only when the view asks for a cell.
// What the view draws (DisplayRole, headers included) is a cell's first kMaxShownChars UTF-16
// units at most, ending in an ellipsis when cut; EditRole gives the whole text; NullRole is true
// for a cell filled from a null value (its text is empty).
//
// The store is shared: a view of the cells (FlexGrid::View) keeps it as it was, and the model
// copies it before changing it while anything else holds it. Records (grid rows 1..records) may be
// shown in an order of their own: grid coordinates then name the cell where it is shown, for
// reading and writing alike, and the header row and the rows after the records stay in place.
// A change of the grid's structure (rows or columns added or removed, a new store, Clear) drops
// the order.
//
// While updates are held (the grid's Redraw off) the view keeps seeing the counts it was last
// told about and no per-row signals are sent; releasing the hold publishes everything with one
// reset. Every mutator takes grid coordinates and raises tbn::Error 381/380 like CellStore.
#include "results/CellStore.h"

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace tbn::grid {

class FlexGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FlexGridModel(QObject* parent = nullptr);

    // Far wider than any column, and short enough for a repaint of cells this long to take
    // milliseconds; the layout of a cell of millions of characters takes seconds or fails.
    static constexpr qsizetype kMaxShownChars = 4096;
    static constexpr int NullRole = Qt::UserRole + 1;

    using Order = std::shared_ptr<const std::vector<std::int64_t>>;

    const results::CellStore& Store() const { return *store_; }  // in store rows
    std::shared_ptr<const results::CellStore> SharedStore() const { return store_; }
    // The store itself, to be adopted again later (AdoptStore): the model copies it before a
    // change while it is shared, and nobody else may change it.
    std::shared_ptr<results::CellStore> ShareStore() { return store_; }
    std::size_t BytesUsed() const { return store_->BytesUsed(); }

    // order holds the store rows of grid rows 1..records in the order shown: each of 1..records
    // once (else raises 380, as does a records count the grid has no room for). Null clears it.
    void SetRecordOrder(Order order, std::int64_t records);
    const Order& RecordOrder() const { return order_; }
    std::int64_t OrderedRecords() const { return order_ ? orderRecords_ : 0; }
    // The store row of the cells shown in grid row `row`; rows outside the order map to
    // themselves.
    std::int64_t StoreRow(std::int64_t row) const {
        return order_ && row >= 1 && row <= orderRecords_
                   ? (*order_)[static_cast<std::size_t>(row - 1)]
                   : row;
    }

    int FixedRows() const { return fixedRows_; }
    int FixedCols() const { return fixedCols_; }
    void SetFixedRows(int rows);
    void SetFixedCols(int cols);
    int HeaderRows() const { return fixedRows_ > 0 ? 1 : 0; }  // grid rows not in the body
    int HeaderCols() const { return fixedCols_ > 0 ? 1 : 0; }

    void SetRows(std::int64_t rows);
    void SetCols(std::int64_t cols);
    void SetCell(std::int64_t row, std::int64_t col, std::string_view text);
    void InsertRow(std::int64_t index, const results::RowValues& row);
    void RemoveRow(std::int64_t index);
    void WriteRow(std::int64_t row, const results::RowValues& values);
    void WriteRowAndAppend(std::int64_t row, const results::RowValues& values);  // see CellStore
    void Clear();
    // Every cell and both counts from store, in one reset; a store held elsewhere too is copied
    // before the model's first change to it.
    void AdoptStore(std::shared_ptr<results::CellStore> store);
    // A later share of the same rows (a run's rows so far): store holds every row the model's
    // store holds, unchanged, and more after them. Only the added rows are announced, so the view
    // keeps its current cell, selection and scroll position, and the cost is that of the rows
    // added. A store of other columns or fewer rows is adopted instead.
    void ExtendStore(std::shared_ptr<results::CellStore> store);

    bool UpdatesHeld() const { return held_; }
    void HoldUpdates();
    void ReleaseUpdates();

    // The model index showing grid cell (row, col); invalid for header cells and for cells the
    // view has not been told about yet.
    QModelIndex IndexOfCell(std::int64_t row, std::int64_t col) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    void RecordOrderDropped();  // by a change of structure, or cleared

private:
    std::string_view CellBytes(std::int64_t row,
                               std::int64_t col) const;         // empty outside the store
    bool CellIsNull(std::int64_t row, std::int64_t col) const;  // false outside the store
    QString ShownCell(std::int64_t row, std::int64_t col) const;
    void Resize(Qt::Orientation axis, std::int64_t count);
    void Publish();
    void ResetAround(const std::function<void()>& change);
    void NotifyCell(std::int64_t row, std::int64_t col);
    void NotifyAllCells();
    // Makes the store the model's own before a change, copying its first keptRows rows (the
    // others are about to go) when a view still holds it.
    results::CellStore& OwnStore(std::int64_t keptRows = std::numeric_limits<std::int64_t>::max());
    void DropOrder();

    std::shared_ptr<results::CellStore> store_;
    Order order_;
    std::int64_t orderRecords_ = 0;
    int fixedRows_ = 1;
    int fixedCols_ = 1;
    bool held_ = false;
    bool structureDirty_ = false;
    bool dataDirty_ = false;
    // What the view was last told: body size and header offsets.
    int publishedRows_ = 0;
    int publishedCols_ = 0;
    int publishedHeaderRows_ = 1;
    int publishedHeaderCols_ = 1;
};

}  // namespace tbn::grid
