#pragma once
// One open PostgreSQL connection; see PostgresProvider.h for how it is opened.
#include "db/Session.h"
#include "db/providers/PostgresHandles.h"

namespace tbn::db::pg {

class PostgresSession final : public Session {
public:
    explicit PostgresSession(LinkPtr link) : link_(std::move(link)) {}
    bool ReadOnlyEnforced() const override { return link_->ReadOnlyEnforced(); }

    // The relations visible without a schema prefix (the search path's schemas, in its order),
    // tables and views in the order they were created, then pg_catalog's and information_schema's
    // as "SYSTEM TABLE".
    std::vector<TableInfo> Tables() override;
    // See PostgresSchema.h.
    core::SchemaInfo ReadSchema() override;
    // The text goes to the server as one query, so the server's own rules apply: the statements
    // of a text without BEGIN/COMMIT form one transaction, and a failure undoes the earlier ones.
    // A text of one statement is streamed row by row; in a longer text every row set is read into
    // memory and the last one kept.
    std::unique_ptr<Cursor> Execute(std::string_view commandText) override;
    // PQcmdTuples of each command result without rows, added up.
    std::int64_t RowsChanged() const override { return rowsChanged_; }
    // See PostgresResults.h.
    std::unique_ptr<StatementResults> ExecuteEach(std::string_view commandText) override;
    // PQcancel, with the cancel key taken now; Sever shuts the connection's socket down.
    std::unique_ptr<CancelHandle> PrepareCancel() override;
    bool Supports(Feature feature) const override { return feature == Feature::Sever; }

    // Off: BEGIN goes before a text run while the server says no transaction is open.
    void SetAutoCommit(bool on) override { autoCommit_ = on; }
    bool AutoCommit() const override { return autoCommit_; }
    // From PQtransactionStatus; a failed statement or a cancel inside a transaction leaves it
    // Failed.
    TransactionState Transaction() const override;
    // A failed transaction raises rather than commit: the server would roll it back and call that
    // a success.
    void Commit() override;
    void Rollback() override;

private:
    void BeginIfAsked(std::string_view commandText);
    void Command(const char* command);

    LinkPtr link_;
    std::int64_t rowsChanged_ = 0;
    bool autoCommit_ = true;
};

}  // namespace tbn::db::pg
