#include "db/providers/PostgresSchema.h"

#include "core/ErrorCodes.h"

#include <cstring>
#include <functional>
#include <string>
#include <unordered_map>

namespace tbn::db::pg {

namespace {

using core::RelationInfo;

// The engine's own schemas (catalogue, TOAST storage, every session's temporary objects) are not
// the user's.
constexpr const char* UserSchemas = R"(
   SELECT n.oid, n.nspname,
          pg_catalog.array_position(pg_catalog.current_schemas(false), n.nspname::text) AS pos
     FROM pg_catalog.pg_namespace n
    WHERE n.nspname NOT IN ('pg_catalog', 'information_schema')
      AND n.nspname NOT LIKE 'pg\_toast%' AND n.nspname NOT LIKE 'pg\_temp\_%'
      AND (n.nspname = ANY (pg_catalog.current_schemas(false))
           OR pg_catalog.has_schema_privilege(n.oid, 'USAGE')))";

// Every user schema, even an empty one, then its relations by oid, then their columns in order.
const std::string RelationsQuery = std::string("WITH s AS (") + UserSchemas + R"()
SELECT s.nspname, s.pos IS NOT NULL, c.oid, c.relname, c.relkind, a.attname,
       pg_catalog.format_type(a.atttypid, a.atttypmod), a.attnotnull,
       EXISTS (SELECT 1 FROM pg_catalog.pg_constraint k
                WHERE k.conrelid = c.oid AND k.contype = 'p' AND a.attnum = ANY (k.conkey))
  FROM s
  LEFT JOIN pg_catalog.pg_class c
         ON c.relnamespace = s.oid AND c.relkind IN ('r', 'p', 'f', 'v', 'm')
  LEFT JOIN pg_catalog.pg_attribute a
         ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped
 ORDER BY s.pos NULLS LAST, s.nspname, c.oid, a.attnum)";

// Key columns only (not INCLUDE ones); an expression reads as the server prints it.
constexpr const char* IndexesQuery = R"(
SELECT x.indrelid, i.relname, x.indisunique,
       pg_catalog.pg_get_indexdef(x.indexrelid, k.n, true)
  FROM pg_catalog.pg_index x
  JOIN pg_catalog.pg_class i ON i.oid = x.indexrelid
  CROSS JOIN LATERAL pg_catalog.generate_series(1, x.indnkeyatts) AS k(n)
 ORDER BY x.indrelid, i.relname, k.n)";

constexpr const char* ForeignKeysQuery = R"(
SELECT k.conrelid, k.conname, rn.nspname, r.relname, u.o, ca.attname, ra.attname
  FROM pg_catalog.pg_constraint k
  JOIN pg_catalog.pg_class r ON r.oid = k.confrelid
  JOIN pg_catalog.pg_namespace rn ON rn.oid = r.relnamespace
  CROSS JOIN LATERAL ROWS FROM (pg_catalog.unnest(k.conkey), pg_catalog.unnest(k.confkey))
       WITH ORDINALITY AS u(col, refcol, o)
  JOIN pg_catalog.pg_attribute ca ON ca.attrelid = k.conrelid AND ca.attnum = u.col
  JOIN pg_catalog.pg_attribute ra ON ra.attrelid = k.confrelid AND ra.attnum = u.refcol
 WHERE k.contype = 'f'
 ORDER BY k.conrelid, k.conname, u.o)";

class Reader {
public:
    Reader(const Link& link, core::SchemaInfo& out) : link_(link), out_(out) {}

    // Runs query and hands each row to take; a refusal becomes a gap line starting with what.
    void Run(const char* query, const char* what,
             const std::function<void(const PGresult*, int)>& take) {
        // Inside the user's open transaction a failed query would abort it, and the user's work
        // not yet committed with it; a savepoint keeps the failure to the read.
        const bool guarded = PQtransactionStatus(link_.get()) == PQTRANS_INTRANS;
        if (guarded) Command("SAVEPOINT tbn_catalogue_read");
        ResultPtr result(PQexec(link_.get(), query));
        if (result && PQresultStatus(result.get()) == PGRES_TUPLES_OK) {
            if (guarded) Command("RELEASE SAVEPOINT tbn_catalogue_read");
            for (int row = 0, rows = PQntuples(result.get()); row < rows; ++row)
                take(result.get(), row);
            return;
        }
        if (!result || PQstatus(link_.get()) != CONNECTION_OK)
            throw link_.ConnectionError(ErrorCode::ServerError);
        if (guarded)
            Command("ROLLBACK TO SAVEPOINT tbn_catalogue_read; "
                    "RELEASE SAVEPOINT tbn_catalogue_read");
        ThrowIfCancelled(result.get());
        out_.gaps.push_back(std::string(what) + ": " +
                            link_.ResultError(result.get()).Description());
    }

    RelationInfo* ByOid(const char* oid) {
        const auto found = byOid_.find(oid);
        return found == byOid_.end() ? nullptr : &out_.relations[found->second];
    }

    void AddRelationRow(const PGresult* r, int row) {
        const std::string schema = PQgetvalue(r, row, 0);
        if (out_.schemas.empty() || out_.schemas.back() != schema) {
            out_.schemas.push_back(schema);
            if (Flag(r, row, 1)) ++out_.defaultSchemaCount;
        }
        if (PQgetisnull(r, row, 2)) return;  // a schema without relations
        const char* oid = PQgetvalue(r, row, 2);
        if (out_.relations.empty() || lastOid_ != oid) {
            lastOid_ = oid;
            byOid_.emplace(lastOid_, out_.relations.size());
            const char kind = *PQgetvalue(r, row, 4);
            out_.relations.push_back(
                {schema,
                 PQgetvalue(r, row, 3),
                 kind == 'v' || kind == 'm' ? core::RelationKind::View : core::RelationKind::Table,
                 {},
                 {},
                 {}});
        }
        if (PQgetisnull(r, row, 5)) return;  // a relation without columns
        out_.relations.back().columns.push_back(
            {PQgetvalue(r, row, 5), PQgetvalue(r, row, 6), !Flag(r, row, 7), Flag(r, row, 8)});
    }

    void AddIndexRow(const PGresult* r, int row) {
        RelationInfo* relation = ByOid(PQgetvalue(r, row, 0));
        if (!relation) return;  // an index of the engine's own tables
        const char* name = PQgetvalue(r, row, 1);
        if (relation->indexes.empty() || relation->indexes.back().name != name)
            relation->indexes.push_back({name, {}, Flag(r, row, 2)});
        relation->indexes.back().columns.emplace_back(PQgetvalue(r, row, 3));
    }

    void AddForeignKeyRow(const PGresult* r, int row) {
        RelationInfo* relation = ByOid(PQgetvalue(r, row, 0));
        if (!relation) return;
        if (std::strcmp(PQgetvalue(r, row, 4), "1") == 0)
            relation->foreignKeys.push_back(
                {PQgetvalue(r, row, 1), {}, PQgetvalue(r, row, 2), PQgetvalue(r, row, 3), {}});
        if (relation->foreignKeys.empty()) return;
        relation->foreignKeys.back().columns.emplace_back(PQgetvalue(r, row, 5));
        relation->foreignKeys.back().refColumns.emplace_back(PQgetvalue(r, row, 6));
    }

private:
    void Command(const char* sql) {
        const ResultPtr result(PQexec(link_.get(), sql));
        if (result && PQresultStatus(result.get()) == PGRES_COMMAND_OK) return;
        if (!result || PQstatus(link_.get()) != CONNECTION_OK)
            throw link_.ConnectionError(ErrorCode::ServerError);
        ThrowIfCancelled(result.get());
        throw link_.ResultError(result.get());
    }

    static void ThrowIfCancelled(const PGresult* failure) {
        const char* state = PQresultErrorField(failure, PG_DIAG_SQLSTATE);
        if (state && std::strcmp(state, "57014") == 0)
            throw Error(ErrorCode::CommandCancelled, "Reading the catalogue was cancelled.");
    }

    static bool Flag(const PGresult* r, int row, int column) {
        return *PQgetvalue(r, row, column) == 't';
    }

    const Link& link_;
    core::SchemaInfo& out_;
    std::string lastOid_;
    std::unordered_map<std::string, std::size_t> byOid_;
};

}  // namespace

core::SchemaInfo ReadPostgresSchema(const Link& link) {
    core::SchemaInfo info;
    info.identifierCase = core::IdentifierCase::Lower;
    info.rowLimit = core::RowLimitSpelling::Limit;
    Reader reader(link, info);
    reader.Run(RelationsQuery.c_str(), "Could not read the tables, views and columns",
               [&](const PGresult* r, int row) { reader.AddRelationRow(r, row); });
    if (info.relations.empty()) return info;
    reader.Run(IndexesQuery, "Could not read the indexes",
               [&](const PGresult* r, int row) { reader.AddIndexRow(r, row); });
    reader.Run(ForeignKeysQuery, "Could not read the foreign keys",
               [&](const PGresult* r, int row) { reader.AddForeignKeyRow(r, row); });
    return info;
}

}  // namespace tbn::db::pg
