#include "run/SchemaReading.h"

#include "db/providers/ProviderFactory.h"
#include "run/ConnectionOpening.h"
#include "run/FinishNotice.h"
#include "run/LeftBehindThreads.h"

namespace tbn::run {

// What the worker shares with its owner; the worker keeps its own share, so one left behind
// never reaches into a reading that is gone.
struct SchemaReading::Job {
    explicit Job(std::shared_ptr<tbn::db::Connection> lent) : connection(std::move(lent)) {}

    void Work() noexcept {
        try {
            // A stop asked for between the two reads spares the engine the longer one.
            if (state.Phase() == RunPhase::Running) tables = connection->session().Tables();
            if (state.Phase() == RunPhase::Running)
                schema = std::make_shared<core::SchemaInfo>(connection->session().ReadSchema());
        } catch (...) {
            failure = std::current_exception();
        }
        state.To(RunPhase::Ended);
        notice.Tell();
    }
    bool Finished() const { return state.Phase() == RunPhase::Ended; }

    std::shared_ptr<tbn::db::Connection> connection;
    RunState state{RunPhase::Running};  // Running, Cancelling (asked to stop), Ended
    std::vector<tbn::db::TableInfo> tables;
    std::shared_ptr<core::SchemaInfo> schema;
    std::exception_ptr failure;
    FinishNotice notice;
};

SchemaReading::SchemaReading(tbn::db::Connection& connection, QObject* parent)
    : QObject(parent),
      // Both asked while the session is still idle, before it is lent.
      cancels_(std::make_unique<CancelRequests>(connection.session().PrepareCancel())),
      canSever_(connection.session().Supports(tbn::db::Feature::Sever)),
      lease_(std::in_place, connection), job_(std::make_shared<Job>(lease_->lent())),
      connectionString_(connection.ConnectionString()) {
    // Posted, never called: the worker must not run anything of the window's thread.
    job_->notice.NotifyWhenFinished([this] {
        QMetaObject::invokeMethod(
            this, [this] { WorkerFinished(); }, Qt::QueuedConnection);
    });
    ticker_.setInterval(kRepeatStopMs);
    connect(&ticker_, &QTimer::timeout, this, &SchemaReading::Tick);
    worker_ = std::thread([job = job_] { job->Work(); });
}

SchemaReading::~SchemaReading() {
    if (!HasEnded()) StopAndWait();
    job_->notice.StopNotifying();
    if (worker_.joinable()) worker_.join();
    cancels_->LetGo();
}

void SchemaReading::Stop() {
    if (!state_.To(RunPhase::Cancelling)) return;
    job_->state.To(RunPhase::Cancelling);
    sinceStop_.start();
    cancels_->Send();
    ticker_.start();
}

void SchemaReading::WorkerFinished() {
    // A worker left behind has nobody to tell.
    if (!state_.To(RunPhase::Finishing)) return;
    worker_.join();
    TryEnd();
}

void SchemaReading::Tick() {
    switch (state_.Phase()) {
    case RunPhase::Cancelling:
        if (sinceStop_.elapsed() >= kStopAnswerMs)
            Escalate();
        else
            cancels_->Send();
        break;
    case RunPhase::Finishing:
        // The read is over but a stop request is still on its way: arriving late, it could stop
        // the run that follows on this session, so the session is not kept past the patience.
        if (!reopener_ && cancels_->Busy() && sinceStop_.elapsed() >= kStopAnswerMs)
            reopener_ =
                std::make_unique<ConnectionOpening>(connectionString_, tbn::db::adUseClient, false);
        TryEnd();
        break;
    case RunPhase::Abandoned: TryEnd(); break;
    default: break;
    }
    // A server that ignores its own login timeout must not keep the window waiting for good.
    const qint64 patienceMs = (tbn::db::LoginTimeoutSeconds(connectionString_) + 1) * qint64{1000};
    if (reopener_ && !reopener_->Finished() && sinceStop_.elapsed() >= kStopAnswerMs + patienceMs)
        reopener_->GiveUp(NoAnswerWithin(tbn::db::LoginTimeoutSeconds(connectionString_)));
}

void SchemaReading::TryEnd() {
    const RunPhase phase = state_.Phase();
    if (phase != RunPhase::Finishing && phase != RunPhase::Abandoned) return;
    if (reopener_ ? !reopener_->Finished() : cancels_->Busy()) {
        ticker_.start();
        return;
    }
    cancels_->LetGo();
    ticker_.stop();
    state_.To(RunPhase::Ended);
    emit Ended();
}

void SchemaReading::Escalate() {
    // Ended just now: its news is on the way, and the session may be kept.
    if (job_->Finished()) return;
    // Broken, the link makes a worker waiting on the server return soon; either way it ends alone.
    if (canSever_) cancels_->handle().Sever();
    Abandon();
    reopener_ = std::make_unique<ConnectionOpening>(connectionString_, tbn::db::adUseClient, false);
}

void SchemaReading::Abandon() {
    state_.To(RunPhase::Abandoned);
    // The worker keeps the lent session; the owner gets another or none.
    lease_->GiveBackInstead({});
    job_->notice.StopNotifying();
    LeaveBehind(std::move(worker_), [job = job_] { return job->Finished(); });
}

void SchemaReading::StopAndWait() {
    const RunPhase phase = state_.Phase();
    if (phase == RunPhase::Ended) return;
    if (phase == RunPhase::Running || phase == RunPhase::Cancelling) {
        Stop();
        const auto finished = [job = job_] { return job->Finished(); };
        bool done = cancels_->SendUntil(finished, kStopAnswerMs, kRepeatStopMs);
        if (!done && canSever_ && cancels_->handle().Sever())
            done = cancels_->SendUntil(finished, kStopAnswerMs, kRepeatStopMs);
        if (done) {
            worker_.join();
            state_.To(RunPhase::Finishing);
        } else {
            Abandon();
        }
    }
    // Nobody will use what a connection opened again would give.
    reopener_.reset();
    cancels_->LetGo();
    ticker_.stop();
    state_.To(RunPhase::Ended);
}

SchemaReadResult SchemaReading::Finish() {
    SchemaReadResult result;
    if (state_.Passed(RunPhase::Abandoned) || (job_->failure && StopRequested()) ||
        (!job_->failure && !job_->schema)) {
        result.stopped = true;
    } else if (job_->failure) {
        result.failure = job_->failure;
    } else {
        result.tables = std::move(job_->tables);
        result.schema = std::move(job_->schema);
    }
    if (reopener_) {
        result.reopenFailure = reopener_->Failure();
        lease_->GiveBackInstead(reopener_->TakeConnection());
        reopener_.reset();
    }
    lease_.reset();
    return result;
}

}  // namespace tbn::run
