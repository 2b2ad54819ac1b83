// Running the SQL pane's text on a worker thread and showing what the run brought back.
#include "query/frmMain.h"

#include "grid/FlexGrid.h"
#include "grid/FlexGridModel.h"
#include "query/ExportJob.h"
#include "query/GridScopes.h"
#include "query/RunStatusBar.h"
#include "run/QueryRun.h"
#include "run/RunHistory.h"
#include "run/RunStatusText.h"
#include "run/SchemaReading.h"
#include "run/StatementAtCaret.h"
#include "run/UnboundedWrites.h"
#include "ui/Events.h"
#include "ui/MousePointer.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"
#include "ui/mdlErrors.h"

#include <QDateTime>
#include <QShortcut>
#include <optional>
#include <utility>
#include <vector>

using namespace tbn::grid;
using namespace tbn::ui;
using tbn::run::RunEnding;

namespace {
const QString kExecuteContext = QStringLiteral("frmMain >> ExecuteQuery");
constexpr double kProgressAfterSeconds = 0.3;  // shorter runs end without showing any

// The grid changes only when the run brought a result of its own: a failed or cancelled run that
// never got one leaves the previous result on screen.
bool GridTakesResult(const tbn::run::RunResult& result) {
    return result.hasRowSet || result.ending == RunEnding::Statement;
}

// Field names or records from an earlier run, as against the empty grid of a new window or of a
// statement without rows.
bool ShowsAResult(const FlexGrid& grid) {
    if (grid.Rows() > 2) return true;
    for (std::int64_t c = 1; c < grid.Cols(); ++c)
        if (!grid.CellBytes(0, c).empty()) return true;
    return false;
}
}  // namespace

void frmMain::ExecuteQuerySelected() { ExecuteQuery(true); }

void frmMain::ExecuteQuery(bool blnSelected) {
    if (Running()) {
        RefuseWhileRunning();
        return;
    }
    // Until the run has started; the run then holds the hourglass itself.
    std::optional<BusyPointer> busy(std::in_place);
    DoEvents();
    // What the pending events did may leave nothing to run here.
    if (Running() || blnUnloaded || (blnSelected && rtfQueryText->SelLength() == 0)) {
        if (Running())
            RefuseWhileRunning();
        else if (!blnUnloaded)
            statusLine->ShowMessage(QStringLiteral("Nothing selected"));
        return;
    }
    if (!blnConnected) {
        // Nothing runs, but the user is told why rather than left with a key that does nothing.
        statusLine->ShowMessage(NotConnectedText());
        mdlErrors::Guarded(kExecuteContext, [&] { AutosizeGridColumns(*Flex, 100, 400); });
        return;
    }
    const int commandStart = blnSelected ? rtfQueryText->SelStart() : 0;
    const QString commandText = blnSelected ? rtfQueryText->SelText() : rtfQueryText->Text();
    // A question is not asked under the hourglass; StartRun takes it again at once.
    busy.reset();
    if (!AgreedToUnboundedWrites(commandText)) return;
    mdlErrors::Guarded(kExecuteContext, [&] {
        CloseRecordset();
        runCommandStart_ = commandStart;
        runCommandText_ = commandText;
        StartRun(runCommandText_.toStdString());
    });
}

bool frmMain::AgreedToUnboundedWrites(const QString& commandText) {
    if (!tbn::run::AskBeforeUnboundedWrites()) return true;
    const std::vector<tbn::run::UnboundedWrite> writes = tbn::run::FindUnboundedWrites(commandText);
    if (writes.empty()) return true;
    for (const tbn::run::UnboundedWrite& write : writes)
        if (MsgBox(tbn::run::UnboundedWriteQuestion(write),
                   vbYesNo + vbExclamation + vbDefaultButton2, QStringLiteral("TBN")) != vbYes)
            return false;
    // The questions let events through: the window may have lost its connection or gone.
    if (Running()) RefuseWhileRunning();
    return !blnUnloaded && !Running() && blnConnected;
}

void frmMain::StartRun(std::string commandText, std::unique_ptr<tbn::run::ResultFile> toFile) {
    if (schemaRead_) {
        // The read gives the connection up within a moment; the run starts when it has, and the
        // read is made again after the run.
        schemaRead_->Stop();
        pendingRun_ = std::move(commandText);
        pendingFile_ = std::move(toFile);
        runBusy_.emplace();
        escapeKey->setEnabled(true);
        return;
    }
    // A run to a file leaves the tabs as they are, as it leaves the grid.
    runStatements_ =
        toFile ? 0 : tbn::run::StatementStarts(QString::fromStdString(commandText)).size();
    NoteRunStarts();
    run_ = std::make_unique<tbn::run::QueryRun>(cnn, std::move(commandText), nullptr,
                                                std::move(toFile));
    runStartedMs_ = QDateTime::currentMSecsSinceEpoch();
    if (!runBusy_) runBusy_.emplace();
    escapeKey->setEnabled(true);
    // The rows on screen stay readable but must not pass for the run's own; a run to a file leaves
    // them as they are.
    if (runFileName_.isEmpty()) Flex->SetDimmed(true);
    connect(run_.get(), &tbn::run::QueryRun::Ticked, this, [this] {
        ShowRowsSoFar();
        ShowRunProgress(false);
    });
    connect(run_.get(), &tbn::run::QueryRun::RowsArrived, this, &frmMain::ShowRowsSoFar);
    tabsOfRun_ = false;
    connect(run_.get(), &tbn::run::QueryRun::StatementEnded, this, &frmMain::TakeEndedStatements);
    // Queued, so that the run is no longer inside its own signal when it is destroyed.
    connect(run_.get(), &tbn::run::QueryRun::Ended, this, &frmMain::FinishRun,
            Qt::QueuedConnection);
}

void frmMain::DropPendingRun(const QString& why) {
    pendingRun_.reset();
    pendingFile_.reset();
    runFileName_.clear();
    runBusy_.reset();
    escapeKey->setEnabled(Connecting() || Exporting());
    if (!why.isEmpty()) statusLine->ShowMessage(why);
    emit RunEnded();
}

void frmMain::StartPendingRun() {
    if (!blnConnected) {
        DropPendingRun(NotConnectedText());
        return;
    }
    std::string commandText = std::move(*pendingRun_);
    pendingRun_.reset();
    mdlErrors::Guarded(kExecuteContext,
                       [&] { StartRun(std::move(commandText), std::move(pendingFile_)); });
    // It could not start after all; the error report said why.
    if (!run_) DropPendingRun({});
}

void frmMain::FinishRun() {
    if (!run_ || !run_->HasEnded()) return;
    tbn::run::RunResult result = run_->Finish(rs);
    run_.reset();
    const QString fileName = std::exchange(runFileName_, QString());
    // An export under way goes on writing the rows it began with: it shares them with the grid.
    escapeKey->setEnabled(Connecting() || Exporting());
    QString reopenFailure;
    if (result.reopenFailure) {
        // The connection is gone for good; the window behaves as one whose connect failed.
        blnConnected = false;
        reopenFailure =
            QString::fromStdString(tbn::Error::From(result.reopenFailure).Description());
        strNotConnected = reopenFailure;
    }
    // The grid is made from the result as if no rows had been shown while they arrived; only
    // where the user had moved in them stays.
    const std::optional<GridPlace> moved = TakeRowsSoFarPlace(result);
    PutBackGridOfRun();
    Flex->SetDimmed(false);
    const bool previousKept = fileName.isEmpty() && !GridTakesResult(result) && ShowsAResult(*Flex);
    statusLine->ShowMessage(tbn::run::EndText(result, reopenFailure, previousKept, fileName));
    std::optional<int> failureAt;
    mdlErrors::Guarded(kExecuteContext, [&] {
        try {
            if (fileName.isEmpty())
                ShowRunResult(result);
            else if (result.ending == RunEnding::Failed)
                std::rethrow_exception(result.failure);
        } catch (tbn::Error& error) {
            // The pane is pointed at only once the report has been read.
            if (result.ending == RunEnding::Failed)
                failureAt = PlaceFailure(error, runCommandText_, runCommandStart_);
            throw;
        }
    });
    if (moved && Flex->flexModel()->ShareStore() == result.store)
        mdlErrors::Guarded(kExecuteContext, [&] { ReturnToPlace(*moved); });
    tbn::run::RunHistory::Program().Record(strCnnName, runCommandText_, runStartedMs_, result);
    NoteRunEnded(result);
    if (fileName.isEmpty()) ShowResultTabs(result, failureAt);
    runBusy_.reset();
    if (failureAt) SelectFailure(*failureAt);
    if (schemaStale_ || tbn::run::MayChangeSchema(runCommandText_)) ReadSchema();
    emit RunEnded();
}

void frmMain::ShowRunResult(tbn::run::RunResult& result) {
    if (GridTakesResult(result)) {
        blnGridHasRowSet = result.hasRowSet;
        gridCommandText_ = runCommandText_;
        tbn::query::GridRedrawOff redrawOff(*Flex);
        ResetGrid();
        if (result.hasRowSet) Flex->AdoptStore(result.store);
    }
    if (result.ending == RunEnding::Failed) std::rethrow_exception(result.failure);
    if (result.ending == RunEnding::Cancelled && !result.hasRowSet) return;
    AutosizeGridColumns(*Flex, 100, 400);
}

void frmMain::ResetGrid() {
    Flex->Clear();
    // Dropping every row past the first record row is what removing row 2 over and over amounts
    // to, without the quadratic cost on a large result.
    if (Flex->Rows() > 2) Flex->SetRows(2);
    Flex->SetColWidth(0, 300);
}

void frmMain::CloseRecordset() {
    if (rs.State() != tbn::db::adStateClosed) rs.Close();
}

QString frmMain::NotConnectedText() const {
    return QStringLiteral("Not connected: ") + (strNotConnected.isEmpty()
                                                    ? QStringLiteral("no connection was opened")
                                                    : strNotConnected);
}

void frmMain::ShowRunProgress(bool now) {
    if (!run_) return;
    const double seconds = run_->ElapsedSeconds();
    if (!now && seconds < kProgressAfterSeconds && !run_->CancelRequested()) return;
    // Rows kept on disk are read back from there while they are shown: the user is told.
    const std::shared_ptr<tbn::results::CellStore> rowsSoFar = run_->RowsSoFarStore();
    statusLine->ShowProgress(
        tbn::run::ProgressText(seconds, run_->RowsSoFar(), run_->CancelRequested(),
                               run_->DroppingConnection(), !runFileName_.isEmpty(),
                               rowsSoFar ? rowsSoFar->SpilledBytes() : 0),
        !run_->CancelRequested());
}

void frmMain::CancelQuery() {
    CancelConnect();
    // It never started; the read it stopped comes again when it has.
    if (pendingRun_) DropPendingRun(QStringLiteral("Cancelled before it started"));
    if (export_) {
        export_->Cancel();
        ShowExportProgress();
    }
    if (!run_) return;
    run_->Cancel();
    ShowRunProgress(true);
}

bool frmMain::ReadyToRun() {
    if (Running())
        RefuseWhileRunning();
    else if (!blnConnected)
        statusLine->ShowMessage(NotConnectedText());
    return !Running() && blnConnected;
}

void frmMain::RefuseWhileRunning() {
    statusLine->ShowNotice(QStringLiteral("A query is running; cancel it first."));
    ShowRunProgress(true);
}

bool frmMain::AskToStopRun() {
    const int answer = MsgBox(QStringLiteral("A query is running. Cancel it and close?"),
                              vbYesNo + vbQuestion + vbDefaultButton2, QStringLiteral("TBN"));
    if (answer != vbYes) return false;
    if (run_) StopRunNow();  // it may have ended while the question was open
    return true;
}

void frmMain::StopRunNow() {
    // Nothing of the run is shown: the window is going away. The history still keeps it.
    tbn::run::RunResult stopped;
    stopped.ending = RunEnding::Cancelled;
    stopped.rows = run_->RowsSoFar();
    stopped.hasRowSet = stopped.rows > 0;
    run_->CancelAndWait();
    rowsSoFar_.reset();
    rowsSoFarSet_ = 0;
    Flex->SetDimmed(false);
    stopped.seconds = run_->ElapsedSeconds();
    tbn::run::RunHistory::Program().Record(strCnnName, runCommandText_, runStartedMs_, stopped);
    run_.reset();
    runFileName_.clear();
    escapeKey->setEnabled(Connecting() || Exporting());
    runBusy_.reset();
}
