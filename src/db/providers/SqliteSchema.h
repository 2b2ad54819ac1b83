#pragma once
// The catalogue of an open SQLite connection: main, then temp when it holds anything, then every
// attached database, each with its tables and views in the order they were created.
#include "core/SchemaInfo.h"

#include <functional>

#include <sqlite3.h>

namespace tbn::db::sqlite {

// Runs on the connection's own thread. Reads each part for a whole schema in one statement, so a
// database of many tables costs a handful of statements, not several per table. What cannot be read
// (a view over a table that is gone, an attached file that is unreadable) is left out and named in
// gaps. An interrupt raises ErrorCode::CommandCancelled, and so does any failure once
// cancelRequested says a cancel has come; the connection stays usable.
core::SchemaInfo ReadSqliteSchema(sqlite3* db, std::function<bool()> cancelRequested);

}  // namespace tbn::db::sqlite
