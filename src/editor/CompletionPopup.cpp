#include "editor/CompletionPopup.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>

namespace tbn::editor {

namespace {

constexpr int kVisibleRows = 10;
constexpr int kMeasuredRows = 50;  // a wide name further down is cut rather than measured
constexpr int kMinWidth = 220;
constexpr int kMaxWidth = 640;

}  // namespace

void CompletionModel::SetCandidates(QList<CompletionCandidate> candidates) {
    beginResetModel();
    candidates_ = std::move(candidates);
    endResetModel();
}

int CompletionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(candidates_.size());
}

int CompletionModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant CompletionModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= candidates_.size()) return {};
    const CompletionCandidate& candidate = candidates_[index.row()];
    if (role == Qt::DisplayRole) return index.column() == 0 ? candidate.label : candidate.detail;
    if (role == Qt::ForegroundRole && index.column() == 1)
        return QPalette().brush(QPalette::Disabled, QPalette::Text);
    return {};
}

CompletionPopup::CompletionPopup(QWidget* owner) : QTreeView(owner) {
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
    setModel(&model_);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    header()->setStretchLastSection(true);
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { emit Clicked(index.row()); });
}

void CompletionPopup::ShowCandidates(QList<CompletionCandidate> candidates, const QRect& anchor) {
    model_.SetCandidates(std::move(candidates));
    setCurrentIndex(model_.index(0, 0));
    const QFontMetrics metrics = fontMetrics();
    int labelWidth = 0, detailWidth = 0;
    const auto& shown = model_.Candidates();
    for (qsizetype i = 0; i < std::min<qsizetype>(shown.size(), kMeasuredRows); ++i) {
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(shown[i].label));
        detailWidth = std::max(detailWidth, metrics.horizontalAdvance(shown[i].detail));
    }
    const int gap = metrics.horizontalAdvance(QLatin1Char('M')) * 2;
    setColumnWidth(0, labelWidth + gap);
    const int frame = 2 * frameWidth();
    const int rowHeight = std::max(sizeHintForRow(0), metrics.height());
    const int rows = int(std::min<qsizetype>(shown.size(), kVisibleRows));
    const int scrollBar = shown.size() > kVisibleRows ? verticalScrollBar()->sizeHint().width() : 0;
    const int width =
        std::clamp(labelWidth + detailWidth + 2 * gap + scrollBar + frame, kMinWidth, kMaxWidth);
    const int height = rows * rowHeight + frame;
    QPoint at = anchor.bottomLeft();
    if (const QScreen* screen = QGuiApplication::screenAt(anchor.center())) {
        const QRect room = screen->availableGeometry();
        if (at.y() + height > room.bottom()) at.setY(anchor.top() - height);
        at.setX(std::min(at.x(), room.right() - width));
    }
    setGeometry(QRect(at, QSize(width, height)));
    if (!isVisible()) show();
    scrollToTop();
}

void CompletionPopup::MoveBy(int rows) {
    const int count = model_.rowCount();
    if (count == 0) return;
    const int row = std::clamp(CurrentRow() + rows, 0, count - 1);
    setCurrentIndex(model_.index(row, 0));
    scrollTo(currentIndex());
}

int CompletionPopup::PageRows() const {
    const int rowHeight = std::max(1, sizeHintForRow(0));
    return std::max(1, viewport()->height() / rowHeight - 1);
}

}  // namespace tbn::editor
