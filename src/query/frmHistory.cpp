#include "query/frmHistory.h"

#include "query/HistoryModel.h"
#include "query/MessagesPane.h"
#include "query/frmMain.h"
#include "run/RunHistory.h"
#include "ui/TextBox.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace tbn::query {

namespace {
// The text to put in at the caret of paneText (CR LF breaks) so that it stands on a line of its
// own.
QString OnALineOfItsOwn(const QString& paneText, int caret, const QString& text) {
    auto isBreak = [](QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); };
    const bool atLineStart = caret <= 0 || isBreak(paneText.at(caret - 1));
    const bool textFollows = caret < paneText.size() && !isBreak(paneText.at(caret));
    const QString lineBreak = QStringLiteral("\r\n");
    return (atLineStart ? QString() : lineBreak) + text + (textFollows ? lineBreak : QString());
}
}  // namespace

// A tool window of the frame: it stays above the frame that owns it, without a place of its own
// among the desktop's windows.
frmHistory::frmHistory(tbn::run::RunHistory& history, TargetWindow target, QWidget* parent)
    : QWidget(parent, Qt::Tool), history_(history), target_(std::move(target)) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("History"));
    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("Type part of a query to filter"));
    txtFilter->setClearButtonEnabled(true);
    cboConnection = new QComboBox(this);
    cboConnection->setObjectName(QStringLiteral("cboConnection"));
    cboConnection->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboConnection->setMinimumContentsLength(24);
    model_ = new tbn::query::HistoryModel(history_, this);
    lvRuns = new QTableView(this);
    lvRuns->setObjectName(QStringLiteral("lvRuns"));
    lvRuns->setModel(model_);
    lvRuns->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvRuns->setSelectionMode(QAbstractItemView::SingleSelection);
    lvRuns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvRuns->setWordWrap(false);
    lvRuns->verticalHeader()->hide();
    lvRuns->verticalHeader()->setDefaultSectionSize(QFontMetrics(lvRuns->font()).height() + 6);
    lvRuns->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics(lvRuns->font());
    using Column = tbn::query::HistoryModel;
    lvRuns->setColumnWidth(Column::Started,
                           metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00MM")));
    lvRuns->setColumnWidth(Column::Connection, metrics.horizontalAdvance(QLatin1Char('M')) * 14);
    lvRuns->setColumnWidth(Column::Duration,
                           metrics.horizontalAdvance(QStringLiteral("000.0 sMM")));
    lvRuns->setColumnWidth(Column::Outcome, metrics.horizontalAdvance(QLatin1Char('M')) * 14);
    lstStatements = new MessagesPane(this);
    lstStatements->setObjectName(QStringLiteral("lstStatements"));
    lblNotice = new QLabel(this);

    auto* filters = new QHBoxLayout;
    filters->addWidget(txtFilter, 1);
    filters->addWidget(cboConnection);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    auto* panes = new QSplitter(Qt::Vertical, this);
    panes->addWidget(lvRuns);
    panes->addWidget(lstStatements);
    panes->setStretchFactor(0, 3);
    panes->setStretchFactor(1, 1);
    panes->setChildrenCollapsible(false);
    layout->addWidget(panes, 1);
    layout->addWidget(lblNotice);

    connect(txtFilter, &QLineEdit::textChanged, this, &frmHistory::ApplyFilter);
    connect(cboConnection, &QComboBox::currentIndexChanged, this, &frmHistory::ApplyFilter);
    connect(lvRuns, &QTableView::doubleClicked, this, &frmHistory::InsertChosen);
    connect(lvRuns->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmHistory::ShowStatements);
    txtFilter->installEventFilter(this);
    lvRuns->installEventFilter(this);
    lstStatements->Lines()->installEventFilter(this);
    resize(760, 420);
    Refresh();
}

void frmHistory::Refresh() {
    FillConnections();
    ApplyFilter();
}

void frmHistory::FillConnections() {
    const QString chosen =
        cboConnection->currentIndex() > 0 ? cboConnection->currentText() : QString();
    std::vector<std::string> names;
    history_.Use([&](tbn::db::HistoryStore& store) { names = store.Connections(); });
    const QSignalBlocker quiet(cboConnection);
    cboConnection->clear();
    cboConnection->addItem(QStringLiteral("(every connection)"));
    for (const std::string& name : names) cboConnection->addItem(QString::fromStdString(name));
    cboConnection->setCurrentIndex(chosen.isEmpty() ? 0
                                                    : std::max(0, cboConnection->findText(chosen)));
}

void frmHistory::ApplyFilter() {
    tbn::db::HistoryFilter filter;
    filter.text = txtFilter->text().toStdString();
    if (cboConnection->currentIndex() > 0)
        filter.connection = cboConnection->currentText().toStdString();
    const QModelIndex before = lvRuns->currentIndex();
    const std::int64_t chosenRun = before.isValid() ? model_->RunId(before.row()) : 0;
    model_->SetFilter(std::move(filter));
    // The run the user was on stays chosen when it still shows, else the newest is.
    int row = 0;
    for (int i = 0; i < model_->rowCount(); ++i)
        if (model_->RunId(i) == chosenRun) row = i;
    if (model_->rowCount() > 0)
        lvRuns->setCurrentIndex(model_->index(row, tbn::query::HistoryModel::Text));
    // A filter that leaves no run announces no change of row.
    ShowStatements();
    lblNotice->clear();
}

void frmHistory::ShowStatements() {
    const QModelIndex current = lvRuns->currentIndex();
    const std::int64_t id = current.isValid() ? model_->RunId(current.row()) : 0;
    // Refreshing on every activation would otherwise read the same lines again and lose the
    // user's place among them.
    if (id == statementsOf_) return;
    statementsOf_ = id;
    lstStatements->Clear();
    if (id == 0) return;
    std::vector<tbn::db::HistoryStatement> lines;
    history_.Use([&](tbn::db::HistoryStore& store) { lines = store.Statements(id); });
    // A failure reads as its window's box gave it, placed in that window's pane.
    for (const tbn::db::HistoryStatement& line : lines)
        lstStatements->Add(tbn::run::OutcomeOf(line));
}

bool frmHistory::InsertChosen() {
    const QModelIndex current = lvRuns->currentIndex();
    if (!current.isValid()) return false;
    frmMain* window = target_ ? target_() : nullptr;
    if (!window) {
        lblNotice->setText(QStringLiteral("Open a query window to put the text in."));
        return false;
    }
    std::string text;
    if (!history_.Use(
            [&](tbn::db::HistoryStore& store) { text = store.Text(model_->RunId(current.row())); }))
        return false;
    tbn::ui::TextBox& pane = window->QueryText();
    const QString chosen = QString::fromStdString(text);
    pane.SetSelText(pane.SelLength() > 0 ? chosen
                                         : OnALineOfItsOwn(pane.Text(), pane.SelStart(), chosen));
    if (QMdiSubWindow* sub = window->subWindow()) {
        if (QMdiArea* area = sub->mdiArea()) area->setActiveSubWindow(sub);
        sub->window()->activateWindow();
    }
    window->rtfQueryWidget()->setFocus();
    return true;
}

bool frmHistory::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            InsertChosen();
            return true;
        }
        if (key == Qt::Key_Escape) {
            close();
            return true;
        }
        // From the filter box the arrows move through the list, so the hands stay on the keys.
        if (watched == txtFilter && (key == Qt::Key_Down || key == Qt::Key_Up ||
                                     key == Qt::Key_PageDown || key == Qt::Key_PageUp)) {
            QCoreApplication::sendEvent(lvRuns, event);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmHistory::changeEvent(QEvent* event) {
    // Runs recorded while the window was in the background show when it comes forward.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Refresh();
    QWidget::changeEvent(event);
}

}  // namespace tbn::query
