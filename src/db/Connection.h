#pragma once
// An ADO-style connection: a connection string kept verbatim until Open, an open session while
// State() is 1. Move-only; closing happens in the destructor as well.
#include "db/Session.h"

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
    void Close();  // a closed connection closes silently
    int State() const { return session_ ? adStateOpen : adStateClosed; }

    // The open session; raises ConnectionClosed when not open. A cursor it returned keeps the
    // engine's handle alive, so result sets may be closed before or after the connection.
    Session& session();

    // Lends the open session to whoever runs a command on another thread; the connection reads as
    // closed until the session is given back. AdoptSession takes a session opened for the same
    // connection string (or nothing, which leaves the connection closed).
    std::unique_ptr<Session> ReleaseSession() { return std::move(session_); }
    void AdoptSession(std::unique_ptr<Session> session) { session_ = std::move(session); }

private:
    std::string connectionString_;
    int cursorLocation_ = 2;
    std::unique_ptr<Session> session_;
};

} // namespace tbn::db
