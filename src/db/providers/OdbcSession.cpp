#include "db/providers/OdbcSession.h"

#include "core/ErrorCodes.h"
#include "db/providers/LastRowSet.h"
#include "db/providers/OdbcCursor.h"
#include "db/providers/OdbcResults.h"
#include "db/providers/OdbcSchema.h"

namespace tbn::db::odbc {

namespace {

class OdbcCancel final : public CancelHandle {
public:
    explicit OdbcCancel(std::shared_ptr<RunningStatement> running) : running_(std::move(running)) {}
    void Cancel() override {
        const std::lock_guard<std::mutex> hold(running_->lock);
        if (running_->stmt == SQL_NULL_HSTMT) return;
        running_->cancelled = true;
        if (running_->inCall) SQLCancel(running_->stmt);
    }
    bool Sever() override { return false; }

private:
    std::shared_ptr<RunningStatement> running_;
};

}  // namespace

std::unique_ptr<CancelHandle> OdbcSession::PrepareCancel() {
    return std::make_unique<OdbcCancel>(running_);
}

Statement OdbcSession::NewStatement() { return Statement::Allocate(link_->dbc->get()); }

Error OdbcSession::StatementError(const Statement& stmt) const {
    return Diagnostics(SQL_HANDLE_STMT, stmt.get(), link_->dialect(),
                       "The ODBC driver failed without a message.");
}

void OdbcLink::Release() {
    if (StreamingCursor* reader = reader_) {
        reader_ = nullptr;
        reader->Detach();
    }
}

std::vector<TableInfo> OdbcSession::Tables() {
    link_->Release();
    Statement stmt = NewStatement();
    const SQLRETURN rc =
        link_->wide ? SQLTablesW(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0)
                    : SQLTables(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    if (!Succeeded(rc)) throw StatementError(stmt);
    RowStream rows(stmt.get(), link_->dialect(), link_->getDataExtensions);
    // TABLE_NAME and TABLE_TYPE are the third and fourth columns of every driver's answer.
    if (rows.FieldCount() < 4)
        throw Error(ErrorCode::ProviderFailure,
                    "The ODBC driver's table list has fewer columns than ODBC defines.");
    std::vector<TableInfo> tables;
    while (rows.Next()) tables.push_back({std::string(rows.Value(3)), std::string(rows.Value(2))});
    return tables;
}

core::SchemaInfo OdbcSession::ReadSchema() {
    link_->Release();
    return ReadOdbcSchema(*link_, running_);
}

void OdbcSession::SetDriverAutoCommit(bool on) {
    link_->Release();
    const SQLRETURN rc = SQLSetConnectAttr(link_->dbc->get(), SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(
                                               on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                           SQL_IS_UINTEGER);
    if (!Succeeded(rc))
        throw Diagnostics(SQL_HANDLE_DBC, link_->dbc->get(), link_->dialect(),
                          "The ODBC driver could not change auto-commit.");
}

void OdbcSession::SetAutoCommit(bool on) {
    if (on == autoCommit_) return;
    if (!on) {
        SQLUSMALLINT capable = SQL_TC_NONE;
        if (Succeeded(SQLGetInfo(link_->dbc->get(), SQL_TXN_CAPABLE, &capable, sizeof capable,
                                 nullptr)) &&
            capable == SQL_TC_NONE)
            throw Error(ErrorCode::ProviderFailure,
                        "This ODBC driver has no transactions; auto-commit stays on.");
    } else if (transactionOpen_) {
        // The driver commits what is open as auto-commit comes back on.
        SetDriverAutoCommit(true);
        transactionOpen_ = false;
    }
    autoCommit_ = on;
}

void OdbcSession::BeginIfAsked() {
    if (autoCommit_ || transactionOpen_) return;
    SetDriverAutoCommit(false);
    transactionOpen_ = true;
}

void OdbcSession::EndTransaction(SQLSMALLINT completion) {
    if (!transactionOpen_) return;
    link_->Release();
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, link_->dbc->get(), completion);
    if (!Succeeded(rc))
        throw Diagnostics(SQL_HANDLE_DBC, link_->dbc->get(), link_->dialect(),
                          "The ODBC driver failed to end the transaction without a message.");
    transactionOpen_ = false;
    SetDriverAutoCommit(true);
}

std::unique_ptr<StatementResults> OdbcSession::ExecuteEach(std::string_view commandText) {
    BeginIfAsked();
    return std::make_unique<OdbcResults>(link_, running_, commandText);
}

std::unique_ptr<Cursor> OdbcSession::Execute(std::string_view commandText) {
    BeginIfAsked();
    OdbcResults results(link_, running_, commandText);
    return LastRowSet(results, rowsChanged_, [&results] { return results.Single(); });
}

}  // namespace tbn::db::odbc
