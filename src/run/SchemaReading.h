#pragma once
// Reading a connection's catalogue away from the user-interface thread: a worker holds the
// window's session on a lease and reads its table list, then its whole schema. The window keeps
// the connection for its runs, so a run asked for meanwhile stops the read (Stop) and waits for
// Ended before it starts; the read is simply made again later.
//
// Stop asks the engine to break off the catalogue query under way and repeats the request until
// the worker ends (a request that falls between two of the read's queries is lost). An engine
// that has not stopped after kStopAnswerMs has its link broken where it allows that, the worker is
// left to end alone with the old session, and the connection is opened again from its string.
//
// Lives on the user-interface thread. Ended is emitted once, from the event loop, after which
// Finish() hands the catalogue back and ends the lease. Destroying a reading that has not ended
// stops it and waits (StopAndWait).
#include "core/SchemaInfo.h"
#include "db/SessionLease.h"
#include "run/CancelRequests.h"
#include "run/RunState.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace tbn::run {

class ConnectionOpening;

struct SchemaReadResult {
    // Both filled, or neither: the read failed (failure) or was stopped (stopped, no failure).
    std::vector<tbn::db::TableInfo> tables;
    std::shared_ptr<const core::SchemaInfo> schema;
    std::exception_ptr failure;
    bool stopped = false;
    // The engine did not stop in time and its connection was opened again; this is why that
    // failed, leaving the connection closed.
    std::exception_ptr reopenFailure;
};

class SchemaReading : public QObject {
    Q_OBJECT
public:
    static constexpr int kRepeatStopMs = 50;
    static constexpr int kStopAnswerMs = 5000;

    // Leases connection's session (raises when it has none) and starts the worker at once.
    explicit SchemaReading(tbn::db::Connection& connection, QObject* parent = nullptr);
    ~SchemaReading() override;

    void Stop();
    bool StopRequested() const { return state_.Passed(RunPhase::Cancelling); }
    bool HasEnded() const { return state_.Phase() == RunPhase::Ended; }
    // Blocks until the worker has stopped, escalating as Stop does but without opening the
    // connection again; for a window that is closing or connecting elsewhere. Ended is not
    // emitted.
    void StopAndWait();

    // After Ended: ends the lease, giving the connection its session back (or the one opened
    // again, or none when that failed).
    SchemaReadResult Finish();

signals:
    void Ended();

private:
    struct Job;
    void WorkerFinished();
    void Tick();
    void TryEnd();
    void Escalate();
    void Abandon();

    RunState state_{RunPhase::Running};
    std::unique_ptr<CancelRequests> cancels_;
    bool canSever_;
    std::optional<tbn::db::SessionLease> lease_;
    std::shared_ptr<Job> job_;
    std::thread worker_;
    std::string connectionString_;
    QTimer ticker_;  // while a stop is asked for
    QElapsedTimer sinceStop_;
    std::unique_ptr<ConnectionOpening> reopener_;
};

}  // namespace tbn::run
