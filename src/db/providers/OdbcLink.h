#pragma once
// One open ODBC connection as the session and the cursor still reading from it share it, and the
// statement being run, for a cancel from another thread.
#include "core/ErrorCodes.h"
#include "db/providers/OdbcHandles.h"

#include <atomic>

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
    // The statement is inside a call that runs the command (SQLExecDirect, SQLMoreResults). Only
    // then does a cancel go to the driver: MariaDB's and SQLite3's drivers take a cancel that
    // comes between two calls as closing the cursor, which they do under a fetch running on the
    // other thread (a crash) or which the next fetch reports as the plain end of the rows.
    bool inCall = false;
    // A cancel came while the statement was published; set under the lock, read by the reader of
    // the rows before each one without it.
    std::atomic<bool> cancelled{false};
};

inline Error CancelledError() {
    return Error(ErrorCode::CommandCancelled, "The command was cancelled.");
}

// Publishes a statement for cancelling while it lives; made after the statement, so it is
// withdrawn before the statement is freed.
class PublishedStatement {
public:
    PublishedStatement(std::shared_ptr<RunningStatement> running, SQLHSTMT stmt)
        : running_(std::move(running)) {
        const std::lock_guard<std::mutex> hold(running_->lock);
        running_->stmt = stmt;
        running_->cancelled = false;
    }
    ~PublishedStatement() {
        const std::lock_guard<std::mutex> hold(running_->lock);
        running_->stmt = SQL_NULL_HSTMT;
    }
    PublishedStatement(const PublishedStatement&) = delete;
    PublishedStatement& operator=(const PublishedStatement&) = delete;

    bool Cancelled() const { return running_->cancelled.load(std::memory_order_acquire); }
    // Runs a call that runs the command, open to SQLCancel meanwhile, unless a cancel has come
    // already. The mark is taken down under the lock, so a cancel the driver is handling ends
    // before anything else is asked of it.
    template <typename Call> SQLRETURN InCall(Call call) {
        {
            const std::lock_guard<std::mutex> hold(running_->lock);
            if (running_->cancelled) throw CancelledError();
            running_->inCall = true;
        }
        const SQLRETURN rc = call();
        const std::lock_guard<std::mutex> hold(running_->lock);
        running_->inCall = false;
        return rc;
    }

private:
    std::shared_ptr<RunningStatement> running_;
};

// A statement that has run its command, published for cancelling while it lives; shared by the
// results of its text and the cursor reading one of them, and freed once both are done with it.
struct ExecutedStatement {
    ExecutedStatement(std::shared_ptr<RunningStatement> running, Statement statement)
        : stmt(std::move(statement)), published(std::move(running), stmt.get()) {}
    Statement stmt;
    PublishedStatement published;  // after stmt, so withdrawn before the statement is freed
};

// The environment outlives the connection made in it; a cursor still reading holds its share, so
// the connection is not closed under its statement.
class OdbcLink {
public:
    Environment env;
    std::unique_ptr<DbcHandle> dbc;
    std::string password;  // only to keep it out of messages
    std::string user;
    bool wide = true;                   // see OdbcDriverKind.h
    SQLUINTEGER getDataExtensions = 0;  // the driver's SQL_GETDATA_EXTENSIONS
    bool severalResults = true;         // SQL_MULT_RESULT_SETS: one text may give several results
    bool readOnlyEnforced = false;      // see OdbcReadOnly.h
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

}  // namespace tbn::db::odbc
