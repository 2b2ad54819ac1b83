#pragma once
// The formats a result can be copied or written in, and what a format needs beyond the rows.
#include <string>

namespace tbn::results {

enum class ResultFormat {
    Csv,        // PostgreSQL's COPY ... (FORMAT csv, HEADER), byte for byte
    Tsv,        // tab-separated, header line first
    Json,       // an array of objects, as sqlite3 -json writes it
    SqlInsert,  // one INSERT statement per record
    Markdown,   // a pipe table
    Html,       // a table, for the clipboard's rich form
};

// How identifiers and binary literals are written in INSERT statements.
enum class SqlDialect {
    Sqlite,
    Postgres,
    MySql,  // MariaDB and MySQL: backquoted names
};

struct FormatOptions {
    std::string tableName;  // SqlInsert only
    SqlDialect dialect = SqlDialect::Sqlite;
};

}  // namespace tbn::results
