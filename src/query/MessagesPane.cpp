#include "query/MessagesPane.h"

#include "core/Error.h"
#include "run/RunStatusText.h"
#include "ui/Clipboard.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>
#include <functional>

namespace tbn::query {

namespace {

// Takes Ctrl+C before the window's shortcut does, so a copy in the pane copies its lines, and
// Enter on the current line, which a list otherwise leaves to the platform's idea of activation.
class LineList : public QListWidget {
public:
    LineList(QWidget* parent, std::function<void()> copy, std::function<void()> enter)
        : QListWidget(parent), copy_(std::move(copy)), enter_(std::move(enter)) {}

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            event->accept();
            return true;
        }
        return QListWidget::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Copy)) {
            copy_();
        } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            enter_();
        } else {
            QListWidget::keyPressEvent(event);
        }
    }

private:
    std::function<void()> copy_;
    std::function<void()> enter_;
};

}  // namespace

MessagesPane::MessagesPane(QWidget* parent)
    : QWidget(parent), lines_(new LineList(
                           this, [this] { ui::Clipboard::SetText(SelectedText()); },
                           [this] { Choose(lines_->currentItem()); })) {
    setObjectName(QStringLiteral("Messages"));
    lines_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lines_->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lines_);
    connect(lines_, &QListWidget::itemClicked, this, &MessagesPane::Choose);
}

void MessagesPane::Clear() {
    lines_->clear();
    failures_.clear();
}

void MessagesPane::Add(const run::StatementOutcome& outcome) {
    QString fullError;
    if (outcome.ending == run::StatementEnding::Failed && outcome.failure)
        fullError = QString::fromStdString(tbn::Error::From(outcome.failure).Description());
    auto* item =
        new QListWidgetItem(run::StatementLineText(lines_->count() + 1, outcome,
                                                   fullError.section(QLatin1Char('\n'), 0, 0)),
                            lines_);
    // The lines after an error's first (PostgreSQL's DETAIL and HINT) are there for the asking.
    if (!fullError.isEmpty()) item->setToolTip(fullError);
    failures_.push_back(outcome.ending == run::StatementEnding::Failed ? outcome.failure
                                                                       : std::exception_ptr());
}

QString MessagesPane::SelectedText() const {
    QStringList text;
    for (int row = 0; row < lines_->count(); ++row)
        if (lines_->item(row)->isSelected()) text << lines_->item(row)->text();
    return text.join(QLatin1Char('\n'));
}

void MessagesPane::Choose(const QListWidgetItem* item) {
    if (!item) return;
    const auto row = static_cast<std::size_t>(lines_->row(item));
    if (row < failures_.size() && failures_[row]) emit FailureChosen(failures_[row]);
}

}  // namespace tbn::query
