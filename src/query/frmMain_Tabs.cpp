// The tabs above the grid after a run of several statements: each statement's row set kept, shown
// in the grid when its tab is chosen, and the Messages tab with a line for each statement.
#include "query/frmMain.h"

#include "grid/FlexGrid.h"
#include "grid/FlexGridModel.h"
#include "query/GridScopes.h"
#include "query/MessagesPane.h"
#include "query/RunStatusBar.h"
#include "run/QueryRun.h"
#include "run/RunStatusText.h"
#include "ui/TextBox.h"
#include "ui/mdlErrors.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <algorithm>
#include <QShortcut>
#include <QTabBar>

using tbn::query::KeptResult;

namespace {
// Grid widths read back exactly as set, so a tab shown again looks as it was left.
std::vector<int> Widths(const tbn::grid::FlexGrid& grid) {
    std::vector<int> widths;
    for (std::int64_t c = 0; c < grid.Cols(); ++c) widths.push_back(grid.ColWidth(c));
    return widths;
}

// The widths and the order kept with a result, back on the grid that shows it again.
void Restore(tbn::grid::FlexGrid& grid, const KeptResult& kept) {
    const std::size_t cols = std::min(kept.widths.size(), static_cast<std::size_t>(grid.Cols()));
    for (std::size_t c = 0; c < cols; ++c)
        grid.SetColWidth(static_cast<std::int64_t>(c), kept.widths[c]);
    if (kept.order) grid.SetRecordOrder(kept.order, kept.orderRecords);
}

KeptResult GridNow(tbn::grid::FlexGrid& grid, std::int64_t records, const QString& text) {
    return {grid.flexModel()->ShareStore(), Widths(grid), grid.RecordOrder(),
            grid.RecordOrder() ? records : 0, text};
}
}  // namespace

void frmMain::InitResultTabs() {
    resultTabs_ = new QTabBar(this);
    resultTabs_->setObjectName(QStringLiteral("tabResults"));
    resultTabs_->setExpanding(false);
    resultTabs_->setDrawBase(false);
    resultTabs_->setUsesScrollButtons(true);
    resultTabs_->hide();
    messages_ = new tbn::query::MessagesPane(this);
    messages_->hide();
    connect(resultTabs_, &QTabBar::currentChanged, this, &frmMain::ShowResultTab);
    // The tab marked current may not be what the grid shows (during a run, after a failed one).
    connect(resultTabs_, &QTabBar::tabBarClicked, this, &frmMain::ShowResultTab);
    connect(messages_, &tbn::query::MessagesPane::FailureChosen, this,
            &frmMain::ResultFailureChosen);
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_PageUp), this, nullptr,
                                   nullptr, Qt::WidgetWithChildrenShortcut);
    connect(previous, &QShortcut::activated, this,
            [this] { ChooseResultTab(resultTabs_->currentIndex() - 1); });
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_PageDown), this, nullptr,
                               nullptr, Qt::WidgetWithChildrenShortcut);
    connect(next, &QShortcut::activated, this,
            [this] { ChooseResultTab(resultTabs_->currentIndex() + 1); });
}

void frmMain::ChooseResultTab(int index) {
    if (resultTabs_->isHidden() || index < 0 || index >= resultTabs_->count()) return;
    if (index == resultTabs_->currentIndex())
        ShowResultTab(index);
    else
        resultTabs_->setCurrentIndex(index);
}

void frmMain::TakeEndedStatements() {
    if (!run_) return;
    std::vector<tbn::run::EndedStatement> ended = run_->TakeEndedStatements();
    // A text of one statement keeps the window as it always was.
    if (ended.empty() || runStatements_ < 2) return;
    if (!tabsOfRun_) {
        ClearResultTabs();
        tabsOfRun_ = true;
    }
    for (tbn::run::EndedStatement& statement : ended)
        AddResultTab(statement.outcome, std::move(statement.rows));
    if (resultTabs_->isHidden()) {
        resultTabs_->show();
        ApplyPanes();
    }
}

void frmMain::AddResultTab(const tbn::run::StatementOutcome& outcome,
                           std::shared_ptr<tbn::results::CellStore> rows) {
    const QSignalBlocker quiet(resultTabs_);
    const int number = static_cast<int>(kept_.size()) + 1;
    kept_.push_back({std::move(rows), {}, nullptr, 0, {}});
    if (resultTabs_->count() == 0) resultTabs_->addTab(QStringLiteral("Messages"));
    resultTabs_->insertTab(number - 1, tbn::run::StatementTabText(number, outcome));
    messages_->Add(outcome);
    // While the run goes on the grid shows what it showed, whichever tab the bar marks.
    resultTabs_->setCurrentIndex(shownResult_ >= 0 ? shownResult_ : 0);
}

void frmMain::ClearResultTabs() {
    const QSignalBlocker quiet(resultTabs_);
    while (resultTabs_->count() > 0) resultTabs_->removeTab(0);
    messages_->Clear();
    kept_.clear();
    shownResult_ = -1;
    tabsOfRun_ = false;
}

void frmMain::ShowResultTabs(const tbn::run::RunResult& result, std::optional<int> failureAt) {
    ClearResultTabs();
    tabsFailureAt_ = failureAt;
    const bool shown = tbn::query::ShowsTabs(result, runStatements_);
    if (shown) {
        // The failure is placed in the pane already, as the error box showed it.
        std::vector<std::size_t> offsets;
        for (const tbn::run::StatementOutcome& outcome : result.statements)
            offsets.push_back(outcome.textOffset.value_or(0));
        const std::vector<QString> texts = tbn::query::StatementTexts(runCommandText_, offsets);
        for (std::size_t k = 0; k < result.statements.size(); ++k) {
            AddResultTab(result.statements[k], result.rowSets[k]);
            kept_.back().text = texts[k];
        }
        const QSignalBlocker quiet(resultTabs_);
        const int current = tbn::query::TabAtEnd(result);
        resultTabs_->setCurrentIndex(current);
        // The grid holds that statement's row set, or what a statement without rows leaves; a
        // run that brought no result of its own leaves an earlier one there.
        if (result.hasRowSet || result.ending == tbn::run::RunEnding::Statement)
            shownResult_ = current;
    }
    resultTabs_->setVisible(shown);
    messages_->hide();
    if (blnPanesShown) Flex->show();
    ApplyPanes();
}

void frmMain::ShowResultTab(int index) {
    if (index < 0 || index > static_cast<int>(kept_.size())) return;
    if (index == static_cast<int>(kept_.size())) {
        // The Messages tab takes the grid's place, and the keyboard with it.
        const bool gridHadFocus = Flex->hasFocus();
        messages_->show();
        messages_->raise();
        Flex->hide();
        if (gridHadFocus) messages_->Lines()->setFocus();
        return;
    }
    const bool gridHadFocus = messages_->isVisible() && messages_->Lines()->hasFocus();
    messages_->hide();
    if (blnPanesShown) Flex->show();
    if (gridHadFocus) Flex->setFocus();
    // What the statement came to, for one without rows above all, whose grid is empty.
    if (const QListWidgetItem* line = messages_->Lines()->item(index))
        statusLine->ShowMessage(line->text());
    if (index == shownResult_) return;
    KeepGridOfRun();
    KeepShownResult();
    mdlErrors::Guarded(QStringLiteral("frmMain >> ShowResultTab"), [&] {
        KeptResult& kept = kept_[static_cast<std::size_t>(index)];
        shownResult_ = index;
        blnGridHasRowSet = kept.rows != nullptr;
        gridCommandText_ = kept.text;
        tbn::query::GridRedrawOff redrawOff(*Flex);
        ResetGrid();
        if (kept.rows) Flex->AdoptStore(kept.rows);
        Flex->SetDimmed(false);
        if (kept.widths.empty()) AutosizeGridColumns(*Flex, 100, 400);
        Restore(*Flex, kept);
    });
}

void frmMain::KeepShownResult() {
    if (shownResult_ < 0 || shownResult_ >= static_cast<int>(kept_.size())) return;
    KeptResult& kept = kept_[static_cast<std::size_t>(shownResult_)];
    kept.widths = Widths(*Flex);
    kept.order = Flex->RecordOrder();
    kept.orderRecords = kept.order ? GridRecords() : 0;
}

void frmMain::KeepGridOfRun() {
    if (!run_ || gridOfRun_) return;
    gridOfRun_ = GridNow(*Flex, GridRecords(), gridCommandText_);
    gridOfRunHadRowSet_ = blnGridHasRowSet;
}

void frmMain::PutBackGridOfRun() {
    if (!gridOfRun_) return;
    KeptResult grid = std::move(*gridOfRun_);
    gridOfRun_.reset();
    blnGridHasRowSet = gridOfRunHadRowSet_;
    gridCommandText_ = grid.text;
    tbn::query::GridRedrawOff redrawOff(*Flex);
    Flex->AdoptStore(grid.rows);
    Restore(*Flex, grid);
    shownResult_ = -1;
}

void frmMain::ResultFailureChosen(const std::exception_ptr& failure) {
    // A run fails at one statement at most; where it lies was found when the run ended, before
    // the report's text was given its place.
    if (failure && tabsFailureAt_) SelectFailure(*tabsFailureAt_);
}

// The bar takes its height from the grid, and the Messages pane takes the grid's place.
void frmMain::PlaceResultTabs() {
    if (resultTabs_->isHidden()) return;
    QRect grid = Flex->geometry();
    const int barHeight = std::min(resultTabs_->sizeHint().height(), grid.height());
    resultTabs_->setGeometry(grid.left(), grid.top(), grid.width(), barHeight);
    grid.setTop(grid.top() + barHeight);
    Flex->setGeometry(grid);
    messages_->setGeometry(grid);
}
