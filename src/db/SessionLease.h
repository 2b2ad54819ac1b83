#pragma once
// Lends a connection's open session for one scope, to a worker thread that runs a command on it:
// the owner reads as closed while the lease lasts, and when the lease ends, on whatever path, the
// owner gets back the session the lease holds then. A worker that keeps the lent session past the
// lease (one left to end alone, or whose link was broken) leaves the lease another session to give
// back in its place, or none.
//
// Threads: made and ended on the owner's thread, which must outlive it. The lent connection is
// used by one other thread at a time, which has stopped using it (it was joined) before the lease
// ends, unless GiveBackInstead came first.
#include "db/Connection.h"

#include <memory>
#include <optional>

namespace tbn::db {

class SessionLease {
public:
    // Raises ConnectionClosed when owner has no open session.
    explicit SessionLease(Connection& owner);
    ~SessionLease();
    SessionLease(const SessionLease&) = delete;
    SessionLease& operator=(const SessionLease&) = delete;

    // The owner's connection string and cursor location with its session. Shared, so that a
    // worker left behind keeps what it uses.
    const std::shared_ptr<Connection>& lent() const { return lent_; }

    // The owner gets replacement's session (none when it is closed) when the lease ends; the lent
    // one stays with whoever shares lent().
    void GiveBackInstead(Connection replacement);

private:
    Connection& owner_;
    std::shared_ptr<Connection> lent_;
    std::optional<Connection> instead_;
};

}  // namespace tbn::db
