#pragma once
// One open SQLite database; see SqliteProvider.h for how it is opened.
#include "db/Session.h"
#include "db/providers/SqliteBusyWait.h"
#include "db/providers/SqliteHandles.h"

namespace tbn::db::sqlite {

class SqliteSession final : public Session {
public:
    SqliteSession(DatabasePtr db, std::shared_ptr<BusyWait> busyWait)
        : db_(std::move(db)), busyWait_(std::move(busyWait)) {}
    // Opened read-only: Mode=ReadOnly (and then whatever it attaches too), or a file not writable.
    bool ReadOnlyEnforced() const override { return sqlite3_db_readonly(db_.get(), "main") == 1; }

    // sqlite_schema first, then every table and view in the order of sqlite_schema.
    std::vector<TableInfo> Tables() override;
    // main's relations come in Tables() order; see SqliteSchema.h.
    core::SchemaInfo ReadSchema() override;
    // A row set produced by the text's last statement is streamed; one followed by more
    // statements is read into memory before they run.
    std::unique_ptr<Cursor> Execute(std::string_view commandText) override;
    // Counted from the connection's running total, so rows changed by triggers count as well.
    std::int64_t RowsChanged() const override { return rowsChanged_; }
    // See SqliteStatements.h.
    std::unique_ptr<StatementResults> ExecuteEach(std::string_view commandText) override;
    // sqlite3_interrupt, and an end to any wait for another connection's lock; there is no link
    // to sever.
    std::unique_ptr<CancelHandle> PrepareCancel() override;
    bool Supports(Feature) const override { return false; }

    // Off: BEGIN goes before the first statement of a text run while no transaction is open.
    void SetAutoCommit(bool on) override { autoCommit_ = on; }
    bool AutoCommit() const override { return autoCommit_; }
    // From sqlite3_get_autocommit, so a BEGIN or COMMIT in the user's own text counts as well.
    TransactionState Transaction() const override;
    void Commit() override;
    void Rollback() override;

private:
    void BeginIfAsked(std::string_view commandText);
    void EndTransaction(const char* command);

    DatabasePtr db_;
    std::shared_ptr<BusyWait> busyWait_;
    std::int64_t rowsChanged_ = 0;
    bool autoCommit_ = true;
};

}  // namespace tbn::db::sqlite
