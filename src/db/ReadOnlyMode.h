#pragma once
// Mode=ReadOnly: how a connection string of any provider asks for a connection on which the
// engine itself refuses to write. SQLite opens the file read-only; PostgreSQL starts the session
// with default_transaction_read_only on; ODBC asks the driver, and the engine behind it where the
// driver ignores the request. Whether it held is the session's to say (Session::ReadOnlyEnforced).
#include "db/ConnectionString.h"

#include <string_view>

namespace tbn::db {

// A Mode value that asks for it: ReadOnly, in any letter case.
bool IsReadOnlyMode(std::string_view mode);
// Mode's last value is one.
bool AsksReadOnly(const ConnectionString& properties);
// The same of a text; false for one that cannot be read (it fails when opened, saying why).
bool AsksReadOnly(std::string_view connectionString) noexcept;

}  // namespace tbn::db
