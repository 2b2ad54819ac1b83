#include "db/providers/PostgresSession.h"

#include "core/ErrorCodes.h"
#include "db/CommandText.h"
#include "db/providers/LastRowSet.h"
#include "db/providers/PostgresResults.h"
#include "db/providers/PostgresSchema.h"

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
        link_->MarkCancelRequested();
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

TransactionState PostgresSession::Transaction() const {
    switch (PQtransactionStatus(link_->get())) {
    case PQTRANS_INTRANS: return TransactionState::Open;
    case PQTRANS_INERROR: return TransactionState::Failed;
    // A row set still being read: only a transaction of ours can be around it.
    case PQTRANS_ACTIVE: return autoCommit_ ? TransactionState::None : TransactionState::Open;
    default: return TransactionState::None;
    }
}

void PostgresSession::Command(const char* command) {
    link_->Release();
    ResultPtr result(PQexec(link_->get(), command));
    if (!result) throw link_->ConnectionError(ErrorCode::ServerError);
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) throw link_->ResultError(result.get());
}

void PostgresSession::BeginIfAsked(std::string_view commandText) {
    // A text with nothing to run opens nothing, so no empty transaction waits for a commit.
    if (autoCommit_ || StartOfFirstToken(commandText) == commandText.size()) return;
    link_->Release();
    if (PQtransactionStatus(link_->get()) == PQTRANS_IDLE) Command("BEGIN");
}

void PostgresSession::Commit() {
    link_->Release();
    switch (PQtransactionStatus(link_->get())) {
    case PQTRANS_IDLE: return;
    case PQTRANS_INERROR:
        throw Error(ErrorCode::ServerError, "The transaction failed; roll it back.");
    default: Command("COMMIT");
    }
}

void PostgresSession::Rollback() {
    link_->Release();
    if (PQtransactionStatus(link_->get()) != PQTRANS_IDLE) Command("ROLLBACK");
}

std::unique_ptr<StatementResults> PostgresSession::ExecuteEach(std::string_view commandText) {
    BeginIfAsked(commandText);
    return std::make_unique<PostgresResults>(link_, commandText);
}

std::unique_ptr<Cursor> PostgresSession::Execute(std::string_view commandText) {
    BeginIfAsked(commandText);
    PostgresResults results(link_, commandText);
    return LastRowSet(results, rowsChanged_, [&results] { return !results.Several(); });
}

}  // namespace tbn::db::pg
