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
    // The statement is inside a call that runs the command (SQLExecDirect, SQLMoreResults). Only
    // then does a cancel go to the driver: MariaDB's and SQLite3's drivers take a cancel that
    // comes between two calls as closing the cursor, which they do under a fetch running on the
    // other thread (a crash) or which the next fetch reports as the plain end of the rows.
    bool inCall = false;
    bool cancelled = false;  // a cancel came while the statement was published
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
    // A cancel stops the command where the driver can; one that comes while rows are read takes
    // effect once they have been, and the text then fails rather than pass a row set that may be
    // cut short for whole.
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
