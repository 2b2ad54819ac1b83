#include "db/providers/PostgresResults.h"

#include "core/ErrorCodes.h"
#include "db/CommandText.h"
#include "db/providers/PostgresCursor.h"

#include <charconv>
#include <cstring>

namespace tbn::db::pg {

namespace {

// The server counts the position in characters from 1, over the whole text it was sent.
std::optional<std::size_t> StatementPosition(const PGresult* failure,
                                             std::string_view commandText) {
    const char* field = PQresultErrorField(failure, PG_DIAG_STATEMENT_POSITION);
    if (!field) return std::nullopt;
    const std::string_view digits(field);
    std::size_t position = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), position);
    if (ec != std::errc() || end != digits.data() + digits.size() || position == 0)
        return std::nullopt;
    return ByteOffsetOfCharacter(commandText, position);
}

std::int64_t CommandRows(PGresult* result) {
    const char* text = PQcmdTuples(result);
    if (!*text) return -1;  // a command that changes no rows
    std::int64_t rows = -1;
    std::from_chars(text, text + std::strlen(text), rows);
    return rows;
}

}  // namespace

PostgresResults::PostgresResults(LinkPtr link, std::string_view commandText)
    : link_(std::move(link)), text_(commandText), several_(HasSeveralStatements(commandText)),
      spans_(StatementSpans(commandText)) {}

PostgresResults::~PostgresResults() {
    rows_.reset();
    if (sent_ && !over_ && !link_->Reading()) DrainResults(link_->get());
}

std::optional<Error::ByteRange> PostgresResults::Statement(std::size_t index) const {
    if (!spans_ || index >= spans_->size()) return std::nullopt;
    return Error::ByteRange{(*spans_)[index].begin, (*spans_)[index].end};
}

std::optional<std::size_t> PostgresResults::TextOffset() const {
    if (count_ == 0) return std::nullopt;
    const std::optional<Error::ByteRange> statement = Statement(count_ - 1);
    if (!statement) return std::nullopt;
    return statement->begin;
}

bool PostgresResults::Next() {
    rows_.reset();
    rowsChanged_ = -1;
    if (over_) return false;
    PGconn* conn = link_->get();
    if (!sent_) {
        sent_ = true;
        link_->Release();
        // libpq takes a NUL-terminated text; a NUL inside would silently cut the command short.
        RefuseNulCharacter(text_);
        if (!PQsendQuery(conn, text_.c_str())) {
            over_ = true;
            throw link_->ConnectionError(ErrorCode::ServerError);
        }
        // Rows then arrive one result each, so neither libpq nor this layer holds a whole row set.
        PQsetSingleRowMode(conn);
    } else {
        // A row set the caller still holds unread goes into memory: the connection moves on.
        link_->DetachReader();
    }
    while (PGresult* raw = PQgetResult(conn)) {
        ResultPtr result(raw);
        const ExecStatusType status = PQresultStatus(raw);
        if (IsFailure(raw)) {
            over_ = true;
            Error error = link_->ResultError(raw);
            error.SetCommandOffset(StatementPosition(raw, text_));
            error.SetFailedStatement(several_ ? Statement(count_)
                                              : Error::ByteRange{0, text_.size()});
            DrainResults(conn);
            throw error;
        }
        // A COPY's data comes before its statement's own result; a text of nothing but comments
        // runs nothing.
        if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT) {
            EndCopy(conn, raw);
            continue;
        }
        if (status == PGRES_EMPTY_QUERY) continue;
        ++count_;
        if (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) {
            rows_ = std::make_unique<StreamingCursor>(link_, std::move(result), !several_);
            return true;
        }
        rowsChanged_ = CommandRows(raw);
        return true;
    }
    over_ = true;
    return false;
}

}  // namespace tbn::db::pg
