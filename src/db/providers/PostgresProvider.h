#pragma once
// PostgreSQL, and every server that speaks its protocol, over libpq. Connection-string keys:
//   Host | Server, Port, Database | Initial Catalog, User ID | Username | UID, Password | PWD,
//   SSL Mode, Connect Timeout (seconds; 10 when not given), Application Name
// Every other key except Provider goes to libpq unchanged (sslrootcert, options, ...). Text always
// travels as UTF-8. A failed connection raises ServerUnreachable with libpq's message; server
// errors raise ServerError with "SQLSTATE: message". No description holds the password.
#include "db/ConnectionString.h"
#include "db/Session.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tbn::db {

constexpr int PostgresDefaultConnectTimeoutSeconds = 10;

// The keyword/value pairs handed to PQconnectdbParams, in order.
std::vector<std::pair<std::string, std::string>>
PostgresConnectParams(const ConnectionString& properties);

// stopRequested, when given, is asked while the server has not answered; see PostgresConnect.h.
std::unique_ptr<Session> OpenPostgresSession(const ConnectionString& properties,
                                             const std::function<bool()>& stopRequested = {});

}  // namespace tbn::db
