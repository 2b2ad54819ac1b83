#pragma once
// Owners of libsqlite3 handles and the translation of its failures into tbn::Error.
// The database handle is shared: a cursor keeps the database it reads from alive, so closing a
// connection before its result set is safe in either order.
#include "core/Error.h"

#include <memory>
#include <string>
#include <string_view>

#include <sqlite3.h>

namespace tbn::db::sqlite {

struct StatementCloser {
    void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementCloser>;

using DatabasePtr = std::shared_ptr<sqlite3>;

// Takes ownership of a handle from sqlite3_open_v2 (null allowed); keepAlive (a busy handler's
// state, say) lives until the handle is closed.
DatabasePtr AdoptDatabase(sqlite3* db, std::shared_ptr<void> keepAlive = {});

// The connection's current failure: Number is the extended result code, Description the engine's
// message, after "context: " when a context is given.
Error LastError(sqlite3* db, std::string_view context = {});

}  // namespace tbn::db::sqlite
