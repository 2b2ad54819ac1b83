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

// The connection being read, and whether a cancel has been asked for since the read began.
struct Reading {
    sqlite3* db;
    std::function<bool()> cancelRequested;

    // An interrupt does not always surface as SQLITE_INTERRUPT: a table-valued pragma reports
    // the one that stopped its inner statement as a plain SQLITE_ERROR "interrupted".
    Error Failure(int rc) const {
        if ((rc & 0xff) == SQLITE_INTERRUPT || cancelRequested()) return Cancelled();
        return LastError(db);
    }
    static Error Cancelled() {
        return Error(ErrorCode::CommandCancelled, "Reading the catalogue was cancelled.");
    }
};

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
    Statement(const Reading& reading, const std::string& sql) : reading_(reading) {
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v3(reading.db, sql.c_str(), static_cast<int>(sql.size()), 0,
                                          &raw, nullptr);
        stmt_.reset(raw);
        if (rc != SQLITE_OK) throw reading.Failure(rc);
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
        throw reading_.Failure(rc);
    }
    void Reset() {
        sqlite3_reset(stmt_.get());
        sqlite3_clear_bindings(stmt_.get());
    }
    sqlite3_stmt* get() const { return stmt_.get(); }

private:
    const Reading& reading_;
    StatementPtr stmt_;
};

// One detail of every relation's description (columns, indexes or foreign keys), read from a pragma
// that takes the relation's name and the schema's (?1).
struct Detail {
    std::string_view what;    // for the gap lines
    bool views;               // whether views have it too, or tables alone
    std::string_view fields;  // what each row gives after the relation's name
    std::function<std::string(std::string_view relation)> source;
    std::function<void(RelationInfo&)> clear;
    // Adds one row (fields from column 1 on) to its relation.
    std::function<void(RelationInfo&, sqlite3_stmt*)> add;
};

const Detail& Columns() {
    static const Detail detail{
        "columns",
        true,
        "p.name, p.type, p.\"notnull\", p.pk, p.hidden",
        [](std::string_view relation) {
            return "pragma_table_xinfo(" + std::string(relation) + ", ?1) p";
        },
        [](RelationInfo& r) { r.columns.clear(); },
        [](RelationInfo& r, sqlite3_stmt* row) {
            // 1 marks a virtual table's hidden column, which a SELECT * does not show.
            if (sqlite3_column_int(row, 5) == 1) return;
            r.columns.push_back({Text(row, 1), Text(row, 2), sqlite3_column_int(row, 3) == 0,
                                 sqlite3_column_int(row, 4) > 0});
        },
    };
    return detail;
}

const Detail& Indexes() {
    static const Detail detail{
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
        },
    };
    return detail;
}

const Detail& ForeignKeys() {
    static const Detail detail{
        "foreign keys",
        false,
        "f.seq, f.\"table\", f.\"from\", f.\"to\"",
        [](std::string_view relation) {
            return "pragma_foreign_key_list(" + std::string(relation) + ", ?1) f";
        },
        [](RelationInfo& r) { r.foreignKeys.clear(); },
        [](RelationInfo& r, sqlite3_stmt* row) {
            // A key's rows come together, its first column at seq 0. Its parent is always in the
            // same database.
            if (sqlite3_column_int(row, 1) == 0 || r.foreignKeys.empty())
                r.foreignKeys.push_back({{}, {}, r.schema, Text(row, 2), {}});
            core::ForeignKeyInfo& key = r.foreignKeys.back();
            key.columns.push_back(Text(row, 3));
            // No parent column names the parent's primary key.
            if (sqlite3_column_type(row, 4) != SQLITE_NULL) key.refColumns.push_back(Text(row, 4));
        },
    };
    return detail;
}

class SchemaReader {
public:
    SchemaReader(const Reading& reading, core::SchemaInfo& out) : reading_(reading), out_(out) {}

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
        for (const Detail* detail : {&Columns(), &Indexes(), &ForeignKeys()}) {
            try {
                ReadDetail(*detail, schema, first);
            } catch (const Error& error) {
                for (std::size_t i = first; i < out_.relations.size(); ++i)
                    detail->clear(out_.relations[i]);
                KeepAsGap(error,
                          "Could not read the " + std::string(detail->what) + " of " + schema);
            }
        }
    }

private:
    void ReadRelations(const std::string& schema) {
        Statement stmt(reading_, "SELECT type, name FROM " + Quoted(schema) +
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
    void ReadDetail(const Detail& detail, const std::string& schema, std::size_t first) {
        try {
            Statement joined(reading_, "SELECT m.name, " + std::string(detail.fields) + " FROM " +
                                           Quoted(schema) + ".sqlite_schema m, " +
                                           detail.source("m.name") + " WHERE m.type IN " +
                                           (detail.views ? "('table', 'view')" : "('table')") +
                                           " AND m." + std::string(UserRelation));
            joined.Bind(1, schema);
            while (joined.Step()) {
                const auto found = byName_.find(Text(joined.get(), 0));
                if (found != byName_.end()) detail.add(out_.relations[found->second], joined.get());
            }
            return;
        } catch (const Error& error) {
            if (error.Number() == ErrorCode::CommandCancelled) throw;
        }
        Statement single(reading_, "SELECT ?2, " + std::string(detail.fields) + " FROM " +
                                       detail.source("?2"));
        for (std::size_t i = first; i < out_.relations.size(); ++i) {
            RelationInfo& relation = out_.relations[i];
            detail.clear(relation);
            if (relation.kind == core::RelationKind::View && !detail.views) continue;
            single.Reset();
            single.Bind(1, schema);
            single.Bind(2, relation.name);
            try {
                while (single.Step()) detail.add(relation, single.get());
            } catch (const Error& error) {
                // A lock, a damaged file, want of memory: the same for every relation, and a
                // lock would be waited for once per relation.
                if (error.Number() == ErrorCode::CommandCancelled ||
                    (error.Number() & 0xff) != SQLITE_ERROR)
                    throw;
                detail.clear(relation);
                KeepAsGap(error, "Could not read the " + std::string(detail.what) + " of " +
                                     schema + "." + relation.name);
            }
        }
    }

    void KeepAsGap(const Error& error, const std::string& what) {
        if (error.Number() == ErrorCode::CommandCancelled) throw error;
        out_.gaps.push_back(what + ": " + error.Description());
    }

    const Reading& reading_;
    core::SchemaInfo& out_;
    std::unordered_map<std::string, std::size_t> byName_;
};

}  // namespace

core::SchemaInfo ReadSqliteSchema(sqlite3* db, std::function<bool()> cancelRequested) {
    const Reading reading{db, std::move(cancelRequested)};
    core::SchemaInfo info;
    info.identifierCase = core::IdentifierCase::Insensitive;
    info.rowLimit = core::RowLimitSpelling::Limit;

    // main comes first, then temp, then the attached databases in the order they were attached.
    std::vector<std::string> schemas;
    {
        Statement list(reading, "SELECT name FROM pragma_database_list ORDER BY seq");
        while (list.Step()) schemas.push_back(Text(list.get(), 0));
    }
    SchemaReader reader(reading, info);
    for (const std::string& schema : schemas) reader.Read(schema);
    // An interrupt may have passed for a relation's own failure and left a gap that is not one.
    if (reading.cancelRequested()) throw Reading::Cancelled();
    info.defaultSchemaCount = info.schemas.empty() ? 0 : 1;
    return info;
}

}  // namespace tbn::db::sqlite
