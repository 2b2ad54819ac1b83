#include "run/QueryRun.h"

#include "db/providers/ProviderFactory.h"
#include "run/ConnectionOpening.h"
#include "run/LeftBehindThreads.h"

namespace tbn::run {

QueryRun::QueryRun(tbn::db::Connection& connection, std::string commandText, QObject* parent,
                   std::unique_ptr<ResultFile> toFile)
    : QObject(parent),
      // Both asked while the session is still idle, before it is lent.
      cancels_(std::make_unique<CancelRequests>(connection.session().PrepareCancel())),
      canSever_(connection.session().Supports(tbn::db::Feature::Sever)),
      lease_(std::in_place, connection),
      job_(std::make_shared<RunJob>(lease_->lent(), std::move(commandText), std::move(toFile))),
      connectionString_(connection.ConnectionString()) {
    // Posted, never called: the worker must not run anything of the window's thread.
    job_->NotifyWhenFinished([this] {
        QMetaObject::invokeMethod(
            this, [this] { WorkerFinished(); }, Qt::QueuedConnection);
    });
    job_->NotifyWhenStatementEnds([this] {
        QMetaObject::invokeMethod(
            this, [this] { emit StatementEnded(); }, Qt::QueuedConnection);
    });
    job_->NotifyWhenRowsArrive([this] {
        QMetaObject::invokeMethod(
            this, [this] { emit RowsArrived(); }, Qt::QueuedConnection);
    });
    connect(&ticker_, &QTimer::timeout, this, &QueryRun::Tick);
    recheck_.setSingleShot(true);
    recheck_.setInterval(kRecheckMs);
    connect(&recheck_, &QTimer::timeout, this, &QueryRun::TryEnd);
    clock_.start();
    ticker_.start(kTickMs);
    worker_ = std::thread([job = job_] { job->Work(); });
}

QueryRun::~QueryRun() {
    if (!HasEnded()) CancelAndWait();
    StopThreads();
}

void QueryRun::Cancel() {
    if (!state_.To(RunPhase::Cancelling)) return;
    job_->RequestCancel();
    sinceCancel_.start();
    cancels_->Send();
    sinceRequest_.start();
}

void QueryRun::WorkerFinished() {
    // A worker left behind has nobody to tell, and a run that ended heard of it already.
    if (!state_.To(RunPhase::Finishing)) return;
    worker_.join();  // it has nothing left to do
    TryEnd();
}

void QueryRun::TryEnd() {
    switch (state_.Phase()) {
    case RunPhase::Finishing:
        // A request still on its way could stop the next command on the same connection; once the
        // connection is a new one, it can only reach the old one.
        if (!reopener_ && cancels_->Busy()) {
            // Usually a matter of a millisecond or two: look again soon rather than at the next
            // tick.
            if (sinceRequest_.elapsed() < kTickMs) recheck_.start();
            return;
        }
        break;
    case RunPhase::Abandoned: break;
    default: return;  // the worker is still at work
    }
    if (reopener_ && !reopener_->Finished()) return;
    cancels_->LetGo();
    ticker_.stop();
    state_.To(RunPhase::Ended);
    emit Ended();
}

void QueryRun::Tick() {
    const RunPhase phase = state_.Phase();
    if (phase == RunPhase::Ended) return;
    if (reopener_) {
        // A driver that ignores its own login timeout must not keep the window waiting for good.
        if (!reopener_->Finished() && sinceReopen_.elapsed() >= ReopenPatienceMs())
            reopener_->GiveUp(NoAnswerWithin(tbn::db::LoginTimeoutSeconds(connectionString_)));
        if (reopener_->Finished()) {
            TryEnd();
            if (HasEnded()) return;
        }
    } else if (phase == RunPhase::Finishing) {
        TryEnd();
        if (HasEnded()) return;
        // The work is over but the server has not answered the cancel: the request could still
        // stop the next command, so this connection is not kept either.
        if (sinceCancel_.elapsed() >= kCancelAnswerMs) Reopen();
    } else if (phase == RunPhase::Cancelling) {
        if (sinceCancel_.elapsed() >= kCancelAnswerMs)
            Escalate();
        else if (sinceRequest_.elapsed() >= kRepeatCancelMs && cancels_->Send())
            sinceRequest_.start();
    }
    emit Ticked();
}

void QueryRun::Escalate() {
    // Ended just now: its news is on the way, and the connection may be kept.
    if (job_->Finished()) return;
    if (!Sever()) Abandon();
    Reopen();
}

bool QueryRun::Sever() {
    if (!canSever_ || !cancels_->handle().Sever()) return false;
    state_.To(RunPhase::Severing);
    return true;
}

void QueryRun::Reopen() {
    reopener_ = std::make_unique<ConnectionOpening>(connectionString_, tbn::db::adUseClient, false);
    sinceReopen_.start();
}

qint64 QueryRun::ReopenPatienceMs() const {
    // The engine's own timeout ends the open a little after it has passed; this is only for one
    // that does not.
    return (tbn::db::LoginTimeoutSeconds(connectionString_) + 1) * qint64{1000};
}

void QueryRun::Abandon() {
    // The worker keeps its own share of everything it touches, the lent session included, and
    // nobody is told when it ends; the program waits for it at exit.
    state_.To(RunPhase::Abandoned);
    lease_->GiveBackInstead({});
    job_->StopNotifying();
    LeaveBehind(std::move(worker_), [job = job_] { return job->Finished(); });
}

bool QueryRun::WaitForWorker(int ms) {
    return cancels_->SendUntil([this] { return job_->Finished(); }, ms, kRepeatCancelMs);
}

void QueryRun::CancelAndWait() {
    const RunPhase phase = state_.Phase();
    if (phase == RunPhase::Ended) return;
    if (phase == RunPhase::Running || phase == RunPhase::Cancelling ||
        phase == RunPhase::Severing) {
        Cancel();
        bool done = WaitForWorker(kCancelAnswerMs);
        if (!done && Sever()) done = WaitForWorker(kCancelAnswerMs);
        if (done) {
            worker_.join();
            state_.To(RunPhase::Finishing);
        } else {
            Abandon();
        }
    }
    cancels_->LetGo();
    ticker_.stop();
    state_.To(RunPhase::Ended);
}

void QueryRun::StopThreads() {
    job_->StopNotifying();
    if (worker_.joinable()) worker_.join();
    cancels_->LetGo();
}

RunResult QueryRun::Finish(tbn::db::Recordset& recordset) {
    RunResult result;
    // What ended before a worker was left behind is the window's all the same.
    for (EndedStatement& ended : job_->EndedSoFar()) {
        result.statements.push_back(std::move(ended.outcome));
        result.rowSets.push_back(std::move(ended.rows));
    }
    if (state_.Passed(RunPhase::Abandoned)) {
        // The rows fetched so far stay with the worker that was left behind.
        result.ending = RunEnding::Cancelled;
        result.seconds = ElapsedSeconds();
    } else {
        result.ending = job_->Ending();
        result.hasRowSet = job_->HasRowSet();
        result.store = job_->RowSet();
        result.rows = result.hasRowSet ? job_->RowSetRecords() : 0;
        if (result.hasRowSet && result.store) result.onDiskBytes = result.store->SpilledBytes();
        result.rowsChanged = job_->RowsChanged();
        result.seconds = job_->Seconds();
        result.failure = job_->Failure();
    }
    if (reopener_) {
        // The old session goes with the job; its recordset with it.
        result.connectionDropped = true;
        result.reopenFailure = reopener_->Failure();
        lease_->GiveBackInstead(reopener_->TakeConnection());
    } else {
        recordset = std::move(job_->recordset());
    }
    lease_.reset();
    return result;
}

}  // namespace tbn::run
