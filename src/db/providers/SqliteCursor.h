#pragma once
// A cursor that steps one SQLite statement lazily and hands out views straight into the engine's
// own text of each column; nothing is copied per row. A floating-point value whose own text (15
// significant digits) is not exactly the value is given in the fewest digits that are.
#include "db/Session.h"
#include "db/providers/SqliteHandles.h"

#include <functional>
#include <string>
#include <vector>

namespace tbn::db::sqlite {

class StreamingCursor final : public Cursor {
public:
    // What a failure of a step is raised as: the statement's place in a longer text, say.
    using FailureHook = std::function<Error(Error)>;

    // Takes the prepared statement and makes its first step, so a failure on the first row raises
    // here. The statement is finalized as soon as the end is reached or a step fails.
    StreamingCursor(DatabasePtr db, StatementPtr statement, FailureHook onFailure = {});

    std::size_t FieldCount() const override { return names_.size(); }
    std::string_view FieldName(std::size_t index) const override { return names_.at(index); }
    bool AtEnd() const override { return !statement_; }
    void Next() override;
    bool IsNull(std::size_t index) const override;
    std::string_view Value(std::size_t index) const override;
    core::ValueKind Kind(std::size_t index) const override;

private:
    std::string_view RealText(std::size_t index) const;
    void Step();
    // Inline: it runs for every cell of a result.
    int TypeOf(std::size_t index) const {
        if (index >= types_.size()) RaiseIndexOutOfRange(index);
        return types_[index];
    }
    [[noreturn]] static void RaiseIndexOutOfRange(std::size_t index);

    DatabasePtr db_;
    StatementPtr statement_;  // null once the end is reached
    FailureHook onFailure_;
    std::vector<std::string> names_;
    // Each column's value in the current row and its storage class, read right after the step:
    // the type is undefined once a text conversion has touched the value. Reading through the
    // value skips the statement's per-call checks, which are a fifth of the fetch; the connection
    // is opened without SQLite's mutex, the mode in which a column's value may be read directly.
    std::vector<sqlite3_value*> values_;
    std::vector<int> types_;
    mutable std::vector<std::string> text_;  // per column, reused across rows: hex, exact reals
};

}  // namespace tbn::db::sqlite
