#include "db/providers/OdbcSchema.h"

#include "db/providers/OdbcRowStream.h"
#include "db/providers/OdbcSpelling.h"
#include "db/providers/OdbcText.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

namespace tbn::db::odbc {

namespace {

using core::RelationInfo;

// An argument of a catalogue call in the flavour the driver speaks; absent is a null pointer,
// which the calls take as "any".
class Arg {
public:
    Arg(const OdbcLink& link, std::optional<std::string> value) : value_(std::move(value)) {
        if (value_ && link.wide) utf16_ = ToUtf16(*value_);
    }
    SQLWCHAR* W() { return value_ ? Wide(utf16_) : nullptr; }
    SQLCHAR* N() { return value_ ? reinterpret_cast<SQLCHAR*>(value_->data()) : nullptr; }
    SQLSMALLINT Length() const { return value_ ? SQL_NTS : 0; }

private:
    std::optional<std::string> value_;
    std::u16string utf16_;
};

std::optional<std::string> Nullable(const RowStream& rows, std::size_t index) {
    if (rows.IsNull(index)) return std::nullopt;
    return std::string(rows.Value(index));
}

std::string Escaped(std::string_view name, std::string_view escape) {
    std::string pattern;
    for (const char c : name) {
        if (!escape.empty() && (c == '_' || c == '%' || escape.find(c) != std::string_view::npos))
            pattern += escape;
        pattern += c;
    }
    return pattern;
}

// Where the table list placed a relation, to be handed back to the calls about it.
struct CatalogKey {
    std::optional<std::string> catalog, schema;
    bool operator==(const CatalogKey&) const = default;
};

class Reader {
public:
    Reader(const OdbcLink& link, std::shared_ptr<RunningStatement> running, core::SchemaInfo& out)
        : link_(link), running_(std::move(running)), out_(out) {
        SQLUSMALLINT offered[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE] = {};
        // A driver that will not say is taken to offer them all; a call it lacks then fails alone.
        if (!Succeeded(SQLGetFunctions(link.dbc->get(), SQL_API_ODBC3_ALL_FUNCTIONS, offered)))
            std::fill(std::begin(offered), std::end(offered), SQLUSMALLINT(0xFFFF));
        for (const SQLUSMALLINT f : {SQL_API_SQLCOLUMNS, SQL_API_SQLPRIMARYKEYS,
                                     SQL_API_SQLSTATISTICS, SQL_API_SQLFOREIGNKEYS})
            offered_[f] = SQL_FUNC_EXISTS(offered, f) == SQL_TRUE;
    }

    void ReadTables() {
        Run(
            "tables and views", 4,
            [&](SQLHSTMT stmt) {
                return link_.wide ? SQLTablesW(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0)
                                  : SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
            },
            [&](const RowStream& rows) {
                // The same call as Tables(), kept to the two kinds a user made, so the default
                // schemas list its tables and views in its order.
                const std::string_view type = rows.Value(3);
                if (type != "TABLE" && type != "VIEW") return;
                RelationInfo relation;
                relation.schema = SchemaName(rows, 0, 1);
                relation.name = rows.Value(2);
                relation.kind =
                    type == "VIEW" ? core::RelationKind::View : core::RelationKind::Table;
                if (std::find(out_.schemas.begin(), out_.schemas.end(), relation.schema) ==
                    out_.schemas.end())
                    out_.schemas.push_back(relation.schema);
                byName_.emplace(Key(relation.schema, relation.name), out_.relations.size());
                keys_.push_back({Nullable(rows, 0), Nullable(rows, 1)});
                out_.relations.push_back(std::move(relation));
            });
        // Unqualified names reach every table the driver listed, whatever its schema.
        if (out_.schemas.empty()) out_.schemas.emplace_back();
        out_.defaultSchemaCount = out_.schemas.size();
    }

    // One call per schema rather than for the whole database: some drivers (psqlODBC) take an
    // absent schema as the search path's alone.
    void ReadColumns() {
        if (!Offered(SQL_API_SQLCOLUMNS, "columns")) return;
        const std::string escape = InfoText(link_, SQL_SEARCH_PATTERN_ESCAPE);
        std::vector<CatalogKey> done;
        for (const CatalogKey& key : keys_) {
            if (std::find(done.begin(), done.end(), key) != done.end()) continue;
            done.push_back(key);
            Arg catalog(link_, key.catalog);
            // The schema argument is a pattern; where the driver has no escape character it may
            // match other schemas too, whose rows are passed over.
            Arg schema(link_,
                       key.schema ? std::optional(Escaped(*key.schema, escape)) : std::nullopt);
            const std::string meant =
                key.schema && !key.schema->empty() ? *key.schema : key.catalog.value_or("");
            Arg any(link_, "%");
            Run(
                "columns", 11,
                [&](SQLHSTMT stmt) {
                    return link_.wide
                               ? SQLColumnsW(stmt, catalog.W(), catalog.Length(), schema.W(),
                                             schema.Length(), any.W(), SQL_NTS, any.W(), SQL_NTS)
                               : SQLColumns(stmt, catalog.N(), catalog.Length(), schema.N(),
                                            schema.Length(), any.N(), SQL_NTS, any.N(), SQL_NTS);
                },
                [&](const RowStream& rows) {
                    const std::string schemaName = SchemaName(rows, 0, 1);
                    if (schemaName != meant) return;
                    const auto found = byName_.find(Key(schemaName, rows.Value(2)));
                    if (found == byName_.end()) return;  // a table of the engine's own
                    out_.relations[found->second].columns.push_back({std::string(rows.Value(3)),
                                                                     std::string(rows.Value(5)),
                                                                     rows.Value(10) != "0", false});
                });
        }
    }

    // One call per table for each part; a part that fails for one table is tried for the others.
    void ReadPerTable() {
        const bool keys = Offered(SQL_API_SQLPRIMARYKEYS, "primary keys");
        const bool indexes = Offered(SQL_API_SQLSTATISTICS, "indexes");
        const bool foreignKeys = Offered(SQL_API_SQLFOREIGNKEYS, "foreign keys");
        for (std::size_t i = 0; i < out_.relations.size(); ++i) {
            if (out_.relations[i].kind != core::RelationKind::Table) continue;
            if (keys) ReadKey(i);
            if (indexes) ReadIndexes(i);
            if (foreignKeys) ReadForeignKeys(i);
        }
        for (const auto& [what, failure] : failures_)
            out_.gaps.push_back(
                "Could not read the " + what + " of " + std::to_string(failure.count) +
                (failure.count == 1 ? " table: " : " tables, the first: ") + failure.first);
    }

private:
    struct Failure {
        std::size_t count = 0;
        std::string first;
    };

    static std::string Key(std::string_view schema, std::string_view name) {
        return std::string(schema) + '\x1f' + std::string(name);
    }

    // The schema, or the catalogue where the driver names no schema.
    static std::string SchemaName(const RowStream& rows, std::size_t catalog, std::size_t schema) {
        if (!rows.IsNull(schema) && !rows.Value(schema).empty())
            return std::string(rows.Value(schema));
        return rows.IsNull(catalog) ? std::string() : std::string(rows.Value(catalog));
    }

    bool Offered(SQLUSMALLINT function, const char* what) {
        if (offered_[function]) return true;
        out_.gaps.push_back(std::string("The ODBC driver does not list ") + what + ".");
        return false;
    }

    void ReadKey(std::size_t i) {
        RelationInfo& relation = out_.relations[i];
        PerTable(
            "primary keys", i, 4,
            [&](SQLHSTMT stmt, Arg& catalog, Arg& schema, Arg& table) {
                return link_.wide ? SQLPrimaryKeysW(stmt, catalog.W(), catalog.Length(), schema.W(),
                                                    schema.Length(), table.W(), SQL_NTS)
                                  : SQLPrimaryKeys(stmt, catalog.N(), catalog.Length(), schema.N(),
                                                   schema.Length(), table.N(), SQL_NTS);
            },
            [&](const RowStream& rows) {
                for (core::ColumnInfo& column : relation.columns)
                    if (column.name == rows.Value(3)) column.primaryKey = true;
            });
    }

    void ReadIndexes(std::size_t i) {
        RelationInfo& relation = out_.relations[i];
        PerTable(
            "indexes", i, 9,
            [&](SQLHSTMT stmt, Arg& catalog, Arg& schema, Arg& table) {
                return link_.wide ? SQLStatisticsW(stmt, catalog.W(), catalog.Length(), schema.W(),
                                                   schema.Length(), table.W(), SQL_NTS,
                                                   SQL_INDEX_ALL, SQL_QUICK)
                                  : SQLStatistics(stmt, catalog.N(), catalog.Length(), schema.N(),
                                                  schema.Length(), table.N(), SQL_NTS,
                                                  SQL_INDEX_ALL, SQL_QUICK);
            },
            [&](const RowStream& rows) {
                // A row of TYPE SQL_TABLE_STAT describes the table, not an index.
                if (rows.IsNull(5) || rows.Value(6) == "0") return;
                const std::string_view name = rows.Value(5);
                if (relation.indexes.empty() || relation.indexes.back().name != name)
                    relation.indexes.push_back({std::string(name), {}, rows.Value(3) == "0"});
                relation.indexes.back().columns.push_back(
                    rows.IsNull(8) ? "(expression)" : std::string(rows.Value(8)));
            });
    }

    void ReadForeignKeys(std::size_t i) {
        RelationInfo& relation = out_.relations[i];
        PerTable(
            "foreign keys", i, 12,
            [&](SQLHSTMT stmt, Arg& catalog, Arg& schema, Arg& table) {
                return link_.wide ? SQLForeignKeysW(stmt, nullptr, 0, nullptr, 0, nullptr, 0,
                                                    catalog.W(), catalog.Length(), schema.W(),
                                                    schema.Length(), table.W(), SQL_NTS)
                                  : SQLForeignKeys(stmt, nullptr, 0, nullptr, 0, nullptr, 0,
                                                   catalog.N(), catalog.Length(), schema.N(),
                                                   schema.Length(), table.N(), SQL_NTS);
            },
            [&](const RowStream& rows) {
                if (rows.Value(8) == "1" || relation.foreignKeys.empty())
                    relation.foreignKeys.push_back(
                        {rows.IsNull(11) ? std::string() : std::string(rows.Value(11)),
                         {},
                         SchemaName(rows, 0, 1),
                         std::string(rows.Value(2)),
                         {}});
                relation.foreignKeys.back().columns.emplace_back(rows.Value(7));
                relation.foreignKeys.back().refColumns.emplace_back(rows.Value(3));
            });
    }

    using PerTableCall = std::function<SQLRETURN(SQLHSTMT, Arg&, Arg&, Arg&)>;

    void PerTable(const std::string& what, std::size_t i, std::size_t columns,
                  const PerTableCall& call, const std::function<void(const RowStream&)>& take) {
        Arg catalog(link_, keys_[i].catalog);
        Arg schema(link_, keys_[i].schema);
        Arg table(link_, out_.relations[i].name);
        try {
            Call(
                columns, [&](SQLHSTMT stmt) { return call(stmt, catalog, schema, table); }, take);
        } catch (const Error& error) {
            if (Ends(error)) throw;
            Failure& failure = failures_[what];
            if (failure.count++ == 0)
                failure.first = out_.relations[i].name + ": " + error.Description();
        }
    }

    void Run(const std::string& what, std::size_t columns,
             const std::function<SQLRETURN(SQLHSTMT)>& call,
             const std::function<void(const RowStream&)>& take) {
        try {
            Call(columns, call, take);
        } catch (const Error& error) {
            if (Ends(error)) throw;
            out_.gaps.push_back("Could not read the " + what + ": " + error.Description());
        }
    }

    // A cancel or a lost link ends the read; anything else costs only the part that failed.
    static bool Ends(const Error& error) {
        const std::string& text = error.Description();
        return error.Number() == ErrorCode::CommandCancelled || text.rfind("08", 0) == 0;
    }

    void Call(std::size_t columns, const std::function<SQLRETURN(SQLHSTMT)>& call,
              const std::function<void(const RowStream&)>& take) {
        Statement stmt = Statement::Allocate(link_.dbc->get());
        PublishedStatement published(running_, stmt.get());
        // Published but never marked as in a call, so a cancel is not passed to the driver while
        // it works: the SQLite3 driver's catalogue calls crash when SQLCancel frees their rows
        // under them. A cancel is honoured as soon as the call returns, and between rows.
        const SQLRETURN rc = call(stmt.get());
        if (published.Cancelled()) throw CancelledError();
        if (!Succeeded(rc))
            throw Diagnostics(SQL_HANDLE_STMT, stmt.get(), link_.dialect(),
                              "The ODBC driver failed without a message.");
        RowStream rows(stmt.get(), link_.dialect(), link_.getDataExtensions);
        if (rows.FieldCount() < columns)
            throw Error(ErrorCode::ProviderFailure,
                        "the driver's answer has fewer columns than ODBC defines.");
        for (;;) {
            // The driver may not be told while it fetches, so a cancel stops the read here.
            if (published.Cancelled()) throw CancelledError();
            if (!rows.Next()) break;
            take(rows);
        }
    }

    const OdbcLink& link_;
    std::shared_ptr<RunningStatement> running_;
    core::SchemaInfo& out_;
    std::unordered_map<SQLUSMALLINT, bool> offered_;
    std::unordered_map<std::string, std::size_t> byName_;
    std::vector<CatalogKey> keys_;  // per relation, as the table list gave them
    std::map<std::string, Failure> failures_;
};

}  // namespace

core::SchemaInfo ReadOdbcSchema(const OdbcLink& link,
                                const std::shared_ptr<RunningStatement>& running) {
    core::SchemaInfo info;
    ReadSpelling(link, info);
    Reader reader(link, running, info);
    reader.ReadTables();
    if (info.relations.empty()) return info;
    reader.ReadColumns();
    reader.ReadPerTable();
    return info;
}

}  // namespace tbn::db::odbc
