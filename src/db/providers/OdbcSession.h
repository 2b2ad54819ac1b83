#pragma once
// One open ODBC connection; see OdbcProvider.h for how it is opened.
#include "db/Session.h"
#include "db/providers/BufferedCursor.h"
#include "db/providers/OdbcLink.h"

#include <memory>
#include <string>

namespace tbn::db::odbc {

class OdbcSession final : public Session {
public:
    explicit OdbcSession(LinkPtr link)
        : link_(std::move(link)), running_(std::make_shared<RunningStatement>()) {}
    bool ReadOnlyEnforced() const override { return link_->readOnlyEnforced; }

    // SQLTables with the driver's own type strings and order.
    std::vector<TableInfo> Tables() override;
    // See OdbcSchema.h.
    core::SchemaInfo ReadSchema() override;
    // The last row set of the text is returned. When the text surely gives one result (see
    // OdbcBatch.h) or the driver never gives more, the row set is streamed: the cursor owns the
    // statement until its end. Otherwise each row set is read into memory as it comes
    // (SQLMoreResults discards the current one) and the statement is freed before returning.
    // A cancel stops the command where the driver can; one that comes while rows are read takes
    // effect at the next fetch, and the read then fails rather than pass a row set cut short for
    // whole.
    std::unique_ptr<Cursor> Execute(std::string_view commandText) override;
    // SQLRowCount of each result without columns, added up (drivers give -1 when they do not know).
    std::int64_t RowsChanged() const override { return rowsChanged_; }
    // See OdbcResults.h.
    std::unique_ptr<StatementResults> ExecuteEach(std::string_view commandText) override;
    // SQLCancel on the running statement; an ODBC connection cannot be severed from outside.
    std::unique_ptr<CancelHandle> PrepareCancel() override;
    bool Supports(Feature) const override { return false; }

    // Off: the driver's auto-commit is turned off before the first statement run and on again
    // once the transaction ends, so that a catalogue read between transactions opens none. A
    // driver without transactions raises and keeps it on.
    void SetAutoCommit(bool on) override;
    bool AutoCommit() const override { return autoCommit_; }
    // ODBC cannot ask the driver: with auto-commit off, a transaction counts as open from the
    // first statement run until Commit or Rollback.
    TransactionState Transaction() const override {
        return transactionOpen_ ? TransactionState::Open : TransactionState::None;
    }
    void Commit() override { EndTransaction(SQL_COMMIT); }
    void Rollback() override { EndTransaction(SQL_ROLLBACK); }

private:
    void EndTransaction(SQLSMALLINT completion);
    void BeginIfAsked();
    void SetDriverAutoCommit(bool on);

    Statement NewStatement();
    Error StatementError(const Statement& stmt) const;

    LinkPtr link_;
    std::shared_ptr<RunningStatement> running_;
    std::int64_t rowsChanged_ = 0;
    bool autoCommit_ = true;
    bool transactionOpen_ = false;
};

}  // namespace tbn::db::odbc
