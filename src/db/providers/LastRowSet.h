#pragma once
// Execute's contract (see Session.h) over a text's results, for every engine alike.
#include "db/Session.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace tbn::db {

// Runs every statement of results and returns the last row set, or null when none came. A row set
// is handed on as it streams when lastOfText says nothing can follow it, else read into memory
// before the next statement runs, since a later one may change or lock what it reads. The rows
// changed by the statements without a row set are added up into rowsChanged (from 0).
std::unique_ptr<Cursor> LastRowSet(StatementResults& results, std::int64_t& rowsChanged,
                                   const std::function<bool()>& lastOfText);

}  // namespace tbn::db
