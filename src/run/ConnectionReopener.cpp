#include "run/ConnectionReopener.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "run/LeftBehindThreads.h"

#include <string>

namespace tbn::run {

ConnectionReopener::ConnectionReopener(std::string connectionString) {
    thread_ = std::thread([state = state_, connectionString = std::move(connectionString)] {
        try {
            state->connection.SetConnectionString(connectionString);
            state->connection.Open();
        } catch (...) {
            state->failure = std::current_exception();
        }
        state->finished.store(true, std::memory_order_release);
    });
}

ConnectionReopener::~ConnectionReopener() {
    if (!thread_.joinable()) return;
    if (Finished())
        thread_.join();
    else
        thread_.detach();
}

void ConnectionReopener::Join() {
    if (thread_.joinable()) thread_.join();
}

std::unique_ptr<tbn::db::Session> ConnectionReopener::TakeSession() {
    if (gaveUp_) return nullptr;
    Join();
    return state_->connection.ReleaseSession();
}

std::exception_ptr ConnectionReopener::Failure() const { return gaveUp_ ? gaveUpFailure_ : state_->failure; }

void ConnectionReopener::GiveUp(int seconds) {
    if (Finished()) return;
    gaveUp_ = true;
    gaveUpFailure_ = std::make_exception_ptr(tbn::Error(
        ErrorCode::ServerUnreachable, "The server did not answer within " + std::to_string(seconds) + " s."));
    LeaveBehind(std::move(thread_), [state = state_] { return state->finished.load(std::memory_order_acquire); });
}

} // namespace tbn::run
