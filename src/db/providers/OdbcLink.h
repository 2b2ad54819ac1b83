#pragma once
// One open ODBC connection as the session and the cursor still reading from it share it, and the
// statement being run, for a cancel from another thread.
#include "db/providers/OdbcHandles.h"

#include <memory>
#include <mutex>
#include <string>

namespace tbn::db::odbc {

class StreamingCursor;

// The statement being run or read, for SQLCancel from another thread: the statement is freed
// only under the lock, after it has been taken out of here.
struct RunningStatement {
    std::mutex lock;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
};

// Publishes a statement for cancelling while it lives; made after the statement, so it is
// withdrawn before the statement is freed.
class PublishedStatement {
public:
    PublishedStatement(std::shared_ptr<RunningStatement> running, SQLHSTMT stmt) : running_(std::move(running)) {
        const std::lock_guard<std::mutex> hold(running_->lock);
        running_->stmt = stmt;
    }
    ~PublishedStatement() {
        const std::lock_guard<std::mutex> hold(running_->lock);
        running_->stmt = SQL_NULL_HSTMT;
    }
    PublishedStatement(const PublishedStatement&) = delete;
    PublishedStatement& operator=(const PublishedStatement&) = delete;

private:
    std::shared_ptr<RunningStatement> running_;
};

// The environment outlives the connection made in it; a cursor still reading holds its share, so
// the connection is not closed under its statement.
class OdbcLink {
public:
    Environment env;
    std::unique_ptr<DbcHandle> dbc;
    std::string password;  // only to keep it out of messages
    std::string user;
    bool wide = true;                // see OdbcDriverKind.h
    SQLUINTEGER getDataExtensions = 0;  // the driver's SQL_GETDATA_EXTENSIONS
    bool severalResults = true;      // SQL_MULT_RESULT_SETS: one text may give several results
    Dialect dialect() const { return Dialect{wide, password, user}; }

    // Many drivers serve one active statement per connection, so the link remembers the cursor
    // that is still reading; whoever needs the connection first has it read the rest into memory.
    void SetReader(StreamingCursor* cursor) { reader_ = cursor; }
    void ClearReader(const StreamingCursor* cursor) {
        if (reader_ == cursor) reader_ = nullptr;
    }
    void Release();

private:
    StreamingCursor* reader_ = nullptr;
};

using LinkPtr = std::shared_ptr<OdbcLink>;

} // namespace tbn::db::odbc
