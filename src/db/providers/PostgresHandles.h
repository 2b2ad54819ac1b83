#pragma once
// Owners of libpq handles and the translation of libpq failures into tbn::Error.
#include "core/Error.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include <libpq-fe.h>

namespace tbn::db::pg {

struct ResultCloser {
    void operator()(PGresult* result) const noexcept { PQclear(result); }
};
using ResultPtr = std::unique_ptr<PGresult, ResultCloser>;

class StreamingCursor;

// One server connection, shared by the session and the cursor that may still be reading from it.
// libpq runs one command at a time per connection, so the link remembers which cursor has rows
// pending; anyone who needs the connection first asks that cursor to let go (Release()).
class Link {
public:
    Link(PGconn* conn, std::string password);
    ~Link() { PQfinish(conn_); }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    PGconn* get() const { return conn_; }
    void SetReader(StreamingCursor* cursor) { reader_ = cursor; }
    void ClearReader(const StreamingCursor* cursor) {
        if (reader_ == cursor) reader_ = nullptr;
    }
    bool Reading() const { return reader_ != nullptr; }
    // Makes the connection idle before a command: the pending cursor, if any, reads its remaining
    // rows into memory, what is left of a command whose results were given up on is read and
    // dropped, and a cancel asked for earlier is forgotten.
    void Release();
    // Only the pending cursor's rows go into memory; the command's later results stay.
    void DetachReader();

    // A cancel was asked for (from any thread) since the command began; the server's answer to one
    // is told apart from a statement timeout by this.
    void MarkCancelRequested() { cancelRequested_ = true; }

    // The server refuses writes on this session, as it said when the session was opened.
    bool ReadOnlyEnforced() const { return readOnlyEnforced_; }
    void SetReadOnlyEnforced(bool enforced) { readOnlyEnforced_ = enforced; }

    // A failed result: "SQLSTATE: primary message", then "DETAIL: ..." and "HINT: ..." on lines of
    // their own when the server gave them; Number ServerError, or CommandCancelled when it is the
    // server's answer to a cancel asked for through this link.
    Error ResultError(const PGresult* result) const;
    // The connection's current failure (no result to read it from), ending with reason when libpq
    // did not record why itself.
    Error ConnectionError(std::int32_t number, std::string_view reason = {}) const;

private:
    PGconn* conn_;
    std::string password_;  // only to keep it out of messages
    std::string user_;      // the user name messages may name, see SecretScrub.h
    StreamingCursor* reader_ = nullptr;
    std::atomic<bool> cancelRequested_{false};
    bool readOnlyEnforced_ = false;
};

using LinkPtr = std::shared_ptr<Link>;

// Reads every remaining result of the current command so the connection is idle again; returns
// the first failed one (null when none failed).
ResultPtr DrainResults(PGconn* conn);

// Answers a COPY result so the command can go on to its next result.
void EndCopy(PGconn* conn, const PGresult* result);

bool IsFailure(const PGresult* result);

}  // namespace tbn::db::pg
