#pragma once
// The results of one ODBC command text, one at a time through SQLMoreResults; see
// StatementResults in Session.h. Whether a text may hold several statements is the driver's
// affair (the SQLite3 driver refuses them; MariaDB's needs its multi-statement option, which the
// provider sets). A row set is streamed from the driver; the next result is asked for only once
// its cursor is done, or its remaining rows have been read into memory.
#include "db/Session.h"
#include "db/providers/OdbcLink.h"

#include <optional>
#include <string>

namespace tbn::db::odbc {

class OdbcResults final : public StatementResults {
public:
    // Runs nothing yet: the text goes to the driver on the first Next().
    OdbcResults(LinkPtr link, std::shared_ptr<RunningStatement> running,
                std::string_view commandText);

    bool Next() override;
    std::unique_ptr<Cursor> TakeRows() override { return std::move(rows_); }
    // SQLRowCount; -1 when the driver does not know.
    std::int64_t RowsChanged() const override { return rowsChanged_; }
    // Said for the first result only: drivers split a text by rules of their own.
    std::optional<std::size_t> TextOffset() const override;
    // The text surely gives one result (see OdbcBatch.h), or the driver never gives more. Its row
    // set's cursor then also runs whatever follows, so it can outlive these results.
    bool Single() const { return single_; }

private:
    // Takes the result rc announced; false when there are no more.
    bool Take(SQLRETURN rc, bool fromExecute);
    Error Failure() const;

    LinkPtr link_;
    std::shared_ptr<RunningStatement> running_;
    std::string text_;
    bool single_;
    bool started_ = false;
    std::shared_ptr<ExecutedStatement> statement_;  // null before the first Next() and at the end
    std::size_t count_ = 0;                         // results handed out so far
    std::unique_ptr<Cursor> rows_;
    std::int64_t rowsChanged_ = -1;
};

}  // namespace tbn::db::odbc
