#include "db/providers/OdbcCursor.h"

#include "core/ErrorCodes.h"

#include <optional>

namespace tbn::db::odbc {

StreamingCursor::StreamingCursor(LinkPtr link, std::shared_ptr<ExecutedStatement> statement,
                                 bool ownsRest)
    : link_(std::move(link)), statement_(std::move(statement)), ownsRest_(ownsRest),
      rows_(std::make_unique<RowStream>(statement_->stmt.get(), link_->dialect(),
                                        link_->getDataExtensions)),
      names_(rows_->Names()), kinds_(rows_->Kinds()) {
    link_->SetReader(this);
    try {
        Advance();
    } catch (...) {
        link_->ClearReader(this);
        throw;
    }
}

StreamingCursor::~StreamingCursor() {
    // Left part-way: freeing the statement closes its cursor; nothing after it is run.
    link_->ClearReader(this);
    rows_.reset();
    statement_.reset();
}

void StreamingCursor::Advance() {
    // The driver is not told of a cancel while it fetches (see RunningStatement), so the read
    // stops here, failing rather than passing a cut-short row set for the whole one.
    if (statement_->published.Cancelled()) {
        Close();
        throw CancelledError();
    }
    if (rows_->Next()) return;
    Finish();
}

void StreamingCursor::Finish() {
    rows_.reset();
    link_->ClearReader(this);
    if (!ownsRest_) {
        statement_.reset();
        return;
    }
    // Results after the row set come from statements the text was not expected to hold (or a
    // procedure's later row sets); they run, and a failure among them is the run's.
    std::optional<Error> failure;
    try {
        SQLRETURN rc;
        ExecutedStatement& statement = *statement_;
        while (Succeeded(rc = statement.published.InCall(
                             [&statement] { return SQLMoreResults(statement.stmt.get()); }))) {}
        if (rc != SQL_NO_DATA)
            failure = Diagnostics(SQL_HANDLE_STMT, statement.stmt.get(), link_->dialect(),
                                  "The ODBC driver failed without a message.");
        else if (statement.published.Cancelled())
            failure = CancelledError();
    } catch (const Error& error) {
        failure = error;
    }
    Close();
    if (failure) throw *failure;
}

void StreamingCursor::Close() {
    rows_.reset();
    link_->ClearReader(this);
    statement_.reset();
}

void StreamingCursor::Next() {
    if (buffered_) {
        buffered_->Next();
        return;
    }
    if (rows_) Advance();
}

std::size_t StreamingCursor::Column(std::size_t index) const {
    if (index >= names_.size())
        throw Error(ErrorCode::InvalidArgument,
                    "Field index " + std::to_string(index) + " is out of range.");
    return index;
}

bool StreamingCursor::IsNull(std::size_t index) const {
    if (buffered_) return buffered_->IsNull(index);
    return !rows_ || rows_->IsNull(Column(index));
}

std::string_view StreamingCursor::Value(std::size_t index) const {
    if (buffered_) return buffered_->Value(index);
    return rows_ ? rows_->Value(Column(index)) : std::string_view();
}

core::ValueKind StreamingCursor::Kind(std::size_t index) const {
    if (buffered_) return buffered_->Kind(index);
    return kinds_[Column(index)];
}

void StreamingCursor::Detach() {
    if (buffered_) return;
    // Filled aside and installed at the end: until then the cursor still reads the driver's rows.
    auto buffer = std::make_unique<BufferedCursor>(names_);
    try {
        while (rows_) {
            for (std::size_t i = 0; i < names_.size(); ++i) {
                if (rows_->IsNull(i))
                    buffer->AppendNull();
                else
                    buffer->AppendValue(rows_->Value(i), kinds_[i]);
            }
            Advance();
        }
    } catch (const Error& error) {
        // The current row went into the buffer before anything was read, so the failure always
        // has a row before it from which Next() can raise it.
        Close();
        buffer->FailAtEnd(error);
    }
    buffered_ = std::move(buffer);
}

}  // namespace tbn::db::odbc
