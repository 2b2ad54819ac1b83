#pragma once
// The interface every database engine implements: a Session per open connection, a Cursor per row
// set, TableInfo per catalogue entry. Connection, Catalog and Recordset talk only to these three
// types; the factory (providers/ProviderFactory.h) picks the engine from the connection string.
// All calls happen on one thread. Every failure raises tbn::Error.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tbn::db {

struct TableInfo {
    std::string Type;  // "TABLE", "VIEW", "SYSTEM TABLE" or whatever an ODBC driver reports
    std::string Name;  // as the engine gives it, without schema prefix
};

// A forward walk over one row set. Row 0 is current right after the provider returns the cursor
// (when there is one); Next() moves on and returns false at the end. Views returned by Value() and
// FieldName() stay valid until the next call of Next() or the cursor's destruction.
class Cursor {
public:
    virtual ~Cursor() = default;
    virtual std::size_t FieldCount() const = 0;
    virtual std::string_view FieldName(std::size_t index) const = 0;
    virtual bool AtEnd() const = 0;
    virtual void Next() = 0;  // raises on an engine error met while fetching
    virtual bool IsNull(std::size_t index) const = 0;
    virtual std::string_view Value(std::size_t index) const = 0;  // UTF-8 text; "" for null
};

// One open connection to one database.
class Session {
public:
    virtual ~Session() = default;
    virtual std::vector<TableInfo> Tables() = 0;
    // Runs every statement of the text in order; the result is the row set of the last statement
    // that returns rows, or nullptr when none does. The first failing statement stops the run and
    // raises. When the cursor has been walked to its end, no statement or lock is left open.
    virtual std::unique_ptr<Cursor> Execute(std::string_view commandText) = 0;
};

} // namespace tbn::db
