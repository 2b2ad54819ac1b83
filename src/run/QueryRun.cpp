#include "run/QueryRun.h"

#include "db/providers/ProviderFactory.h"
#include "run/ConnectionReopener.h"
#include "run/LeftBehindThreads.h"

#include <chrono>

namespace tbn::run {

namespace {

std::shared_ptr<tbn::db::CancelHandle> PrepareCancel(tbn::db::Connection& connection) {
    return connection.session().PrepareCancel();
}

tbn::db::Connection Lend(tbn::db::Connection& connection) {
    tbn::db::Connection lent;
    lent.SetConnectionString(connection.ConnectionString());
    lent.SetCursorLocation(connection.CursorLocation());
    lent.AdoptSession(connection.ReleaseSession());
    return lent;
}

} // namespace

QueryRun::QueryRun(tbn::db::Connection& connection, std::string commandText, QObject* parent)
    : QObject(parent),
      cancels_(std::make_unique<CancelRequests>(PrepareCancel(connection))),
      connectionString_(connection.ConnectionString()) {
    job_ = std::make_shared<RunJob>(Lend(connection), std::move(commandText));
    // Posted, never called: the worker must not run anything of the window's thread.
    job_->NotifyWhenFinished([this] { QMetaObject::invokeMethod(this, [this] { WorkerFinished(); }, Qt::QueuedConnection); });
    connect(&ticker_, &QTimer::timeout, this, &QueryRun::Tick);
    recheck_.setSingleShot(true);
    recheck_.setInterval(kRecheckMs);
    connect(&recheck_, &QTimer::timeout, this, &QueryRun::TryEnd);
    clock_.start();
    ticker_.start(kTickMs);
    try {
        worker_ = std::thread([job = job_] { job->Work(); });
    } catch (...) {
        connection.AdoptSession(job_->connection().ReleaseSession());
        throw;
    }
}

QueryRun::~QueryRun() {
    if (!ended_) CancelAndWait();
    StopThreads();
}

void QueryRun::Cancel() {
    if (ended_ || job_->CancelRequested()) return;
    job_->RequestCancel();
    sinceCancel_.start();
    cancels_->Send();
    sinceRequest_.start();
}

void QueryRun::WorkerFinished() {
    if (ended_ || abandoned_ || workerDone_) return;
    workerDone_ = true;
    worker_.join();  // it has nothing left to do
    TryEnd();
}

void QueryRun::TryEnd() {
    // A request still on its way could stop the next command on the same connection; once the
    // connection is a new one, it can only reach the old one.
    if (ended_) return;
    if (cancels_->Busy() && !escalated_) {
        // Usually a matter of a millisecond or two: look again soon rather than at the next tick.
        if (sinceRequest_.elapsed() < kTickMs) recheck_.start();
        return;
    }
    if (reopener_ && !reopener_->Finished()) return;
    cancels_->LetGo();
    ticker_.stop();
    ended_ = true;
    emit Ended();
}

void QueryRun::Tick() {
    if (ended_) return;
    if (reopener_) {
        // A driver that ignores its own login timeout must not keep the window waiting for good.
        if (!reopener_->Finished() && sinceReopen_.elapsed() >= ReopenPatienceMs())
            reopener_->GiveUp(tbn::db::LoginTimeoutSeconds(connectionString_));
        if (reopener_->Finished()) {
            TryEnd();
            return;
        }
    } else if (workerDone_) {
        TryEnd();
        if (ended_) return;
        // The work is over but the server has not answered the cancel: the request could still
        // stop the next command, so this connection is not kept either.
        if (sinceCancel_.elapsed() >= kCancelAnswerMs) {
            escalated_ = true;
            Reopen();
        }
    } else if (job_->CancelRequested() && !escalated_) {
        if (sinceCancel_.elapsed() >= kCancelAnswerMs)
            Escalate();
        else if (sinceRequest_.elapsed() >= kRepeatCancelMs && cancels_->Send())
            sinceRequest_.start();
    }
    emit Ticked();
}

void QueryRun::Escalate() {
    escalated_ = true;
    if (job_->Sever(cancels_->handle(), true) != RunJob::SeverOutcome::NoWay) return;
    Abandon();
    Reopen();
}

void QueryRun::Reopen() {
    reopener_ = std::make_unique<ConnectionReopener>(connectionString_);
    sinceReopen_.start();
}

qint64 QueryRun::ReopenPatienceMs() const {
    // The engine's own timeout ends the open a little after it has passed; this is only for one
    // that does not.
    return (tbn::db::LoginTimeoutSeconds(connectionString_) + 1) * qint64{1000};
}

void QueryRun::Abandon() {
    // The worker keeps its own share of everything it touches, and nobody is told when it ends;
    // the program waits for it at exit.
    abandoned_ = true;
    job_->StopNotifying();
    LeaveBehind(std::move(worker_), [job = job_] { return job->Finished(); });
}

bool QueryRun::WaitForWorker(int ms) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(ms);
    auto nextRequest = steady_clock::now() + milliseconds(kRepeatCancelMs);
    while (!job_->Finished()) {
        const auto now = steady_clock::now();
        if (now >= deadline) return false;
        if (now >= nextRequest) {
            cancels_->Send();
            nextRequest = now + milliseconds(kRepeatCancelMs);
        }
        std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
}

void QueryRun::CancelAndWait() {
    if (ended_) return;
    if (!abandoned_ && !workerDone_) {
        Cancel();
        bool done = WaitForWorker(kCancelAnswerMs);
        if (!done && job_->Sever(cancels_->handle(), false) != RunJob::SeverOutcome::NoWay)
            done = WaitForWorker(kCancelAnswerMs);
        if (done) {
            worker_.join();
            workerDone_ = true;
        } else {
            Abandon();
        }
    }
    cancels_->LetGo();
    ticker_.stop();
    ended_ = true;
}

void QueryRun::StopThreads() {
    job_->StopNotifying();
    if (worker_.joinable()) worker_.join();
    cancels_->LetGo();
}

RunResult QueryRun::Finish(tbn::db::Connection& connection, tbn::db::Recordset& recordset) {
    RunResult result;
    if (abandoned_) {
        // The rows fetched so far stay with the worker that was left behind.
        result.ending = RunEnding::Cancelled;
        result.seconds = ElapsedSeconds();
    } else {
        result.ending = job_->Ending();
        result.hasRowSet = job_->HasRowSet();
        result.store = job_->TakeStore();
        result.rows = job_->RowsSoFar();
        result.rowsChanged = job_->RowsChanged();
        result.seconds = job_->Seconds();
        result.failure = job_->Failure();
    }
    if (reopener_) {
        // The old session goes with the job; its recordset with it.
        result.connectionDropped = true;
        result.reopenFailure = reopener_->Failure();
        if (!result.reopenFailure) connection.AdoptSession(reopener_->TakeSession());
        return result;
    }
    result.connectionDropped = job_->Reopened() || job_->ReopenFailure();
    result.reopenFailure = job_->ReopenFailure();
    connection.AdoptSession(job_->connection().ReleaseSession());
    recordset = std::move(job_->recordset());
    return result;
}

} // namespace tbn::run
