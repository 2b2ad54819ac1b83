#include "db/providers/SqliteSchema.h"

#include "core/ErrorCodes.h"
#include "db/providers/SqliteHandles.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tbn::db::sqlite {

namespace {

using core::RelationInfo;

// sqlite_% names are the engine's own; LIKE ignores ASCII case, as SQLite does for that prefix.
constexpr std::string_view UserRelation = "name NOT LIKE 'sqlite\\_%' ESCAPE '\\'";

Error Failure(sqlite3* db, int rc) {
    if ((rc & 0xff) == SQLITE_INTERRUPT)
        return Error(ErrorCode::CommandCancelled, "Reading the catalogue was cancelled.");
    return LastError(db);
}

std::string Quoted(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + '"';
}

std::string Text(sqlite3_stmt* stmt, int column) {
    const unsigned char* text = sqlite3_column_text(stmt, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        sqlite3_stmt* raw = nullptr;
        const int rc =
            sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), 0, &raw, nullptr);
        stmt_.reset(raw);
        if (rc != SQLITE_OK) throw Failure(db, rc);
    }
    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(stmt_.get(), index, text.c_str(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    // False at the end; raises on a failure.
    bool Step() {
        const int rc = sqlite3_step(stmt_.get());
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw Failure(db_, rc);
    }
    void Reset() {
        sqlite3_reset(stmt_.get());
        sqlite3_clear_bindings(stmt_.get());
    }
    sqlite3_stmt* get() const { return stmt_.get(); }

private:
    sqlite3* db_;
    StatementPtr stmt_;
};

// A part of every relation's description (columns, indexes or foreign keys), read from a pragma
// that takes the relation's name and the schema's (?1).
struct Part {
    std::string_view what;    // for the gap lines
    bool views;               // whether views have it too, or tables alone
    std::string_view fields;  // what each row gives after the relation's name
    std::function<std::string(std::string_view relation)> source;
    std::function<void(RelationInfo&)> clear;
    // Adds one row (fields from column 1 on) to its relation.
    std::function<void(RelationInfo&, sqlite3_stmt*)> add;
};

const Part& Columns() {
    static const Part part{"columns",
                           true,
                           "p.name, p.type, p.\"notnull\", p.pk, p.hidden",
                           [](std::string_view relation) {
                               return "pragma_table_xinfo(" + std::string(relation) + ", ?1) p";
                           },
                           [](RelationInfo& r) { r.columns.clear(); },
                           [](RelationInfo& r, sqlite3_stmt* row) {
                               // 1 marks a virtual table's hidden column, which a SELECT * does not
                               // show.
                               if (sqlite3_column_int(row, 5) == 1) return;
                               r.columns.push_back({Text(row, 1), Text(row, 2),
                                                    sqlite3_column_int(row, 3) == 0,
                                                    sqlite3_column_int(row, 4) > 0});
                           }};
    return part;
}

const Part& Indexes() {
    static const Part part{
        "indexes",
        false,
        "il.name, il.\"unique\", il.origin, ii.cid, ii.name",
        [](std::string_view relation) {
            return "pragma_index_list(" + std::string(relation) +
                   ", ?1) il, pragma_index_info(il.name, ?1) ii";
        },
        [](RelationInfo& r) { r.indexes.clear(); },
        [](RelationInfo& r, sqlite3_stmt* row) {
            // The primary key's own index repeats the key marks under a name nobody can use.
            if (Text(row, 3) == "pk") return;
            std::string name = Text(row, 1);
            if (r.indexes.empty() || r.indexes.back().name != name)
                r.indexes.push_back({std::move(name), {}, sqlite3_column_int(row, 2) != 0});
            const int cid = sqlite3_column_int(row, 4);
            r.indexes.back().columns.push_back(cid == -1   ? "rowid"
                                               : cid == -2 ? "(expression)"
                                                           : Text(row, 5));
        }};
    return part;
}

const Part& ForeignKeys() {
    static const Part part{"foreign keys",
                           false,
                           "f.seq, f.\"table\", f.\"from\", f.\"to\"",
                           [](std::string_view relation) {
                               return "pragma_foreign_key_list(" + std::string(relation) +
                                      ", ?1) f";
                           },
                           [](RelationInfo& r) { r.foreignKeys.clear(); },
                           [](RelationInfo& r, sqlite3_stmt* row) {
                               // A key's rows come together, its first column at seq 0. Its parent
                               // is always in the same database.
                               if (sqlite3_column_int(row, 1) == 0 || r.foreignKeys.empty())
                                   r.foreignKeys.push_back({{}, {}, r.schema, Text(row, 2), {}});
                               core::ForeignKeyInfo& key = r.foreignKeys.back();
                               key.columns.push_back(Text(row, 3));
                               // No parent column names the parent's primary key.
                               if (sqlite3_column_type(row, 4) != SQLITE_NULL)
                                   key.refColumns.push_back(Text(row, 4));
                           }};
    return part;
}

class SchemaReader {
public:
    SchemaReader(sqlite3* db, core::SchemaInfo& out) : db_(db), out_(out) {}

    void Read(const std::string& schema) {
        const std::size_t first = out_.relations.size();
        try {
            ReadRelations(schema);
        } catch (const Error& error) {
            KeepAsGap(error, "Could not read the tables and views of " + schema);
            out_.relations.erase(out_.relations.begin() + static_cast<std::ptrdiff_t>(first),
                                 out_.relations.end());
            if (schema != "temp") out_.schemas.push_back(schema);
            return;
        }
        // temp exists only once something has been made there; empty, it is noise.
        if (schema == "temp" && out_.relations.size() == first) return;
        out_.schemas.push_back(schema);
        byName_.clear();
        for (std::size_t i = first; i < out_.relations.size(); ++i)
            byName_.emplace(out_.relations[i].name, i);
        for (const Part* part : {&Columns(), &Indexes(), &ForeignKeys()})
            ReadPart(*part, schema, first);
    }

private:
    void ReadRelations(const std::string& schema) {
        Statement stmt(db_, "SELECT type, name FROM " + Quoted(schema) +
                                ".sqlite_schema WHERE type IN ('table', 'view') AND " +
                                std::string(UserRelation) + " ORDER BY rowid");
        while (stmt.Step()) {
            RelationInfo relation;
            relation.schema = schema;
            relation.name = Text(stmt.get(), 1);
            relation.kind = Text(stmt.get(), 0) == "view" ? core::RelationKind::View
                                                          : core::RelationKind::Table;
            out_.relations.push_back(std::move(relation));
        }
    }

    // One statement for the whole schema. A relation the pragma cannot describe (a view over a
    // table that has gone) fails that statement as a whole, so then each relation is read alone
    // and only the ones that fail are left out.
    void ReadPart(const Part& part, const std::string& schema, std::size_t first) {
        try {
            Statement joined(db_, "SELECT m.name, " + std::string(part.fields) + " FROM " +
                                      Quoted(schema) + ".sqlite_schema m, " +
                                      part.source("m.name") + " WHERE m.type IN " +
                                      (part.views ? "('table', 'view')" : "('table')") + " AND m." +
                                      std::string(UserRelation));
            joined.Bind(1, schema);
            while (joined.Step()) {
                const auto found = byName_.find(Text(joined.get(), 0));
                if (found != byName_.end()) part.add(out_.relations[found->second], joined.get());
            }
            return;
        } catch (const Error& error) {
            if (error.Number() == ErrorCode::CommandCancelled) throw;
        }
        Statement single(db_,
                         "SELECT ?2, " + std::string(part.fields) + " FROM " + part.source("?2"));
        for (std::size_t i = first; i < out_.relations.size(); ++i) {
            RelationInfo& relation = out_.relations[i];
            part.clear(relation);
            if (relation.kind == core::RelationKind::View && !part.views) continue;
            single.Reset();
            single.Bind(1, schema);
            single.Bind(2, relation.name);
            try {
                while (single.Step()) part.add(relation, single.get());
            } catch (const Error& error) {
                part.clear(relation);
                KeepAsGap(error, "Could not read the " + std::string(part.what) + " of " + schema +
                                     "." + relation.name);
            }
        }
    }

    void KeepAsGap(const Error& error, const std::string& what) {
        if (error.Number() == ErrorCode::CommandCancelled) throw error;
        out_.gaps.push_back(what + ": " + error.Description());
    }

    sqlite3* db_;
    core::SchemaInfo& out_;
    std::unordered_map<std::string, std::size_t> byName_;
};

}  // namespace

core::SchemaInfo ReadSqliteSchema(sqlite3* db) {
    core::SchemaInfo info;
    info.identifierCase = core::IdentifierCase::Insensitive;
    info.rowLimit = core::RowLimitSpelling::Limit;

    // main comes first, then temp, then the attached databases in the order they were attached.
    std::vector<std::string> schemas;
    {
        Statement list(db, "SELECT name FROM pragma_database_list ORDER BY seq");
        while (list.Step()) schemas.push_back(Text(list.get(), 0));
    }
    SchemaReader reader(db, info);
    for (const std::string& schema : schemas) reader.Read(schema);
    info.defaultSchemaCount = info.schemas.empty() ? 0 : 1;
    return info;
}

}  // namespace tbn::db::sqlite
