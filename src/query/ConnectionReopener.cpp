#include "query/ConnectionReopener.h"

namespace tbn::query {

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
    Join();
    return state_->connection.ReleaseSession();
}

std::exception_ptr ConnectionReopener::Failure() const { return state_->failure; }

} // namespace tbn::query
