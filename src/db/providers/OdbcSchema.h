#pragma once
// The catalogue of an open ODBC connection, from the driver's catalogue functions: its whole table
// list (every schema it names is a default one), the columns of all tables in one call, then each
// table's primary key, indexes and foreign keys, each only where the driver offers the call.
#include "core/SchemaInfo.h"
#include "db/providers/OdbcLink.h"

#include <memory>

namespace tbn::db::odbc {

// Runs on the connection's own thread with the link idle (Release()d). Each call's statement is
// published through running while it lives, so the session's CancelHandle reaches it: a cancel
// takes effect when the catalogue call in progress returns, or between two of its rows, and
// raises ErrorCode::CommandCancelled. A call the driver lacks or refuses is left out and named in
// gaps; a lost link raises. A driver that names catalogues but no schemas (MariaDB's) gets one
// schema per catalogue, named after it.
core::SchemaInfo ReadOdbcSchema(const OdbcLink& link,
                                const std::shared_ptr<RunningStatement>& running);

}  // namespace tbn::db::odbc
