#include "db/providers/OdbcSession.h"

#include "core/ErrorCodes.h"
#include "db/providers/OdbcRowReader.h"
#include "db/providers/OdbcText.h"

#include <climits>

namespace tbn::db::odbc {

namespace {

Error Cancelled() { return Error(ErrorCode::CommandCancelled, "The command was cancelled."); }

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

// Publishes the statement for cancelling while it lives; declared after the statement, so it is
// withdrawn before the statement is freed.
class PublishedStatement {
public:
    PublishedStatement(RunningStatement& running, SQLHSTMT stmt) : running_(running) {
        const std::lock_guard<std::mutex> hold(running_.lock);
        running_.stmt = stmt;
        running_.cancelled = false;
    }
    bool Cancelled() const {
        const std::lock_guard<std::mutex> hold(running_.lock);
        return running_.cancelled;
    }
    // Runs a call that runs the command, open to SQLCancel meanwhile, unless a cancel has come
    // already. The mark is taken down under the lock, so a cancel the driver is handling ends
    // before anything else is asked of it.
    template <typename Call>
    SQLRETURN InCall(Call call) {
        {
            const std::lock_guard<std::mutex> hold(running_.lock);
            if (running_.cancelled) throw Cancelled();
            running_.inCall = true;
        }
        const SQLRETURN rc = call();
        const std::lock_guard<std::mutex> hold(running_.lock);
        running_.inCall = false;
        return rc;
    }
    ~PublishedStatement() {
        const std::lock_guard<std::mutex> hold(running_.lock);
        running_.stmt = SQL_NULL_HSTMT;
    }
    PublishedStatement(const PublishedStatement&) = delete;
    PublishedStatement& operator=(const PublishedStatement&) = delete;

private:
    RunningStatement& running_;
};

} // namespace

std::unique_ptr<CancelHandle> OdbcSession::PrepareCancel() { return std::make_unique<OdbcCancel>(running_); }

Statement OdbcSession::NewStatement() {
    return Statement::Allocate(link_->dbc->get());
}

Error OdbcSession::StatementError(const Statement& stmt) const {
    return Diagnostics(SQL_HANDLE_STMT, stmt.get(), link_->dialect(), "The ODBC driver failed without a message.");
}

std::vector<TableInfo> OdbcSession::Tables() {
    Statement stmt = NewStatement();
    const SQLRETURN rc = link_->wide ? SQLTablesW(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0)
                                     : SQLTables(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    if (!Succeeded(rc)) throw StatementError(stmt);
    const std::unique_ptr<BufferedCursor> rows = ReadRowSet(stmt.get(), link_->dialect());
    // TABLE_NAME and TABLE_TYPE are the third and fourth columns of every driver's answer.
    if (rows->FieldCount() < 4)
        throw Error(ErrorCode::ProviderFailure, "The ODBC driver's table list has fewer columns than ODBC defines.");
    std::vector<TableInfo> tables;
    for (; !rows->AtEnd(); rows->Next()) tables.push_back({std::string(rows->Value(3)), std::string(rows->Value(2))});
    return tables;
}

std::unique_ptr<Cursor> OdbcSession::Execute(std::string_view commandText) {
    rowsChanged_ = 0;
    // The driver manager refuses an empty text instead of running nothing.
    if (commandText.empty()) return nullptr;
    if (commandText.size() > static_cast<std::size_t>(INT_MAX))
        throw Error(ErrorCode::InvalidArgument, "The command text is longer than ODBC accepts.");
    Statement stmt = NewStatement();
    PublishedStatement published(*running_, stmt.get());
    SQLRETURN rc;
    if (link_->wide) {
        std::u16string text = ToUtf16(commandText);
        rc = published.InCall([&] { return SQLExecDirectW(stmt.get(), Wide(text), static_cast<SQLINTEGER>(text.size())); });
    } else {
        std::string text(commandText);
        rc = published.InCall([&] {
            return SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
        });
    }
    std::unique_ptr<Cursor> kept;
    // SQL_NO_DATA: a statement that touched no rows; the text may still hold more.
    while (Succeeded(rc) || rc == SQL_NO_DATA) {
        SQLSMALLINT columns = 0;
        if (rc != SQL_NO_DATA && !Succeeded(SQLNumResultCols(stmt.get(), &columns))) throw StatementError(stmt);
        if (columns > 0) {
            kept = ReadRowSet(stmt.get(), link_->dialect());
            if (published.Cancelled()) throw Cancelled();
        } else if (rc != SQL_NO_DATA) {
            SQLLEN changed = -1;
            if (Succeeded(SQLRowCount(stmt.get(), &changed)) && changed > 0) rowsChanged_ += changed;
        }
        rc = published.InCall([&] { return SQLMoreResults(stmt.get()); });
        if (rc == SQL_NO_DATA) {
            if (published.Cancelled()) throw Cancelled();
            return kept;
        }
    }
    throw StatementError(stmt);
}

} // namespace tbn::db::odbc
