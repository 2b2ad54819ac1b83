#pragma once
// An ADO-style connection: a connection string kept verbatim until Open, an open session while
// State() is 1. Move-only; closing happens in the destructor as well.
#include "db/Session.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tbn::db {

constexpr int adStateClosed = 0;
constexpr int adStateOpen = 1;
constexpr int adUseClient = 3;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(Connection&&) noexcept;
    Connection& operator=(Connection&&) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& ConnectionString() const { return connectionString_; }
    void SetConnectionString(std::string connectionString);
    int CursorLocation() const { return cursorLocation_; }
    void SetCursorLocation(int location) { cursorLocation_ = location; }

    // An empty connectionString argument uses the ConnectionString property. user and password,
    // when not empty, override the string's own. options is accepted for compatibility (-1: wait
    // until connected, which is the only mode there is). Raises tbn::Error on failure and stays
    // closed; opening an open connection raises as well.
    void Open(std::string_view connectionString = {}, std::string_view user = {},
              std::string_view password = {}, int options = -1);
    // Open from the ConnectionString property, for a thread that someone else may tell to stop:
    // an engine whose open can be stopped (PostgreSQL's) asks stopRequested now and then while it
    // waits for the server, and raises CommandCancelled once it says yes. The others never ask.
    void OpenCancellable(const std::function<bool()>& stopRequested);
    void Close();  // a closed connection closes silently
    int State() const { return session_ ? adStateOpen : adStateClosed; }

    // The open session; raises ConnectionClosed when not open. A cursor it returned keeps the
    // engine's handle alive, so result sets may be closed before or after the connection.
    Session& session();

private:
    friend class SessionLease;  // lends the session out and gives it back (SessionLease.h)

    std::string connectionString_;
    int cursorLocation_ = 2;
    std::unique_ptr<Session> session_;
};

}  // namespace tbn::db
