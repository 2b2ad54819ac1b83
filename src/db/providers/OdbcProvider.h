#pragma once
// Any database with an ODBC driver, through unixODBC. The connection string, minus Provider, goes
// to SQLDriverConnect as written (values that need it wrapped in {}); the ADO key names "User ID"
// and "Password" are handed over as ODBC's UID and PWD. Errors carry every diagnostic record,
// their number the first record's native error.
#include "db/ConnectionString.h"
#include "db/Session.h"

#include <memory>
#include <string>

namespace tbn::db {

constexpr int OdbcLoginTimeoutSeconds = 10;

// The text handed to SQLDriverConnect.
std::string OdbcConnectionText(const ConnectionString& properties);

std::unique_ptr<Session> OpenOdbcSession(const ConnectionString& properties);

}  // namespace tbn::db
