#include "db/providers/SqliteSession.h"

#include "db/CommandText.h"

#include "db/providers/LastRowSet.h"
#include "db/providers/SqliteSchema.h"
#include "db/providers/SqliteStatements.h"

#include <cctype>
#include <string>

namespace tbn::db::sqlite {

namespace {

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

// A text that opens its own transaction: a BEGIN of ours before it would make it fail.
bool BeginsTransaction(std::string_view text) {
    const std::string_view rest = text.substr(StartOfFirstToken(text));
    constexpr std::string_view begin = "begin";
    if (rest.size() < begin.size()) return false;
    for (std::size_t i = 0; i < begin.size(); ++i)
        if ((rest[i] | 0x20) != begin[i]) return false;
    return rest.size() == begin.size() ||
           !std::isalnum(static_cast<unsigned char>(rest[begin.size()]));
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

std::vector<TableInfo> SqliteSession::Tables() {
    std::vector<TableInfo> tables{{"SYSTEM TABLE", "sqlite_schema"}};
    StatementPtr stmt = PrepareStatement(
        db_.get(),
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

TransactionState SqliteSession::Transaction() const {
    return sqlite3_get_autocommit(db_.get()) ? TransactionState::None : TransactionState::Open;
}

void SqliteSession::BeginIfAsked(std::string_view commandText) {
    // A text with nothing to run opens nothing, so no empty transaction waits for a commit.
    if (autoCommit_ || !sqlite3_get_autocommit(db_.get()) || OnlyCommentsRemain(commandText) ||
        BeginsTransaction(commandText))
        return;
    busyWait_->Rearm();
    if (sqlite3_exec(db_.get(), "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw LastError(db_.get());
}

void SqliteSession::EndTransaction(const char* command) {
    if (sqlite3_get_autocommit(db_.get())) return;
    busyWait_->Rearm();
    // A failed COMMIT (a lock another connection holds) leaves the transaction open, to be
    // committed again or rolled back.
    if (sqlite3_exec(db_.get(), command, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw LastError(db_.get());
}

void SqliteSession::Commit() { EndTransaction("COMMIT"); }
void SqliteSession::Rollback() { EndTransaction("ROLLBACK"); }

std::unique_ptr<StatementResults> SqliteSession::ExecuteEach(std::string_view commandText) {
    BeginIfAsked(commandText);
    return std::make_unique<SqliteStatements>(db_, busyWait_, commandText);
}

std::unique_ptr<Cursor> SqliteSession::Execute(std::string_view commandText) {
    BeginIfAsked(commandText);
    SqliteStatements statements(db_, busyWait_, commandText);
    return LastRowSet(statements, rowsChanged_, [&statements] { return statements.IsLast(); });
}

}  // namespace tbn::db::sqlite
