#pragma once
// Chooses the database engine from a connection string and opens a session on it.
// Provider=SQLite (also the default when neither Provider, Driver nor DSN is given),
// Provider=PostgreSQL, Provider=ODBC (also chosen by Driver or DSN without a Provider; MSDASQL is
// taken as ODBC). Raises tbn::Error: MalformedConnectionString, UnknownProvider (the description
// names the provider), or the engine's own failure. No description holds a password.
#include "db/Session.h"

#include <functional>
#include <memory>
#include <string_view>

namespace tbn::db {

// user and password, when not empty, replace the string's own (engines without logins ignore them).
// An engine whose open can be stopped asks stopRequested (when given) while it waits for its
// server, and raises CommandCancelled once it says yes.
std::unique_ptr<Session> OpenSession(std::string_view connectionString, std::string_view user,
                                     std::string_view password,
                                     const std::function<bool()>& stopRequested = {});

// How long opening a connection of this string may wait for its server before the engine gives
// up, in seconds: PostgreSQL's connect timeout, ODBC's login timeout (the same for a string that
// cannot be read).
int LoginTimeoutSeconds(std::string_view connectionString) noexcept;

}  // namespace tbn::db
