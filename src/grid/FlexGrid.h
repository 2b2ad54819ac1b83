#pragma once
// A grid with the classic flex-grid API over a compact cell store (no object per cell): a million
// rows of six columns cost about as much memory as their text. Row 0 and column 0 are fixed cells
// drawn as headers (FixedRows/FixedCols of 1); the user can resize rows and columns with the mouse.
// Widths are in twips and read back exactly as set. Indexes are 0-based and 64-bit wide enough for
// any grid; an index out of range raises tbn::Error (number 381, "Subscript out of range").
// Only the first fixed row and column are drawn as headers; ColWidth(0) is the width of the row
// headers. Clicking a column header selects that column's non-fixed cells (Row = FixedRows,
// RowSel = Rows - 1), a row header likewise; clicking the fixed top-left cell selects every
// non-fixed cell. Ctrl+Shift+End and Ctrl+Shift+Home keep Row/Col and move RowSel/ColSel to the
// last cell and to the first non-fixed cell, however far those are from the screen.
#include <QTableView>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "results/ResultView.h"

namespace tbn::grid {

class FlexGridModel;
class NullCellDelegate;

class FlexGrid : public QTableView {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr);
    ~FlexGrid() override;

    std::int64_t Rows() const;
    void SetRows(std::int64_t rows);  // grows with empty rows or drops rows at the end
    std::int64_t Cols() const;
    void SetCols(std::int64_t cols);  // keeps the text of the columns that remain
    int FixedRows() const;
    void SetFixedRows(int rows);
    int FixedCols() const;
    void SetFixedCols(int cols);

    QString TextMatrix(std::int64_t row, std::int64_t col) const;
    // The same text as stored, UTF-8, valid until the grid next changes: for reading many cells
    // without a QString each.
    std::string_view CellBytes(std::int64_t row, std::int64_t col) const;
    void SetTextMatrix(std::int64_t row, std::int64_t col,
                       const QString& text);  // the cell is no longer null
    // True for a cell filled from a null value: its text is empty, and it is drawn as a grey
    // "NULL".
    bool IsNull(std::int64_t row, std::int64_t col) const;
    // What the engine said the cell's value is (Text for a cell the grid itself wrote).
    core::ValueKind CellKind(std::int64_t row, std::int64_t col) const;

    int ColWidth(std::int64_t col) const;           // twips
    void SetColWidth(std::int64_t col, int twips);  // negative: raises 380 "Invalid property value"

    // Current cell and the far corner of the selection. Setting Row or Col collapses the selection
    // to the current cell. The user's mouse selection sets Row/Col at the anchor and
    // RowSel/ColSel at the far corner, so RowSel < Row when dragged upwards.
    std::int64_t Row() const;
    void SetRow(std::int64_t row);
    std::int64_t Col() const;
    void SetCol(std::int64_t col);
    std::int64_t RowSel() const;
    void SetRowSel(std::int64_t row);
    std::int64_t ColSel() const;
    void SetColSel(std::int64_t col);

    // Adds a row whose cells take the TAB-separated pieces of item; at the end when index < 0.
    void AddItem(const QString& item, std::int64_t index = -1);
    void RemoveItem(std::int64_t index);
    void Clear();  // empties every cell, fixed ones included; row and column counts stay

    // Fast path for filling: writes the given values (null: empty text, marked null) into the cells
    // of row `row` starting at column `firstCol`, then appends one empty row at the end. Equivalent
    // to SetTextMatrix on each cell followed by AddItem(""), without building QStrings. kinds, when
    // given, runs beside values.
    void FillRowAndAppend(std::int64_t row, std::int64_t firstCol,
                          std::span<const std::optional<std::string_view>> values,
                          std::span<const core::ValueKind> kinds = {});

    // Takes over a store filled elsewhere (on another thread, say) as the grid's cells and counts,
    // without copying it. Widths of the columns that remain are kept, as SetCols keeps them.
    void AdoptStore(results::CellStore&& store);
    // The same for a store held elsewhere as well (a result kept to be shown again): the grid
    // copies it before its first change of a cell, so the holder's store never changes.
    void AdoptStore(std::shared_ptr<results::CellStore> store);
    // Takes a larger share of the rows the grid shows (a run's rows so far, as they arrive): store
    // holds the grid's rows unchanged and more after them. The rows are added at the end, so the
    // current cell, the selection, the scroll position and the column widths stay as they are;
    // the cost is that of the rows added. A store of other columns is adopted instead.
    void ExtendStore(std::shared_ptr<results::CellStore> store);

    // Draws every cell's text faded (headers as they are): the rows of a result that a run is
    // about to replace. Nothing else changes for the user or for any reader of the cells.
    bool Dimmed() const;
    void SetDimmed(bool on);

    bool Redraw() const;
    void SetRedraw(bool on);  // off: no repaint and no view updates until switched on again
    bool WordWrap() const;
    void SetWordWrap(bool on);
    void SetAllowUserResizing(int mode);  // 0 none, 1 columns, 2 rows, 3 both

    int WidthTwips() const;  // the control's own width
    // The width the columns can fill without a horizontal scroll bar: the control's width less its
    // frame and, while the rows are taller than the view, the vertical scroll bar. Columns whose
    // widths add up to no more than this show whole, without a horizontal scroll bar.
    int VisibleWidthTwips() const;

    // The cells as a result to read away from the grid: `records` records after the header row,
    // in the order shown. What the view holds does not change when the grid does: the grid copies
    // its cells before changing them while a view holds them (a new store or Clear copies nothing).
    results::ResultView View(std::int64_t records) const;

    // Shows rows 1..records in the order given, each row with its row number: order holds their
    // store rows (as a ResultView's order does), each of 1..records once, else raises 380. Every
    // cell accessor then reads and writes the cell where it is shown, so copies follow the order.
    // Rows, columns or a store added or taken away, or Clear, drop the order; so does a null one.
    using Order = std::shared_ptr<const std::vector<std::int64_t>>;
    void SetRecordOrder(Order order, std::int64_t records);
    const Order& RecordOrder() const;  // null while the rows are shown as stored
    void ClearRecordOrder() { SetRecordOrder(nullptr, 0); }
    // The column header's sort mark, shown until the order is dropped or cleared.
    void ShowSortIndicator(std::int64_t col, Qt::SortOrder direction);

    FlexGridModel* flexModel() const;
    std::size_t BytesUsed() const;  // the cell store's own accounting of text and offsets

    void selectAll() override;  // selects every non-fixed cell: Row/Col first, RowSel/ColSel last

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ExtendSelectionTo(std::int64_t row, std::int64_t col);
    void ApplyColumnWidth(std::int64_t col);
    void ApplyColumnWidth(std::int64_t col, double leftTwips);  // leftTwips: the columns before it
    void ApplyColumnWidths();
    void ApplyHeaderVisibility();
    void ClampSelection();
    void ApplySelectionToView();
    void TakeSelectionFromView();
    void SelectLinesFromHeader(Qt::Orientation header, int section, bool extend);
    void OnSectionResized(int section, int oldPixels, int newPixels);
    void AfterStructureChange();

    std::unique_ptr<FlexGridModel> model_;
    NullCellDelegate* delegate_;  // a child of the view
    std::vector<int> colTwips_;
    std::int64_t row_ = 1;
    std::int64_t col_ = 1;
    std::int64_t rowSel_ = 1;
    std::int64_t colSel_ = 1;
    std::int64_t headerAnchor_ = 0;  // the section where a header drag started, grid index
    int sortSection_ = -1;           // the header's sort mark, while shown
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    bool redraw_ = true;
    int programmatic_ =
        0;  // > 0 while this class drives the view, so its signals are not user input
};

}  // namespace tbn::grid
