#pragma once
// The interface every database engine implements: a Session per open connection, a Cursor per row
// set, TableInfo per catalogue entry, a CancelHandle to stop a session's command from elsewhere.
// Connection, Catalog and Recordset talk only to these types; the factory
// (providers/ProviderFactory.h) picks the engine from the connection string. A session and its
// cursors are used by one thread at a time (not necessarily the one that opened them); only a
// CancelHandle is called from another thread. Every failure raises tbn::Error.
#include "core/SchemaInfo.h"
#include "core/ValueKind.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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
    // What the engine says the current row's value is; says nothing for a null.
    virtual core::ValueKind Kind(std::size_t index) const = 0;
};

// What an engine offers beyond running commands. A caller asks the session (Supports) before it
// relies on one, rather than trying it and reading a failure.
enum class Feature {
    Sever,  // CancelHandle::Sever breaks the session's link to its server at once
};

// Stops what a session is running, from another thread. Made by Session::PrepareCancel while the
// session is idle; Cancel and Sever may then be called from any thread while the session's own
// thread runs commands, until the handle is destroyed, which happens after they ended.
class CancelHandle {
public:
    virtual ~CancelHandle() = default;
    // Asks the engine to stop the command in progress; the interrupted call raises tbn::Error. A
    // request that arrives while no command runs is lost, so a caller that may race the start of
    // a command repeats it. May wait for a network round trip: keep it off a user-interface thread.
    virtual void Cancel() = 0;
    // Breaks the session's link to its server at once, so that a call waiting on the server returns
    // with an error; the session is unusable afterwards. False when it could not be broken (always,
    // for an engine that does not support Feature::Sever).
    virtual bool Sever() = 0;
};

// The statements of one text, run one at a time, each with its own result. Next() runs the next
// statement; the current one's row set (TakeRows) must have been walked to its end or destroyed
// before Next() is called again. The first failing statement raises from Next() and the ones after
// it never run. Used by one thread at a time, like its session, which must outlive it.
class StatementResults {
public:
    virtual ~StatementResults() = default;
    // False once every statement has run.
    virtual bool Next() = 0;
    // The current statement's row set, or null when it returns none. Once only.
    virtual std::unique_ptr<Cursor> TakeRows() = 0;
    // Rows the current statement inserted, updated or deleted; -1 when the engine does not say (a
    // statement of another kind, or an engine that never counts).
    virtual std::int64_t RowsChanged() const = 0;
    // Where the current statement starts in the text, in bytes, when the engine says.
    virtual std::optional<std::size_t> TextOffset() const { return std::nullopt; }
};

// Where a session stands with the user's transaction, as the engine says after its last command.
enum class TransactionState {
    None,    // no transaction open: every statement commits on its own
    Open,    // a transaction is open and takes statements
    Failed,  // open, but the engine refuses everything but a roll back (PostgreSQL after an error)
};

// One open connection to one database.
class Session {
public:
    virtual ~Session() = default;
    virtual std::vector<TableInfo> Tables() = 0;
    // The whole catalogue: schemas, tables, views, their columns, indexes and foreign keys. A part
    // the login may not read is left out and named in gaps; only a failure of the link raises.
    // May be stopped through a CancelHandle like any command.
    virtual core::SchemaInfo ReadSchema() {
        core::SchemaInfo schema;
        schema.schemas.emplace_back();
        schema.defaultSchemaCount = 1;
        for (TableInfo& table : Tables())
            if (table.Type == "TABLE" || table.Type == "VIEW")
                schema.relations.push_back(
                    {{},
                     std::move(table.Name),
                     table.Type == "VIEW" ? core::RelationKind::View : core::RelationKind::Table,
                     {},
                     {},
                     {}});
        return schema;
    }
    // Runs every statement of the text in order; the result is the row set of the last statement
    // that returns rows, or nullptr when none does. The first failing statement stops the run and
    // raises. When the cursor has been walked to its end, no statement or lock is left open.
    virtual std::unique_ptr<Cursor> Execute(std::string_view commandText) = 0;
    // Rows inserted, updated or deleted by the statements without a row set in the last Execute,
    // added up (0 when the engine does not say).
    virtual std::int64_t RowsChanged() const = 0;
    // The statements of commandText, one result each (see StatementResults). For now a single
    // result standing for the whole text: Execute's row set or its changed rows.
    virtual std::unique_ptr<StatementResults> ExecuteEach(std::string_view commandText) {
        class Whole : public StatementResults {
        public:
            Whole(Session& session, std::string_view text) : session_(session), text_(text) {}
            bool Next() override {
                if (ran_) return false;
                ran_ = true;
                rows_ = session_.Execute(text_);
                return true;
            }
            std::unique_ptr<Cursor> TakeRows() override { return std::move(rows_); }
            std::int64_t RowsChanged() const override { return session_.RowsChanged(); }

        private:
            Session& session_;
            std::string text_;
            bool ran_ = false;
            std::unique_ptr<Cursor> rows_;
        };
        return std::make_unique<Whole>(*this, commandText);
    }
    // Called while the session is idle; see CancelHandle.
    virtual std::unique_ptr<CancelHandle> PrepareCancel() = 0;
    // Whether the engine offers feature; the answer stays the same while the session is open.
    virtual bool Supports(Feature feature) const = 0;

    // Off: the next statement run opens a transaction, which stays open until Commit or Rollback.
    // On (the default): every statement commits on its own. An engine without transactions keeps
    // auto-commit on.
    virtual void SetAutoCommit(bool on) { (void)on; }
    virtual bool AutoCommit() const { return true; }
    virtual TransactionState Transaction() const { return TransactionState::None; }
    // Each raises like any command; with no transaction open they do nothing.
    virtual void Commit() {}
    virtual void Rollback() {}
    // For a connection string with Mode=ReadOnly: whether the engine itself refuses writes on
    // this session, rather than only the string asking for it.
    virtual bool ReadOnlyEnforced() const { return false; }
};

}  // namespace tbn::db
