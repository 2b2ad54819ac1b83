#pragma once
// The statements of one command text run one at a time through sqlite3_prepare's tail, each with
// its own result; see StatementResults in Session.h. A row set is the live statement itself,
// stepped as it is read. A failure is placed in the whole text (the statement it belongs to and,
// where SQLite says, the token); a failure that comes with or after a cancel raises
// CommandCancelled.
#include "db/Session.h"
#include "db/providers/SqliteBusyWait.h"
#include "db/providers/SqliteHandles.h"

#include <optional>
#include <string>

namespace tbn::db::sqlite {

class SqliteStatements final : public StatementResults {
public:
    // Rearms the busy wait: a cancel meant for an earlier command must not stop this one.
    SqliteStatements(DatabasePtr db, std::shared_ptr<BusyWait> busyWait,
                     std::string_view commandText);

    bool Next() override;
    std::unique_ptr<Cursor> TakeRows() override { return std::move(rows_); }
    // Counted from the connection's running total, so rows changed by triggers count as well.
    std::int64_t RowsChanged() const override { return rowsChanged_; }
    std::optional<std::size_t> TextOffset() const override { return offset_; }
    // Nothing but blanks, semicolons and comments follows the current statement.
    bool IsLast() const;

private:
    DatabasePtr db_;
    std::shared_ptr<BusyWait> busyWait_;
    std::string text_;
    std::size_t read_ = 0;  // bytes of text_ handed to SQLite so far
    std::unique_ptr<Cursor> rows_;
    std::int64_t rowsChanged_ = -1;
    std::optional<std::size_t> offset_;
};

// Prepares the first statement of sql; tail (may be null) receives where the rest begins. A
// refused statement raises with the offset of the failing token within sql, where SQLite gives it.
StatementPtr PrepareStatement(sqlite3* db, std::string_view sql, const char** tail);

// True when the text holds nothing SQLite would run: blanks, semicolons and comments.
bool OnlyCommentsRemain(std::string_view sql);

}  // namespace tbn::db::sqlite
