#include "db/providers/OdbcResults.h"

#include "core/ErrorCodes.h"
#include "db/CommandText.h"
#include "db/providers/OdbcBatch.h"
#include "db/providers/OdbcCursor.h"
#include "db/providers/OdbcText.h"

#include <climits>

namespace tbn::db::odbc {

OdbcResults::OdbcResults(LinkPtr link, std::shared_ptr<RunningStatement> running,
                         std::string_view commandText)
    : link_(std::move(link)), running_(std::move(running)), text_(commandText),
      single_(!link_->severalResults || !MayGiveSeveralResults(commandText)) {}

std::optional<std::size_t> OdbcResults::TextOffset() const {
    if (count_ != 1) return std::nullopt;
    return StartOfFirstToken(text_);
}

Error OdbcResults::Failure() const {
    if (statement_->published.Cancelled()) return CancelledError();
    Error error = Diagnostics(SQL_HANDLE_STMT, statement_->stmt.get(), link_->dialect(),
                              "The ODBC driver failed without a message.");
    if (!MayGiveSeveralResults(text_)) error.SetFailedStatement(Error::ByteRange{0, text_.size()});
    return error;
}

bool OdbcResults::Next() {
    rows_.reset();
    rowsChanged_ = -1;
    // A row set the caller still holds unread goes into memory: the statement moves on.
    link_->Release();
    if (!started_) {
        started_ = true;
        // The driver manager refuses an empty text instead of running nothing.
        if (text_.empty()) return false;
        if (text_.size() > static_cast<std::size_t>(INT_MAX))
            throw Error(ErrorCode::InvalidArgument,
                        "The command text is longer than ODBC accepts.");
        statement_ =
            std::make_shared<ExecutedStatement>(running_, Statement::Allocate(link_->dbc->get()));
        ExecutedStatement& statement = *statement_;
        SQLRETURN rc;
        if (link_->wide) {
            std::u16string text = ToUtf16(text_);
            rc = statement.published.InCall([&] {
                return SQLExecDirectW(statement.stmt.get(), Wide(text),
                                      static_cast<SQLINTEGER>(text.size()));
            });
        } else {
            rc = statement.published.InCall([&] {
                return SQLExecDirect(statement.stmt.get(), reinterpret_cast<SQLCHAR*>(text_.data()),
                                     static_cast<SQLINTEGER>(text_.size()));
            });
        }
        return Take(rc, true);
    }
    if (!statement_) return false;
    ExecutedStatement& statement = *statement_;
    return Take(statement.published.InCall([&] { return SQLMoreResults(statement.stmt.get()); }),
                false);
}

bool OdbcResults::Take(SQLRETURN rc, bool fromExecute) {
    try {
        // From SQLExecDirect, SQL_NO_DATA is a statement that touched no rows.
        if (rc == SQL_NO_DATA && !fromExecute) {
            if (statement_->published.Cancelled()) throw CancelledError();
            statement_.reset();
            return false;
        }
        if (rc != SQL_NO_DATA && !Succeeded(rc)) throw Failure();
        // A command the server stopped may still end as if it had run (MariaDB's SLEEP).
        if (statement_->published.Cancelled()) throw CancelledError();
        ++count_;
        if (rc == SQL_NO_DATA) {
            rowsChanged_ = 0;
            return true;
        }
        SQLSMALLINT columns = 0;
        if (!Succeeded(SQLNumResultCols(statement_->stmt.get(), &columns))) throw Failure();
        if (columns > 0) {
            rows_ = std::make_unique<StreamingCursor>(link_, statement_, single_);
            // The cursor runs what follows its row set.
            if (single_) statement_.reset();
            return true;
        }
        SQLLEN changed = -1;
        if (Succeeded(SQLRowCount(statement_->stmt.get(), &changed)) && changed >= 0)
            rowsChanged_ = changed;
        return true;
    } catch (...) {
        statement_.reset();
        throw;
    }
}

}  // namespace tbn::db::odbc
