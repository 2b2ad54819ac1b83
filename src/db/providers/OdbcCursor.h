#pragma once
// A cursor over one ODBC row set as the driver hands it out: rows go on as they are fetched, a
// block at a time, never collected into a second copy of the result.
#include "db/providers/BufferedCursor.h"
#include "db/providers/OdbcLink.h"
#include "db/providers/OdbcRowStream.h"

namespace tbn::db::odbc {

class StreamingCursor final : public Cursor {
public:
    // Reads the statement's current result, a row set, starting with the first row (a failure
    // there raises here). With ownsRest, the statement's later results are run and skipped after
    // the row set, a failure among them raised from Next(); without, they are left to whoever
    // shares the statement. The cursor lets go of the statement as soon as the end is reached. A
    // cancel that comes while rows are read fails the next Next() with CommandCancelled.
    StreamingCursor(LinkPtr link, std::shared_ptr<ExecutedStatement> statement, bool ownsRest);
    ~StreamingCursor() override;
    StreamingCursor(const StreamingCursor&) = delete;
    StreamingCursor& operator=(const StreamingCursor&) = delete;

    std::size_t FieldCount() const override { return names_.size(); }
    std::string_view FieldName(std::size_t index) const override { return names_.at(index); }
    bool AtEnd() const override { return buffered_ ? buffered_->AtEnd() : !rows_; }
    void Next() override;
    bool IsNull(std::size_t index) const override;
    std::string_view Value(std::size_t index) const override;
    core::ValueKind Kind(std::size_t index) const override;

    // Moves the current and remaining rows into memory so the connection can run another
    // statement; the cursor carries on from there. A failure met while reading is raised by
    // Next() once the rows read before it are walked.
    void Detach();

private:
    void Advance();
    void Finish();  // the row set is over: runs the statement's later results if they are its own
    void Close();   // lets go of the statement
    std::size_t Column(std::size_t index) const;

    LinkPtr link_;
    std::shared_ptr<ExecutedStatement> statement_;
    bool ownsRest_;
    std::unique_ptr<RowStream> rows_;  // null at the end
    std::vector<std::string> names_;
    std::vector<core::ValueKind> kinds_;  // from each column's SQL type
    std::unique_ptr<BufferedCursor> buffered_;
};

}  // namespace tbn::db::odbc
