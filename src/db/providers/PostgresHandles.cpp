#include "db/providers/PostgresHandles.h"

#include "core/ErrorCodes.h"
#include "db/providers/PostgresCursor.h"
#include "db/providers/SecretScrub.h"

namespace tbn::db::pg {

namespace {

// libpq's messages end in a line break and indent their continuation lines ("\n\tIs the server
// running...?") with a tab, which a message box shows as a wide gap; the lines stay, the
// indentation goes.
std::string TrimmedMessage(const char* message) {
    std::string text;
    bool lineStart = true;
    for (const char* p = message ? message : ""; *p; ++p) {
        if (lineStart && *p == '\t') continue;
        text += *p;
        lineStart = *p == '\n';
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

Link::Link(PGconn* conn, std::string password) : conn_(conn), password_(std::move(password)) {
    // The user name libpq settled on (the login's own when none was given) is the one its
    // authentication messages name.
    if (const char* user = conn_ ? PQuser(conn_) : nullptr) user_ = user;
}

void Link::DetachReader() {
    if (StreamingCursor* reader = reader_) {
        reader_ = nullptr;
        reader->Detach();
    }
}

void Link::Release() {
    DetachReader();
    DrainResults(conn_);
    cancelRequested_ = false;
}

Error Link::ResultError(const PGresult* result) const {
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    if (state && std::string_view(state) == "57014" && cancelRequested_)
        return Error(ErrorCode::CommandCancelled, "The command was cancelled.");
    const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    std::string description;
    if (state && primary) {
        description = std::string(state) + ": " + primary;
        // The server's explanation and advice ("Perhaps you meant to reference the column ...")
        // are often what tells the user how to mend the statement.
        for (const auto& [field, label] : {std::pair{PG_DIAG_MESSAGE_DETAIL, "\nDETAIL: "},
                                           std::pair{PG_DIAG_MESSAGE_HINT, "\nHINT: "}}) {
            if (const char* text = PQresultErrorField(result, field); text && *text) {
                description += label;
                description += text;
            }
        }
    } else {
        // libpq's own failures (a lost connection, say) carry no SQLSTATE, only the message.
        description = TrimmedMessage(PQresultErrorMessage(result));
        if (description.empty()) description = TrimmedMessage(PQerrorMessage(conn_));
    }
    return Error(ErrorCode::ServerError, ScrubSecret(std::move(description), password_, user_));
}

Error Link::ConnectionError(std::int32_t number, std::string_view reason) const {
    std::string description = TrimmedMessage((PQerrorMessage(conn_) + std::string(reason)).c_str());
    if (description.empty())
        description = "The PostgreSQL client library failed without a message.";
    return Error(number, ScrubSecret(std::move(description), password_, user_));
}

ResultPtr DrainResults(PGconn* conn) {
    ResultPtr failure;
    while (PGresult* raw = PQgetResult(conn)) {
        ResultPtr result(raw);
        EndCopy(conn, raw);
        if (!failure && IsFailure(raw)) failure = std::move(result);
    }
    return failure;
}

void EndCopy(PGconn* conn, const PGresult* result) {
    // A COPY would never end by itself: the upload is refused, the download skipped.
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COPY_IN) PQputCopyEnd(conn, "TBN does not send COPY data");
    if (status == PGRES_COPY_OUT) {
        char* buffer = nullptr;
        while (PQgetCopyData(conn, &buffer, 0) > 0) PQfreemem(buffer);
    }
}

bool IsFailure(const PGresult* result) {
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE ||
           status == PGRES_NONFATAL_ERROR;
}

}  // namespace tbn::db::pg
