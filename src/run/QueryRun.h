#pragma once
// One query run as the query window sees it: a worker thread that owns the window's session for
// the run and does the engine call and the fetch (RunJob), the progress clock, and cancelling.
// A cancel asks the engine, repeats the request while the run goes on (a request that arrives
// between two statements is lost), and when the engine has not stopped after kCancelAnswerMs it
// severs the connection, or, where the engine has no way to sever, leaves the worker to end on
// its own; either way the connection is then opened again from its string, waiting no longer than
// the connection's login timeout (and a second) for the server to answer.
//
// Lives on the user-interface thread. Ended is emitted once, from the event loop, after which
// Finish() hands the session and the results back. Destroying a run that has not ended cancels
// it and waits (CancelAndWait).
#include "run/CancelRequests.h"
#include "run/RunJob.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <thread>

namespace tbn::run {

class ConnectionReopener;

struct RunResult {
    RunEnding ending = RunEnding::Failed;
    bool hasRowSet = false;        // store holds the header and the records so far
    results::CellStore store;
    std::int64_t rows = 0;         // records in store
    std::int64_t rowsChanged = 0;  // for Statement
    double seconds = 0;
    std::exception_ptr failure;    // for Failed
    bool connectionDropped = false;    // the engine did not answer the cancel; connection reopened
    std::exception_ptr reopenFailure;  // and opening it again failed: the connection is closed
};

class QueryRun : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;
    static constexpr int kRepeatCancelMs = 250;
    static constexpr int kCancelAnswerMs = 5000;
    static constexpr int kRecheckMs = 2;

    // Takes connection's session (raises when it has none) and starts the worker at once.
    QueryRun(tbn::db::Connection& connection, std::string commandText, QObject* parent = nullptr);
    ~QueryRun() override;

    void Cancel();
    bool CancelRequested() const { return job_->CancelRequested(); }
    bool DroppingConnection() const { return escalated_; }
    double ElapsedSeconds() const { return static_cast<double>(clock_.elapsed()) / 1000.0; }
    std::int64_t RowsSoFar() const { return job_->RowsSoFar(); }
    bool HasEnded() const { return ended_; }

    // Blocks until the worker has stopped, escalating as a cancel does but without opening the
    // connection again; for a window that is closing. Ended is not emitted.
    void CancelAndWait();

    // After Ended: gives the session (or the one opened again) back to connection and the
    // recordset (open at its end after a complete row set) to recordset.
    RunResult Finish(tbn::db::Connection& connection, tbn::db::Recordset& recordset);

signals:
    void Ticked();  // every kTickMs while the run goes on
    void Ended();

private:
    void Tick();
    void WorkerFinished();
    void TryEnd();
    void Escalate();
    void Abandon();
    void Reopen();
    qint64 ReopenPatienceMs() const;
    void StopThreads();
    bool WaitForWorker(int ms);  // blocking, repeating the cancel request; false on timeout

    std::shared_ptr<RunJob> job_;
    std::thread worker_;
    std::unique_ptr<CancelRequests> cancels_;
    std::string connectionString_;
    QTimer ticker_;
    QTimer recheck_;  // while the work is over and a cancel request still on its way
    QElapsedTimer clock_;
    QElapsedTimer sinceCancel_;
    QElapsedTimer sinceRequest_;
    QElapsedTimer sinceReopen_;
    bool workerDone_ = false;
    bool escalated_ = false;
    bool abandoned_ = false;
    bool ended_ = false;
    std::unique_ptr<ConnectionReopener> reopener_;
};

} // namespace tbn::run
