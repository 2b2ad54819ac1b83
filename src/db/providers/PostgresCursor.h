#pragma once
// A cursor over one PostgreSQL row set as it arrives from the server (libpq single-row mode, or a
// complete result): only the current row's result is held, never the whole set. Values are the
// server's text format, but for bytea, which is given as hexadecimal (see HexText.h).
#include "db/providers/BufferedCursor.h"
#include "db/providers/PostgresHandles.h"

#include <string>
#include <vector>

namespace tbn::db::pg {

class StreamingCursor final : public Cursor {
public:
    // first: the row set's first result (PGRES_SINGLE_TUPLE or PGRES_TUPLES_OK). With ownsRest
    // the cursor also reads the command's results after its row set (a failure among them raises
    // from Next(), or here when the set is empty); without it, it stops at the end of its set and
    // leaves them to the caller.
    StreamingCursor(LinkPtr link, ResultPtr first, bool ownsRest);
    // Reads and discards what is still pending. Nothing is cancelled: the statement may have
    // changed data that must not be rolled back because its rows were not all read.
    ~StreamingCursor() override;

    std::size_t FieldCount() const override { return names_.size(); }
    std::string_view FieldName(std::size_t index) const override { return names_.at(index); }
    bool AtEnd() const override;
    void Next() override;
    bool IsNull(std::size_t index) const override;
    std::string_view Value(std::size_t index) const override;
    core::ValueKind Kind(std::size_t index) const override;

    // Moves the current and remaining rows into memory so the connection can run another
    // command; the cursor carries on from there. A failure met while reading is raised by Next()
    // once the rows read before it are walked.
    void Detach();

private:
    void Adopt(ResultPtr result);
    void Advance();
    void Finish();  // the set is over: reads the command's last results, raises the first failure
    int Column(std::size_t index) const;
    std::string_view ByteaText(std::size_t index, std::string_view serverText) const;

    LinkPtr link_;
    std::vector<std::string> names_;
    std::vector<core::ValueKind> kinds_;    // from each column's type
    mutable std::vector<std::string> hex_;  // the current row's bytea values, as Value() gives them
    ResultPtr current_;                     // null at the end
    int row_ = 0;
    int rows_ = 0;
    bool lastOfSet_ = false;  // current_ is the complete result, not one row of many
    bool pending_ = true;     // the connection still has results of this row set
    bool ownsRest_;
    std::unique_ptr<BufferedCursor> buffered_;
};

}  // namespace tbn::db::pg
