#pragma once
// Reading a statement's current row set as text.
#include "db/providers/BufferedCursor.h"
#include "db/providers/OdbcHandles.h"

#include <memory>

namespace tbn::db::odbc {

// Column names and every row of the statement's current row set, each value fetched as text in as
// many pieces as it takes and kept as UTF-8. Raises the statement's diagnostics.
std::unique_ptr<BufferedCursor> ReadRowSet(SQLHSTMT stmt, const Dialect& dialect);

} // namespace tbn::db::odbc
