#pragma once
// What a database holds, as one connection sees it: its schemas and their tables and views, each
// with its columns, indexes and foreign keys, plus how the engine spells names and row limits.
// Read by the engine (db), shown by the schema tree and used by completion, which never wait on
// the database: they work from the copy read last.
#include <cstddef>
#include <string>
#include <vector>

namespace tbn::core {

struct ColumnInfo {
    std::string name;
    std::string type;  // the declared type as the engine shows it; may be empty (SQLite)
    bool nullable = true;
    bool primaryKey = false;  // part of the relation's primary key
};

struct IndexInfo {
    std::string name;
    std::vector<std::string> columns;  // in key order; an expression reads as the engine shows it
    bool unique = false;
};

struct ForeignKeyInfo {
    std::string name;  // may be empty where the engine names none (SQLite)
    std::vector<std::string> columns;
    std::string refSchema;
    std::string refTable;
    std::vector<std::string> refColumns;  // may be empty: the referenced table's primary key
};

enum class RelationKind { Table, View };

struct RelationInfo {
    std::string schema;  // empty where the engine has none (some ODBC drivers)
    std::string name;    // as the engine gives it, unquoted
    RelationKind kind = RelationKind::Table;
    std::vector<ColumnInfo> columns;  // in the relation's own order
    std::vector<IndexInfo> indexes;
    std::vector<ForeignKeyInfo> foreignKeys;
};

// How the engine treats a name written without quotes.
enum class IdentifierCase {
    Insensitive,  // any case matches (SQLite, MariaDB's columns)
    Lower,        // folded to lower case (PostgreSQL)
    Upper,        // folded to upper case (ANSI, Oracle, DB2)
    Sensitive,    // kept as written, matched exactly
};

// How the engine limits a SELECT to its first N rows.
enum class RowLimitSpelling {
    Limit,      // SELECT * FROM t LIMIT 100
    Top,        // SELECT TOP 100 * FROM t
    FetchFirst  // SELECT * FROM t FETCH FIRST 100 ROWS ONLY
};

struct SchemaInfo {
    // Every schema the connection may use (an empty one too, but SQLite's temp only once it holds
    // something), in the engine's order. The default ones come first: those an unqualified name
    // is looked up in (SQLite's main, PostgreSQL's search path).
    std::vector<std::string> schemas;
    std::size_t defaultSchemaCount = 0;
    // Tables and views of every schema, plain user relations only (no system catalogues), grouped
    // by schema in the order of schemas, each schema's relations in the engine's order.
    std::vector<RelationInfo> relations;

    std::string quoteOpen = "\"";  // what an identifier that needs quoting is wrapped in
    std::string quoteClose = "\"";
    IdentifierCase identifierCase = IdentifierCase::Insensitive;
    RowLimitSpelling rowLimit = RowLimitSpelling::Limit;

    // One line for each part of the catalogue that could not be read (a query the login may not
    // run, a call the driver does not offer); what was read is kept.
    std::vector<std::string> gaps;
};

}  // namespace tbn::core
