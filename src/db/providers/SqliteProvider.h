#pragma once
// The embedded SQLite engine (libsqlite3). Connection-string keys:
//   Data Source   a file path, or :memory:                  (required)
//   Mode          ReadOnly | ReadWrite | ReadWriteCreate     (default ReadWrite: the file must
//   exist) Busy Timeout  milliseconds to wait for another connection's lock (default 2000)
// Open fails, and creates no file, when the file is missing and Mode is not ReadWriteCreate, or
// when the file is not a database. Error numbers are SQLite's extended result codes.
#include "db/ConnectionString.h"
#include "db/Session.h"

#include <memory>

namespace tbn::db {

constexpr int SqliteDefaultBusyTimeoutMs = 2000;

std::unique_ptr<Session> OpenSqliteSession(const ConnectionString& properties);

}  // namespace tbn::db
