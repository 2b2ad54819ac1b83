#pragma once
// The results of one command text sent as one query (the simple query protocol), one statement at
// a time; see StatementResults in Session.h. The server's own rules apply: the statements of a
// text without BEGIN/COMMIT form one transaction, and a failure undoes the earlier ones. Rows
// arrive one result each (single-row mode), so a row set is streamed as the server sends it, and
// the next statement's result is read only once the cursor before it is done.
#include "db/Session.h"
#include "db/providers/PostgresHandles.h"
#include "db/providers/PostgresStatements.h"

#include <optional>
#include <string>
#include <vector>

namespace tbn::db::pg {

class PostgresResults final : public StatementResults {
public:
    // Sends nothing yet: the text goes to the server on the first Next().
    PostgresResults(LinkPtr link, std::string_view commandText);
    // Reads and drops the results not read yet, so the connection ends idle; meanwhile a cancel
    // can still stop the statements that produce them. A row set the caller still reads keeps its
    // results, which the next command drops (Link::Release).
    ~PostgresResults() override;

    bool Next() override;
    std::unique_ptr<Cursor> TakeRows() override { return std::move(rows_); }
    // PQcmdTuples; -1 for a command that changes no rows (a definition, say).
    std::int64_t RowsChanged() const override { return rowsChanged_; }
    // Found by reading the text as the server splits it, unless that reading is in doubt.
    std::optional<std::size_t> TextOffset() const override;
    // The text holds more than one statement. When it does not, the cursor of its row set also
    // reads what follows the set, so it can outlive these results.
    bool Several() const { return several_; }

private:
    std::optional<Error::ByteRange> Statement(std::size_t index) const;

    LinkPtr link_;
    std::string text_;
    bool several_;
    std::optional<std::vector<StatementSpan>> spans_;
    bool sent_ = false;
    bool over_ = false;
    std::size_t count_ = 0;  // results handed out so far
    std::unique_ptr<Cursor> rows_;
    std::int64_t rowsChanged_ = -1;
};

}  // namespace tbn::db::pg
