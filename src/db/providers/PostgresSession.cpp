#include "db/providers/PostgresSession.h"

#include "core/ErrorCodes.h"
#include "db/CommandText.h"
#include "db/providers/BufferedCursor.h"
#include "db/providers/PostgresCursor.h"
#include "db/providers/PostgresSchema.h"
#include "db/providers/PostgresStatements.h"

#include <charconv>
#include <optional>
#include <cstring>
#include <string>
#include <sys/socket.h>

namespace tbn::db::pg {

namespace {

constexpr const char* TablesQuery = R"(
SELECT CASE WHEN n.nspname IN ('pg_catalog', 'information_schema') THEN 'SYSTEM TABLE'
            WHEN c.relkind IN ('v', 'm') THEN 'VIEW'
            ELSE 'TABLE' END,
       c.relname
  FROM pg_catalog.pg_class c
  JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
 WHERE c.relkind IN ('r', 'p', 'f', 'v', 'm')
   AND (n.nspname = ANY (pg_catalog.current_schemas(false)) OR n.nspname IN ('pg_catalog', 'information_schema'))
 ORDER BY n.nspname IN ('pg_catalog', 'information_schema'),
          pg_catalog.array_position(pg_catalog.current_schemas(false), n.nspname::text),
          n.nspname, c.oid)";

bool IsRowSet(const PGresult* result) {
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK;
}

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
    std::int64_t rows = 0;
    std::from_chars(text, text + std::strlen(text), rows);  // "" for commands that change no rows
    return rows;
}

class PostgresCancel final : public CancelHandle {
public:
    explicit PostgresCancel(LinkPtr link)
        : link_(std::move(link)), cancel_(PQgetCancel(link_->get())),
          socket_(PQsocket(link_->get())) {}
    ~PostgresCancel() override { PQfreeCancel(cancel_); }
    PostgresCancel(const PostgresCancel&) = delete;
    PostgresCancel& operator=(const PostgresCancel&) = delete;

    void Cancel() override {
        // A refused or failed request changes nothing: the caller escalates when the command
        // does not end.
        char message[256];
        if (cancel_) PQcancel(cancel_, message, sizeof message);
    }
    bool Sever() override {
        // Shutting the socket down, not closing it, wakes a reader blocked on it without letting
        // the descriptor number be reused under libpq's feet; the link stays alive while this
        // handle does, so the socket is still the connection's.
        return socket_ >= 0 && ::shutdown(socket_, SHUT_RDWR) == 0;
    }

private:
    LinkPtr link_;
    PGcancel* cancel_;
    int socket_;
};

}  // namespace

std::unique_ptr<CancelHandle> PostgresSession::PrepareCancel() {
    return std::make_unique<PostgresCancel>(link_);
}

std::vector<TableInfo> PostgresSession::Tables() {
    link_->Release();
    ResultPtr result(PQexec(link_->get(), TablesQuery));
    if (!result) throw link_->ConnectionError(ErrorCode::ServerError);
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) throw link_->ResultError(result.get());
    std::vector<TableInfo> tables;
    const int rows = PQntuples(result.get());
    tables.reserve(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r)
        tables.push_back({PQgetvalue(result.get(), r, 0), PQgetvalue(result.get(), r, 1)});
    return tables;
}

core::SchemaInfo PostgresSession::ReadSchema() {
    link_->Release();
    return ReadPostgresSchema(*link_);
}

std::unique_ptr<Cursor> PostgresSession::Execute(std::string_view commandText) {
    rowsChanged_ = 0;
    link_->Release();
    PGconn* conn = link_->get();
    // libpq takes a NUL-terminated text; a NUL inside would silently cut the command short.
    RefuseNulCharacter(commandText);
    const std::string text(commandText);
    if (!PQsendQuery(conn, text.c_str())) throw link_->ConnectionError(ErrorCode::ServerError);
    // Rows then arrive one result each, so neither libpq nor this layer holds a whole row set.
    PQsetSingleRowMode(conn);
    const bool several = HasSeveralStatements(commandText);

    std::unique_ptr<Cursor> kept;
    while (PGresult* raw = PQgetResult(conn)) {
        ResultPtr result(raw);
        if (IsFailure(raw)) {
            Error error = link_->ResultError(raw);
            error.SetCommandOffset(StatementPosition(raw, commandText));
            if (!several) error.SetFailedStatement(Error::ByteRange{0, commandText.size()});
            DrainResults(conn);
            throw error;
        }
        if (!IsRowSet(raw)) {
            rowsChanged_ += CommandRows(raw);
            EndCopy(conn, raw);
            continue;
        }
        auto cursor = std::make_unique<StreamingCursor>(link_, std::move(result), !several);
        if (!several) return cursor;
        // A later statement may replace this row set or fail, so its rows are taken now.
        kept = BufferedCursor::Drain(*cursor);
    }
    return kept;
}

}  // namespace tbn::db::pg
