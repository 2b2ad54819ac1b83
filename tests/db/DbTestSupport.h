#pragma once
// Shared helpers of the data-access tests: reading a whole result, catching an expected error.
#include "core/Error.h"
#include "db/Connection.h"
#include "db/Recordset.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tbn::test {

struct ResultTable {
    std::vector<std::string> Names;
    std::vector<std::vector<std::optional<std::string>>> Rows;  // nullopt for a null
    std::vector<std::vector<core::ValueKind>> Kinds;            // Text for a null
};

// Opens a recordset on the text and reads it to the end; nullopt when the text has no row set.
std::optional<ResultTable> Query(db::Connection& connection, std::string_view sql);
ResultTable ReadAll(db::Recordset& rs);
ResultTable ReadAll(db::Cursor& cursor);
void Exec(db::Connection& connection, std::string_view sql);

// Runs action and returns the tbn::Error it raised; fails the test when it raises none.
std::optional<Error> CaughtError(const std::function<void()>& action);

}  // namespace tbn::test
