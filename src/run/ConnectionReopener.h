#pragma once
// Opens a connection again from its string on a thread of its own, for a run that had to give up
// the old one: opening may take up to the connect timeout, which the window must not wait out.
// The thread keeps its own share of what it fills, so the reopener may be destroyed (by a window
// that is closing) while it still works; the thread then ends alone.
#include "db/Connection.h"

#include <atomic>
#include <exception>
#include <memory>
#include <string>
#include <thread>

namespace tbn::run {

class ConnectionReopener {
public:
    explicit ConnectionReopener(std::string connectionString);
    ~ConnectionReopener();
    ConnectionReopener(const ConnectionReopener&) = delete;
    ConnectionReopener& operator=(const ConnectionReopener&) = delete;

    bool Finished() const { return gaveUp_ || state_->finished.load(std::memory_order_acquire); }
    // Once Finished(): the open session for a connection of the same string, or the failure.
    std::unique_ptr<tbn::db::Session> TakeSession();
    std::exception_ptr Failure() const;

    // Stops waiting for an open that has not ended, for a driver that does not keep to its own
    // timeout: the thread is left to end on its own, and the failure says the server did not
    // answer within the given seconds.
    void GiveUp(int seconds);

private:
    struct State {
        tbn::db::Connection connection;
        std::exception_ptr failure;
        std::atomic<bool> finished{false};
    };
    void Join();

    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::thread thread_;
    bool gaveUp_ = false;
    std::exception_ptr gaveUpFailure_;
};

} // namespace tbn::run
