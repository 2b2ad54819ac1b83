#include "run/ConnectionOpening.h"

#include "core/ErrorCodes.h"
#include "db/Catalog.h"
#include "run/CancelRequests.h"
#include "run/LeftBehindThreads.h"

namespace tbn::run {

tbn::Error NoAnswerWithin(int seconds) {
    return tbn::Error(ErrorCode::ServerUnreachable,
                      "The server did not answer within " + std::to_string(seconds) + " s.");
}

ConnectionOpening::ConnectionOpening(std::string connectionString, int cursorLocation,
                                     bool listTables, std::function<void()> whenFinished) {
    state_->notice.NotifyWhenFinished(std::move(whenFinished));
    thread_ = std::thread([state = state_, connectionString = std::move(connectionString),
                           cursorLocation, listTables] {
        try {
            Open(*state, connectionString, cursorLocation, listTables);
        } catch (...) {
            state->failure = std::current_exception();
        }
        state->run.To(RunPhase::Ended);
        if (state->run.Passed(RunPhase::Abandoned)) {
            state->connection.Close();
            return;
        }
        state->notice.Tell();
    });
}

ConnectionOpening::~ConnectionOpening() {
    // Whoever was to be told may be going away too, even when the thread has just finished.
    state_->notice.StopNotifying();
    GiveUp(tbn::Error(ErrorCode::CommandCancelled, "Connecting was cancelled."));
    Join();
}

void ConnectionOpening::Open(State& state, const std::string& connectionString, int cursorLocation,
                             bool listTables) {
    state.connection.SetConnectionString(connectionString);
    state.connection.SetCursorLocation(cursorLocation);
    state.connection.OpenCancellable([&state] { return state.run.Phase() == RunPhase::Abandoned; });
    if (!listTables || !LetStop(state)) return;
    tbn::db::Catalog catalog;
    catalog.SetActiveConnection(state.connection);
    state.tables = catalog.Tables();
}

bool ConnectionOpening::LetStop(State& state) {
    std::shared_ptr<tbn::db::CancelHandle> cancel = state.connection.session().PrepareCancel();
    const bool canSever = state.connection.session().Supports(tbn::db::Feature::Sever);
    const std::lock_guard<std::mutex> hold(state.cancelLock);
    if (state.run.Phase() == RunPhase::Abandoned) return false;
    state.cancel = std::move(cancel);
    state.canSever = canSever;
    return true;
}

void ConnectionOpening::GiveUp(tbn::Error why) {
    if (!state_->run.To(RunPhase::Abandoned)) return;
    gaveUp_ = std::make_exception_ptr(std::move(why));
    state_->notice.StopNotifying();
    std::shared_ptr<tbn::db::CancelHandle> cancel;
    bool canSever = false;
    {
        const std::lock_guard<std::mutex> hold(state_->cancelLock);
        cancel = state_->cancel;
        canSever = state_->canSever;
    }
    // Breaking the link is immediate; a cancel request may wait on the server, so it goes from a
    // thread of its own, left to end alone.
    if (cancel && !(canSever && cancel->Sever())) CancelRequests(cancel).Send();
    LeaveBehind(std::move(thread_),
                [state = state_] { return state->run.Phase() == RunPhase::Ended; });
}

void ConnectionOpening::Join() {
    if (thread_.joinable()) thread_.join();
}

std::exception_ptr ConnectionOpening::Failure() const {
    return state_->run.Passed(RunPhase::Abandoned) ? gaveUp_ : state_->failure;
}

tbn::db::Connection ConnectionOpening::TakeConnection() {
    if (!Finished() || state_->run.Passed(RunPhase::Abandoned)) return {};
    Join();
    return std::move(state_->connection);
}

std::vector<tbn::db::TableInfo> ConnectionOpening::TakeTables() {
    if (!Finished() || state_->run.Passed(RunPhase::Abandoned)) return {};
    Join();
    return std::move(state_->tables);
}

}  // namespace tbn::run
