#include "db/providers/SqliteSession.h"

#include "core/ErrorCodes.h"
#include "db/CommandText.h"
#include "db/providers/BufferedCursor.h"
#include "db/providers/SqliteCursor.h"
#include "db/providers/SqliteSchema.h"

#include <climits>
#include <string>

namespace tbn::db::sqlite {

namespace {

void RunToEnd(sqlite3* db, sqlite3_stmt* stmt) {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE) throw LastError(db);
}

bool IsSystemName(std::string_view name) {
    // SQLite reserves every name that starts with "sqlite_", in any letter case.
    constexpr std::string_view prefix = "sqlite_";
    if (name.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

class SqliteCancel final : public CancelHandle {
public:
    // Holding the database keeps it open while another thread may still interrupt it.
    SqliteCancel(DatabasePtr db, std::shared_ptr<BusyWait> busyWait)
        : db_(std::move(db)), busyWait_(std::move(busyWait)) {}
    void Cancel() override {
        busyWait_->Cancel();
        sqlite3_interrupt(db_.get());
    }
    bool Sever() override { return false; }

private:
    DatabasePtr db_;
    std::shared_ptr<BusyWait> busyWait_;
};

}  // namespace

bool OnlyCommentsRemain(std::string_view sql) {
    // SQLite takes an unterminated block comment as running to the end of the text, as this does.
    return StartOfFirstToken(sql) == sql.size();
}

StatementPtr SqliteSession::Prepare(std::string_view sql, const char** tail) {
    if (sql.size() > static_cast<std::size_t>(INT_MAX))
        throw Error(SQLITE_TOOBIG, "The command text is longer than SQLite accepts.");
    sqlite3_stmt* raw = nullptr;
    const int rc =
        sqlite3_prepare_v3(db_.get(), sql.data(), static_cast<int>(sql.size()), 0, &raw, tail);
    StatementPtr statement(raw);
    if (rc != SQLITE_OK) {
        Error error = LastError(db_.get());
        const int offset = sqlite3_error_offset(db_.get());
        if (offset >= 0 && static_cast<std::size_t>(offset) <= sql.size())
            error.SetCommandOffset(static_cast<std::size_t>(offset));
        throw error;
    }
    return statement;
}

std::vector<TableInfo> SqliteSession::Tables() {
    std::vector<TableInfo> tables{{"SYSTEM TABLE", "sqlite_schema"}};
    StatementPtr stmt = Prepare(
        "SELECT type, name FROM main.sqlite_schema WHERE type IN ('table', 'view') ORDER BY rowid",
        nullptr);
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        const char* type = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
        const char* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 1));
        TableInfo info{type && std::string_view(type) == "view" ? "VIEW" : "TABLE",
                       name ? name : ""};
        if (IsSystemName(info.Name)) info.Type = "SYSTEM TABLE";
        tables.push_back(std::move(info));
    }
    if (rc != SQLITE_DONE) throw LastError(db_.get());
    return tables;
}

core::SchemaInfo SqliteSession::ReadSchema() {
    busyWait_->Rearm();
    return ReadSqliteSchema(db_.get(), [wait = busyWait_] { return wait->CancelRequested(); });
}

std::unique_ptr<CancelHandle> SqliteSession::PrepareCancel() {
    return std::make_unique<SqliteCancel>(db_, busyWait_);
}

std::unique_ptr<Cursor> SqliteSession::Execute(std::string_view commandText) {
    rowsChanged_ = 0;
    busyWait_->Rearm();
    std::unique_ptr<Cursor> result;
    std::string_view rest = commandText;
    while (!rest.empty()) {
        const std::size_t start = commandText.size() - rest.size();
        const char* tail = nullptr;
        StatementPtr stmt;
        try {
            stmt = Prepare(rest, &tail);
        } catch (Error& error) {
            // SQLite places the failure within the statement it was given; the caller knows only
            // the whole text. The tail is set even when the statement is refused.
            if (error.CommandOffset()) error.SetCommandOffset(*error.CommandOffset() + start);
            if (tail > rest.data() && tail <= rest.data() + rest.size())
                error.SetFailedStatement(
                    Error::ByteRange{start, start + static_cast<std::size_t>(tail - rest.data())});
            throw;
        }
        const std::size_t read = tail ? static_cast<std::size_t>(tail - rest.data()) : rest.size();
        // At a NUL SQLite gives no statement and a tail that has not moved; waiting for the text
        // to shrink would spin forever, and skipping on would run text nobody checked.
        if (read == 0 || read > rest.size())
            throw Error(ErrorCode::ProviderFailure,
                        "SQLite could not read the command text past position " +
                            std::to_string(
                                CharacterPosition(commandText, commandText.size() - rest.size())) +
                            "; nothing from there on was run.");
        rest.remove_prefix(read);
        if (!stmt) continue;  // only blanks or comments were left
        try {
            if (sqlite3_column_count(stmt.get()) == 0) {
                const sqlite3_int64 before = sqlite3_total_changes64(db_.get());
                RunToEnd(db_.get(), stmt.get());
                rowsChanged_ += sqlite3_total_changes64(db_.get()) - before;
                continue;
            }
            auto cursor = std::make_unique<StreamingCursor>(db_, std::move(stmt));
            if (OnlyCommentsRemain(rest)) return cursor;
            // The statements after it may change or lock what it reads, so its rows are taken now.
            result = BufferedCursor::Drain(*cursor);
        } catch (Error& error) {
            error.SetFailedStatement(Error::ByteRange{start, start + read});
            throw;
        }
    }
    return result;
}

}  // namespace tbn::db::sqlite
