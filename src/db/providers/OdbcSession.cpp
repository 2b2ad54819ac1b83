#include "db/providers/OdbcSession.h"

#include "core/ErrorCodes.h"
#include "db/providers/OdbcBatch.h"
#include "db/providers/OdbcCursor.h"
#include "db/providers/OdbcSchema.h"
#include "db/providers/OdbcText.h"

#include <climits>

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

std::unique_ptr<BufferedCursor> OdbcSession::ReadAll(SQLHSTMT stmt,
                                                     const PublishedStatement& published) {
    RowStream rows(stmt, link_->dialect(), link_->getDataExtensions);
    auto buffered = std::make_unique<BufferedCursor>(rows.Names());
    const std::vector<core::ValueKind> kinds = rows.Kinds();
    for (;;) {
        // A cancel stops the read here: the driver may not be told while it fetches.
        if (published.Cancelled()) throw CancelledError();
        if (!rows.Next()) break;
        for (std::size_t i = 0; i < rows.FieldCount(); ++i) {
            if (rows.IsNull(i))
                buffered->AppendNull();
            else
                buffered->AppendValue(rows.Value(i), kinds[i]);
        }
    }
    return buffered;
}

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

std::unique_ptr<Cursor> OdbcSession::Execute(std::string_view commandText) {
    rowsChanged_ = 0;
    // The driver manager refuses an empty text instead of running nothing.
    if (commandText.empty()) return nullptr;
    if (commandText.size() > static_cast<std::size_t>(INT_MAX))
        throw Error(ErrorCode::InvalidArgument, "The command text is longer than ODBC accepts.");
    link_->Release();
    Statement stmt = NewStatement();
    auto published = std::make_unique<PublishedStatement>(running_, stmt.get());
    SQLRETURN rc;
    if (link_->wide) {
        std::u16string text = ToUtf16(commandText);
        rc = published->InCall([&] {
            return SQLExecDirectW(stmt.get(), Wide(text), static_cast<SQLINTEGER>(text.size()));
        });
    } else {
        std::string text(commandText);
        rc = published->InCall([&] {
            return SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(text.data()),
                                 static_cast<SQLINTEGER>(text.size()));
        });
    }
    const bool stream = !link_->severalResults || !MayGiveSeveralResults(commandText);
    std::unique_ptr<Cursor> kept;
    // SQL_NO_DATA: a statement that touched no rows; the text may still hold more.
    while (Succeeded(rc) || rc == SQL_NO_DATA) {
        SQLSMALLINT columns = 0;
        if (rc != SQL_NO_DATA && !Succeeded(SQLNumResultCols(stmt.get(), &columns)))
            throw StatementError(stmt);
        if (columns > 0) {
            if (stream)
                return std::make_unique<StreamingCursor>(link_, std::move(stmt),
                                                         std::move(published));
            kept = ReadAll(stmt.get(), *published);
        } else if (rc != SQL_NO_DATA) {
            SQLLEN changed = -1;
            if (Succeeded(SQLRowCount(stmt.get(), &changed)) && changed > 0)
                rowsChanged_ += changed;
        }
        rc = published->InCall([&] { return SQLMoreResults(stmt.get()); });
        if (rc == SQL_NO_DATA) {
            if (published->Cancelled()) throw CancelledError();
            return kept;
        }
    }
    Error error = StatementError(stmt);
    if (!MayGiveSeveralResults(commandText))
        error.SetFailedStatement(Error::ByteRange{0, commandText.size()});
    throw error;
}

}  // namespace tbn::db::odbc
