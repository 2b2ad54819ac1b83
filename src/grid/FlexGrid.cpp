#include "grid/FlexGrid.h"

#include "core/PropertyErrors.h"
#include "grid/FlexGridModel.h"
#include "grid/NullCellDelegate.h"
#include "ui/Twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <cmath>

namespace tbn::grid {

namespace {
constexpr int kDefaultColTwips = 960;
}  // namespace

FlexGrid::FlexGrid(QWidget* parent)
    : QTableView(parent), model_(std::make_unique<FlexGridModel>()),
      colTwips_(2, kDefaultColTwips) {
    setModel(model_.get());
    delegate_ = new NullCellDelegate(this);
    setItemDelegate(delegate_);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ContiguousSelection);
    setSelectionBehavior(SelectItems);
    setCornerButtonEnabled(true);  // its click calls selectAll()
    QTableView::setWordWrap(false);
    horizontalHeader()->setDefaultSectionSize(ui::TwipsToPixels(kDefaultColTwips));
    SetAllowUserResizing(0);

    // A click on a fixed cell selects its whole column (or row) of non-fixed cells, as grids of
    // this kind always have; the view's own header selection would start at the top visible row.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        disconnect(header, &QHeaderView::sectionPressed, this, nullptr);
        disconnect(header, &QHeaderView::sectionEntered, this, nullptr);
        const Qt::Orientation orientation = header->orientation();
        connect(header, &QHeaderView::sectionPressed, this,
                [this, orientation](int s) { SelectLinesFromHeader(orientation, s, false); });
        connect(header, &QHeaderView::sectionEntered, this,
                [this, orientation](int s) { SelectLinesFromHeader(orientation, s, true); });
    }
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &FlexGrid::OnSectionResized);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { TakeSelectionFromView(); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { TakeSelectionFromView(); });
    // A reset or new columns give the header default section sizes; widths live here, in twips.
    connect(model_.get(), &QAbstractItemModel::modelReset, this, [this] {
        ApplyHeaderVisibility();
        ApplyColumnWidths();
        ApplySelectionToView();
    });
    connect(model_.get(), &QAbstractItemModel::columnsInserted, this,
            [this] { ApplyColumnWidths(); });
    connect(model_.get(), &FlexGridModel::RecordOrderDropped, this,
            [this] { horizontalHeader()->setSortIndicatorShown(false); });
    // A click on a header selects its column and sorts nothing, so the header must not turn its
    // mark round as it does for views that sort on a click.
    connect(horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this] {
        QHeaderView* header = horizontalHeader();
        if (header->sortIndicatorSection() == sortSection_ &&
            header->sortIndicatorOrder() == sortOrder_)
            return;
        const QSignalBlocker quiet(header);
        header->setSortIndicator(sortSection_, sortOrder_);
    });

    ApplyHeaderVisibility();
    ApplyColumnWidths();
    ApplySelectionToView();
}

FlexGrid::~FlexGrid() {
    // The view must let go of the model before the model member is destroyed.
    setModel(nullptr);
}

std::int64_t FlexGrid::Rows() const { return model_->Store().Rows(); }

void FlexGrid::SetRows(std::int64_t rows) {
    {
        QScopedValueRollback scope(programmatic_, programmatic_ + 1);
        model_->SetRows(rows);
    }
    AfterStructureChange();
}

std::int64_t FlexGrid::Cols() const { return model_->Store().Cols(); }

void FlexGrid::SetCols(std::int64_t cols) {
    {
        QScopedValueRollback scope(programmatic_, programmatic_ + 1);
        model_->SetCols(cols);
    }
    colTwips_.resize(static_cast<std::size_t>(cols), kDefaultColTwips);
    ApplyColumnWidths();
    AfterStructureChange();
}

int FlexGrid::FixedRows() const { return model_->FixedRows(); }

void FlexGrid::SetFixedRows(int rows) {
    QScopedValueRollback scope(programmatic_, programmatic_ + 1);
    model_->SetFixedRows(rows);
}

int FlexGrid::FixedCols() const { return model_->FixedCols(); }

void FlexGrid::SetFixedCols(int cols) {
    QScopedValueRollback scope(programmatic_, programmatic_ + 1);
    model_->SetFixedCols(cols);
}

std::string_view FlexGrid::CellBytes(std::int64_t row, std::int64_t col) const {
    return model_->Store().Cell(model_->StoreRow(row), col);
}

QString FlexGrid::TextMatrix(std::int64_t row, std::int64_t col) const {
    const std::string_view text = CellBytes(row, col);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool FlexGrid::IsNull(std::int64_t row, std::int64_t col) const {
    return model_->Store().IsNull(model_->StoreRow(row), col);
}

core::ValueKind FlexGrid::CellKind(std::int64_t row, std::int64_t col) const {
    return model_->Store().Kind(model_->StoreRow(row), col);
}

void FlexGrid::SetTextMatrix(std::int64_t row, std::int64_t col, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    model_->SetCell(row, col,
                    std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void FlexGrid::AddItem(const QString& item, std::int64_t index) {
    if (index < 0) index = Rows();
    // Pieces beyond the last column have no cell to go to and are dropped.
    const QStringList pieces = item.split(QLatin1Char('\t'));
    const auto used = std::min<std::int64_t>(pieces.size(), Cols());
    std::vector<QByteArray> utf8;
    std::vector<std::optional<std::string_view>> values;
    utf8.reserve(static_cast<std::size_t>(used));
    values.reserve(static_cast<std::size_t>(used));
    for (std::int64_t c = 0; c < used; ++c) {
        utf8.push_back(pieces[static_cast<qsizetype>(c)].toUtf8());
        values.emplace_back(std::string_view(utf8.back().constData(),
                                             static_cast<std::size_t>(utf8.back().size())));
    }
    {
        QScopedValueRollback scope(programmatic_, programmatic_ + 1);
        model_->InsertRow(index, results::RowValues{0, values});
    }
    AfterStructureChange();
}

void FlexGrid::RemoveItem(std::int64_t index) {
    {
        QScopedValueRollback scope(programmatic_, programmatic_ + 1);
        model_->RemoveRow(index);
    }
    AfterStructureChange();
}

void FlexGrid::Clear() { model_->Clear(); }

void FlexGrid::FillRowAndAppend(std::int64_t row, std::int64_t firstCol,
                                std::span<const std::optional<std::string_view>> values,
                                std::span<const core::ValueKind> kinds) {
    // Rows only grow here, so the current cell and selection stay valid as they are.
    QScopedValueRollback scope(programmatic_, programmatic_ + 1);
    model_->WriteRowAndAppend(row, results::RowValues{firstCol, values, kinds});
}

void FlexGrid::AdoptStore(results::CellStore&& store) {
    AdoptStore(std::make_shared<results::CellStore>(std::move(store)));
}

void FlexGrid::AdoptStore(std::shared_ptr<results::CellStore> store) {
    const std::int64_t cols = store->Cols();
    {
        QScopedValueRollback scope(programmatic_, programmatic_ + 1);
        model_->AdoptStore(std::move(store));
    }
    colTwips_.resize(static_cast<std::size_t>(cols), kDefaultColTwips);
    ApplyColumnWidths();
    AfterStructureChange();
}

void FlexGrid::ExtendStore(std::shared_ptr<results::CellStore> store) {
    if (store->Cols() != Cols() || store->Rows() < Rows()) {
        AdoptStore(std::move(store));
        return;
    }
    // Rows only grow here, so the current cell and selection stay valid as they are.
    QScopedValueRollback scope(programmatic_, programmatic_ + 1);
    model_->ExtendStore(std::move(store));
}

bool FlexGrid::Dimmed() const { return delegate_->Dimmed(); }

void FlexGrid::SetDimmed(bool on) {
    if (on == Dimmed()) return;
    delegate_->SetDimmed(on);
    viewport()->update();
}

bool FlexGrid::Redraw() const { return redraw_; }

void FlexGrid::SetRedraw(bool on) {
    if (on == redraw_) return;
    redraw_ = on;
    if (!on) {
        model_->HoldUpdates();
        setUpdatesEnabled(false);
        return;
    }
    {
        QScopedValueRollback scope(programmatic_, programmatic_ + 1);
        model_->ReleaseUpdates();
    }
    ApplyColumnWidths();
    ApplySelectionToView();
    setUpdatesEnabled(true);
    viewport()->update();
}

bool FlexGrid::WordWrap() const { return wordWrap(); }

void FlexGrid::SetWordWrap(bool on) { setWordWrap(on); }

void FlexGrid::SetAllowUserResizing(int mode) {
    if (mode < 0 || mode > 3) core::RaiseInvalidPropertyValue();
    horizontalHeader()->setSectionResizeMode((mode & 1) ? QHeaderView::Interactive
                                                        : QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode((mode & 2) ? QHeaderView::Interactive
                                                      : QHeaderView::Fixed);
}

int FlexGrid::WidthTwips() const {
    return static_cast<int>(std::lround(ui::PixelsToTwips(width())));
}

FlexGridModel* FlexGrid::flexModel() const { return model_.get(); }

results::ResultView FlexGrid::View(std::int64_t records) const {
    results::ResultView view{model_->SharedStore(), model_->RecordOrder(), records};
    const std::int64_t ordered = model_->OrderedRecords();
    if (view.order && records > ordered) {
        // Records past the ordered ones are shown where they are stored.
        auto longer = std::make_shared<std::vector<std::int64_t>>(*view.order);
        for (std::int64_t row = ordered + 1; row <= records; ++row) longer->push_back(row);
        view.order = std::move(longer);
    }
    return view;
}

void FlexGrid::SetRecordOrder(Order order, std::int64_t records) {
    model_->SetRecordOrder(std::move(order), records);
}

const FlexGrid::Order& FlexGrid::RecordOrder() const { return model_->RecordOrder(); }

void FlexGrid::ShowSortIndicator(std::int64_t col, Qt::SortOrder direction) {
    const std::int64_t section = col - model_->HeaderCols();
    if (section < 0 || section >= model_->columnCount()) return;
    sortSection_ = static_cast<int>(section);
    sortOrder_ = direction;
    horizontalHeader()->setSortIndicator(sortSection_, sortOrder_);
    horizontalHeader()->setSortIndicatorShown(true);
}

std::size_t FlexGrid::BytesUsed() const { return model_->BytesUsed(); }

void FlexGrid::AfterStructureChange() {
    ClampSelection();
    if (!model_->UpdatesHeld()) ApplySelectionToView();
}

void FlexGrid::ApplyHeaderVisibility() {
    horizontalHeader()->setVisible(model_->HeaderRows() > 0);
    verticalHeader()->setVisible(model_->HeaderCols() > 0);
}

}  // namespace tbn::grid
