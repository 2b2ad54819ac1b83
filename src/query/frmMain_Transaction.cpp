// The window's own transactions: manual commit, Commit and Roll back, and what becomes of an open
// transaction when the window closes.
#include "query/frmMain.h"

#include "query/RunStatusBar.h"
#include "run/QueryRun.h"
#include "run/RunHistory.h"
#include "run/RunStatusText.h"
#include "ui/MsgBox.h"
#include "ui/mdlErrors.h"

#include <QDateTime>
#include <QElapsedTimer>

using tbn::db::TransactionState;
using namespace tbn::ui;

namespace {
const QString kTransactionContext = QStringLiteral("frmMain >> Transaction");
const QString kFailedText = QStringLiteral("The transaction failed; roll it back.");
const QString kRolledBackText = QStringLiteral("; the open transaction was rolled back");
}  // namespace

TransactionState frmMain::Transaction() {
    if (!blnConnected || Running() || cnn.State() != tbn::db::adStateOpen)
        return TransactionState::None;
    return cnn.session().Transaction();
}

void frmMain::ApplyAutoCommit() {
    if (!blnConnected || cnn.State() != tbn::db::adStateOpen) return;
    tbn::db::Session& session = cnn.session();
    if (session.AutoCommit() != autoCommit_) session.SetAutoCommit(autoCommit_);
}

void frmMain::NoteRunStarts() {
    // A session opened since the last run (Reconnect, a link dropped by a cancel) starts in
    // auto-commit and without the transaction counted so far.
    ApplyAutoCommit();
    if (Transaction() == TransactionState::None) transactionStatements_ = 0;
}

void frmMain::SetAutoCommit(bool on) {
    if (on == autoCommit_) return;
    if (Running()) {
        RefuseWhileRunning();
        return;
    }
    // The catalogue read holds the connection; it is made again once the switch is done.
    StopSchemaRead();
    // Work done by hand is never committed or dropped behind the user's back.
    if (on && !AskToEndTransaction()) {
        ReadSchema();
        return;
    }
    const bool was = autoCommit_;
    autoCommit_ = on;
    if (!mdlErrors::Guarded(kTransactionContext, [&] { ApplyAutoCommit(); })) autoCommit_ = was;
    ShowTransaction();
    ReadSchema();
}

void frmMain::CommitTransaction() {
    if (!ReadyToRun()) return;
    StopSchemaRead();
    EndTransaction(true);
    ReadSchema();
}

void frmMain::RollbackTransaction() {
    if (!ReadyToRun()) return;
    StopSchemaRead();
    EndTransaction(false);
    ReadSchema();
}

bool frmMain::EndTransaction(bool commit) {
    if (Transaction() == TransactionState::None) {
        transactionStatements_ = 0;
        ShowTransaction();
        statusLine->ShowMessage(QStringLiteral("No transaction is open"));
        return true;
    }
    tbn::run::RunResult result;
    result.ending = tbn::run::RunEnding::Statement;
    result.rowsChanged = -1;
    const std::int64_t startedMs = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer clock;
    clock.start();
    const bool ended = mdlErrors::Guarded(kTransactionContext, [&] {
        try {
            tbn::db::Session& session = cnn.session();
            if (commit)
                session.Commit();
            else
                session.Rollback();
        } catch (...) {
            result.ending = tbn::run::RunEnding::Failed;
            result.failure = std::current_exception();
            throw;
        }
    });
    result.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    const QString text = commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK");
    tbn::run::RunHistory::Program().Record(strCnnName, text, startedMs, result);
    if (ended) {
        transactionStatements_ = 0;
        statusLine->ShowMessage(commit ? QStringLiteral("Committed")
                                       : QStringLiteral("Rolled back"));
    }
    ShowTransaction();
    return ended;
}

bool frmMain::AskToEndTransaction() {
    // A catalogue read holds the connection; the caller that keeps the window reads again.
    StopSchemaRead();
    switch (Transaction()) {
    case TransactionState::None: return true;
    case TransactionState::Failed:
        // Nothing of it can be committed any more; it goes the way the server already sent it.
        EndTransaction(false);
        return true;
    case TransactionState::Open: break;
    }
    const int answer =
        MsgBox(QStringLiteral("Commit the open transaction of %1?").arg(windowTitle()),
               vbYesNoCancel + vbQuestion, QStringLiteral("TBN"));
    if (answer == vbYes) return EndTransaction(true);
    // A roll back that fails has lost its link: the server drops the transaction with it.
    if (answer == vbNo) {
        EndTransaction(false);
        return true;
    }
    return false;
}

void frmMain::NoteRunEnded(const tbn::run::RunResult& result) {
    // Counted from the run's start only when a transaction was open then (NoteRunStarts).
    const bool wasOpen = transactionStatements_ > 0;
    if (Transaction() == TransactionState::None) {
        transactionStatements_ = 0;
        // The engine undid the work (an error that rolls back, an interrupted write, a link
        // dropped by a cancel): the user must not take it for still pending.
        if (wasOpen && (result.ending == tbn::run::RunEnding::Failed ||
                        result.ending == tbn::run::RunEnding::Cancelled))
            statusLine->ShowMessage(statusLine->Text() + kRolledBackText);
    } else {
        // A run to a file runs its text as one command and reports no statements of its own.
        transactionStatements_ +=
            std::max<std::int64_t>(1, static_cast<std::int64_t>(result.statements.size()));
    }
    ShowTransaction();
}

void frmMain::ShowTransaction() {
    switch (Transaction()) {
    case TransactionState::None: statusLine->ShowTransaction({}); break;
    case TransactionState::Open:
        statusLine->ShowTransaction(tbn::run::TransactionOpenText(transactionStatements_));
        break;
    case TransactionState::Failed: statusLine->ShowTransaction(kFailedText, true); break;
    }
}
