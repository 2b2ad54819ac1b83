#pragma once
// One query run as the query window sees it: a worker thread that holds the window's session on
// a lease for the run and does the engine call and the fetch (RunJob), the progress clock, and
// cancelling. A cancel asks the engine, repeats the request while the run goes on (a request that
// arrives between two statements is lost), and when the engine has not stopped after
// kCancelAnswerMs it severs the connection where the engine supports that, or else leaves the
// worker to end on its own; either way the connection is then opened again from its string,
// waiting no longer than the connection's login timeout (and a second) for the server to answer.
//
// Where the run stands is its RunState: Running, Cancelling, then Severing or Abandoned when the
// engine does not answer, Finishing once the worker has ended while something is still awaited,
// Ended.
//
// Lives on the user-interface thread. RowsArrived is emitted, from the event loop, when a row
// set's first record is stored, and RowsSoFarStore gives its rows so far at any time;
// StatementEnded is emitted, from the event loop, after a statement of the text has ended while the
// run goes on (TakeEndedStatements hands over what ended since the last call); Ended is emitted
// once, after which Finish() hands the results back and ends the lease. Destroying a run that has
// not ended cancels it and waits (CancelAndWait); the lease gives the session back whatever the
// path.
#include "db/SessionLease.h"
#include "run/CancelRequests.h"
#include "run/RunJob.h"
#include "run/RunState.h"
#include "run/StatementOutcome.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace tbn::run {

class ConnectionOpening;

struct RunResult {
    RunEnding ending = RunEnding::Failed;
    // The row set the grid shows at the end (see RunJob::RowSet): store holds the header and the
    // records so far. Shared with rowSets; nothing changes it.
    bool hasRowSet = false;
    std::shared_ptr<results::CellStore> store;
    std::int64_t rows = 0;          // records in store
    std::uint64_t onDiskBytes = 0;  // of store, kept in its spill file rather than in memory
    std::int64_t rowsChanged = 0;   // for Statement
    double seconds = 0;
    std::exception_ptr failure;        // for Failed
    bool connectionDropped = false;    // the engine did not answer the cancel; connection reopened
    std::exception_ptr reopenFailure;  // and opening it again failed: the connection is closed
    // One line for each statement that ran or began, in the order of the text.
    std::vector<StatementOutcome> statements;
    // Beside statements: each one's row set, null where it returned none. Empty for a run to a
    // file, which runs its text as one command.
    std::vector<std::shared_ptr<results::CellStore>> rowSets;
};

class QueryRun : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;
    static constexpr int kRepeatCancelMs = 250;
    static constexpr int kCancelAnswerMs = 5000;
    static constexpr int kRecheckMs = 2;

    // Leases connection's session (raises when it has none) and starts the worker at once.
    // With toFile, the row set goes to that file instead of the store (see RunJob).
    QueryRun(tbn::db::Connection& connection, std::string commandText, QObject* parent = nullptr,
             std::unique_ptr<ResultFile> toFile = nullptr);
    ~QueryRun() override;

    void Cancel();
    bool CancelRequested() const { return state_.Passed(RunPhase::Cancelling); }
    bool DroppingConnection() const { return reopener_ != nullptr; }
    double ElapsedSeconds() const { return static_cast<double>(clock_.elapsed()) / 1000.0; }
    std::int64_t RowsSoFar() const { return job_->RowsSoFar(); }
    // The row set the worker is filling, its header and records so far (see
    // RunJob::RowsSoFarStore); null before the run's first row set begins.
    std::shared_ptr<results::CellStore> RowsSoFarStore(int* rowSet = nullptr) const {
        return job_->RowsSoFarStore(rowSet);
    }
    bool HasEnded() const { return state_.Phase() == RunPhase::Ended; }
    // The statements that ended since the last call, in the order of the text.
    std::vector<EndedStatement> TakeEndedStatements() { return job_->TakeEnded(); }

    // Blocks until the worker has stopped, escalating as a cancel does but without opening the
    // connection again; for a window that is closing. Ended is not emitted.
    void CancelAndWait();

    // After Ended: ends the lease, giving the connection its session back (or the one opened again,
    // or none when that failed), and hands the recordset (open at its end after a complete row set)
    // to recordset.
    RunResult Finish(tbn::db::Recordset& recordset);

signals:
    void Ticked();       // every kTickMs while the run goes on
    void RowsArrived();  // once for each row set, when its first record is stored
    void StatementEnded();
    void Ended();

private:
    void Tick();
    void WorkerFinished();
    void TryEnd();
    void Escalate();
    bool Sever();
    void Abandon();
    void Reopen();
    qint64 ReopenPatienceMs() const;
    void StopThreads();
    bool WaitForWorker(int ms);  // blocking, repeating the cancel request; false on timeout

    RunState state_{RunPhase::Running};
    std::unique_ptr<CancelRequests> cancels_;
    bool canSever_;
    std::optional<tbn::db::SessionLease> lease_;
    std::shared_ptr<RunJob> job_;
    std::thread worker_;
    std::string connectionString_;
    QTimer ticker_;
    QTimer recheck_;  // while the work is over and a cancel request still on its way
    QElapsedTimer clock_;
    QElapsedTimer sinceCancel_;
    QElapsedTimer sinceRequest_;
    QElapsedTimer sinceReopen_;
    std::unique_ptr<ConnectionOpening> reopener_;
};

}  // namespace tbn::run
