#pragma once
// One open ODBC connection; see OdbcProvider.h for how it is opened.
#include "db/Session.h"
#include "db/providers/OdbcHandles.h"

#include <memory>
#include <mutex>
#include <string>

namespace tbn::db::odbc {

// The environment outlives the connection made in it.
struct OdbcLink {
    Environment env;
    std::unique_ptr<DbcHandle> dbc;
    std::string password;  // only to keep it out of messages
    std::string user;
    bool wide = true;      // see OdbcDriverKind.h
    Dialect dialect() const { return Dialect{wide, password, user}; }
};

// The statement Execute is running, for SQLCancel from another thread: the statement is freed
// only under the lock, after it has been taken out of here.
struct RunningStatement {
    std::mutex lock;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
};

class OdbcSession final : public Session {
public:
    explicit OdbcSession(std::unique_ptr<OdbcLink> link)
        : link_(std::move(link)), running_(std::make_shared<RunningStatement>()) {}

    // SQLTables with the driver's own type strings and order.
    std::vector<TableInfo> Tables() override;
    // Every row set of the text is read into memory as it comes (SQLMoreResults discards the
    // current one), the last one is returned; the statement is freed before returning. Whether a
    // text may hold several statements is the driver's affair (the SQLite3 driver refuses them).
    std::unique_ptr<Cursor> Execute(std::string_view commandText) override;
    // SQLRowCount of each result without columns, added up (drivers give -1 when they do not know).
    std::int64_t RowsChanged() const override { return rowsChanged_; }
    // SQLCancel on the running statement; an ODBC connection cannot be severed from outside.
    std::unique_ptr<CancelHandle> PrepareCancel() override;

private:
    Statement NewStatement();
    Error StatementError(const Statement& stmt) const;

    std::unique_ptr<OdbcLink> link_;
    std::shared_ptr<RunningStatement> running_;
    std::int64_t rowsChanged_ = 0;
};

} // namespace tbn::db::odbc
