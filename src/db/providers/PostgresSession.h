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

private:
    LinkPtr link_;
    std::int64_t rowsChanged_ = 0;
};

}  // namespace tbn::db::pg
