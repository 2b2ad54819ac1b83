#include "db/providers/SqliteStatements.h"

#include "core/ErrorCodes.h"
#include "db/CommandText.h"
#include "db/providers/SqliteCursor.h"

#include <array>
#include <climits>

namespace tbn::db::sqlite {

namespace {

// Whether a statement without a row set is one that changes rows, so that changing none is worth
// saying ("0 rows changed") rather than nothing. A statement that starts with WITH and has no
// columns can only be an INSERT, UPDATE, DELETE or REPLACE.
bool ChangesRows(std::string_view statement) {
    const std::size_t start = StartOfFirstToken(statement);
    std::size_t end = start;
    while (end < statement.size() &&
           ((statement[end] | 0x20) >= 'a' && (statement[end] | 0x20) <= 'z'))
        ++end;
    const std::string_view word = statement.substr(start, end - start);
    static constexpr std::array<std::string_view, 5> verbs = {"insert", "update", "delete",
                                                              "replace", "with"};
    for (std::string_view verb : verbs) {
        if (word.size() != verb.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < word.size() && same; ++i)
            same = static_cast<char>(word[i] | 0x20) == verb[i];
        if (same) return true;
    }
    return false;
}

// What a failure of the statement at range of the text is reported as. An interrupt does not always
// surface as SQLITE_INTERRUPT: one that reaches a wait for a lock ends it as SQLITE_BUSY.
Error Placed(Error error, BusyWait& busyWait, std::optional<Error::ByteRange> range) {
    if ((error.Number() & 0xff) == SQLITE_INTERRUPT || busyWait.CancelRequested())
        error = Error(ErrorCode::CommandCancelled, "The command was cancelled.");
    error.SetFailedStatement(range);
    return error;
}

}  // namespace

bool OnlyCommentsRemain(std::string_view sql) {
    // SQLite takes an unterminated block comment as running to the end of the text, as this does.
    return StartOfFirstToken(sql) == sql.size();
}

StatementPtr PrepareStatement(sqlite3* db, std::string_view sql, const char** tail) {
    if (sql.size() > static_cast<std::size_t>(INT_MAX))
        throw Error(SQLITE_TOOBIG, "The command text is longer than SQLite accepts.");
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), 0, &raw, tail);
    StatementPtr statement(raw);
    if (rc != SQLITE_OK) {
        Error error = LastError(db);
        const int offset = sqlite3_error_offset(db);
        if (offset >= 0 && static_cast<std::size_t>(offset) <= sql.size())
            error.SetCommandOffset(static_cast<std::size_t>(offset));
        throw error;
    }
    return statement;
}

SqliteStatements::SqliteStatements(DatabasePtr db, std::shared_ptr<BusyWait> busyWait,
                                   std::string_view commandText)
    : db_(std::move(db)), busyWait_(std::move(busyWait)), text_(commandText) {
    busyWait_->Rearm();
}

bool SqliteStatements::IsLast() const {
    return OnlyCommentsRemain(std::string_view(text_).substr(read_));
}

bool SqliteStatements::Next() {
    rows_.reset();
    rowsChanged_ = -1;
    offset_.reset();
    const std::string_view whole(text_);
    while (read_ < whole.size()) {
        const std::size_t start = read_;
        const std::string_view rest = whole.substr(start);
        const char* tail = nullptr;
        StatementPtr stmt;
        try {
            stmt = PrepareStatement(db_.get(), rest, &tail);
        } catch (Error& error) {
            // SQLite places the failure within the statement it was given; the caller knows only
            // the whole text. The tail is set even when the statement is refused.
            if (error.CommandOffset()) error.SetCommandOffset(*error.CommandOffset() + start);
            read_ = whole.size();  // nothing after a failure runs
            std::optional<Error::ByteRange> range;
            if (tail > rest.data() && tail <= rest.data() + rest.size())
                range =
                    Error::ByteRange{start, start + static_cast<std::size_t>(tail - rest.data())};
            throw Placed(std::move(error), *busyWait_, range);
        }
        const std::size_t length =
            tail ? static_cast<std::size_t>(tail - rest.data()) : rest.size();
        // At a NUL SQLite gives no statement and a tail that has not moved; waiting for the text
        // to shrink would spin forever, and skipping on would run text nobody checked.
        if (length == 0 || length > rest.size()) {
            read_ = whole.size();
            throw Error(ErrorCode::ProviderFailure,
                        "SQLite could not read the command text past position " +
                            std::to_string(CharacterPosition(whole, start)) +
                            "; nothing from there on was run.");
        }
        read_ = start + length;
        if (!stmt) continue;  // only blanks or comments were left
        const std::string_view statement = rest.substr(0, length);
        offset_ = start + StartOfFirstToken(statement);
        const std::size_t end = read_;
        try {
            if (sqlite3_column_count(stmt.get()) > 0) {
                rows_ = std::make_unique<StreamingCursor>(
                    db_, std::move(stmt), [wait = busyWait_, start, end](Error error) {
                        return Placed(std::move(error), *wait, Error::ByteRange{start, end});
                    });
                return true;
            }
            const sqlite3_int64 before = sqlite3_total_changes64(db_.get());
            int rc;
            while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {}
            if (rc != SQLITE_DONE) throw LastError(db_.get());
            const std::int64_t changed = sqlite3_total_changes64(db_.get()) - before;
            rowsChanged_ = changed > 0 || ChangesRows(statement) ? changed : -1;
            return true;
        } catch (Error& error) {
            read_ = whole.size();
            if (error.FailedStatement()) throw;
            throw Placed(std::move(error), *busyWait_, Error::ByteRange{start, end});
        }
    }
    return false;
}

}  // namespace tbn::db::sqlite
