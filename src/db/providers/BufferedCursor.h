#pragma once
// A row set held in memory, for engines or statements that cannot be read lazily. Storage is
// compact: every cell's text sits in one byte buffer, found through an end offset per cell, with
// one null flag and one kind per cell; there is no string object per cell.
#include "core/Error.h"
#include "db/Session.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tbn::db {

class BufferedCursor final : public Cursor {
public:
    explicit BufferedCursor(std::vector<std::string> fieldNames);

    // Copies every remaining row of source (which ends walked to its end). Raises what
    // source.Next() raises.
    static std::unique_ptr<BufferedCursor> Drain(Cursor& source);

    // Building: cells are appended row by row, FieldCount() cells per row.
    void AppendValue(std::string_view text, core::ValueKind kind = core::ValueKind::Text);
    void AppendNull();
    // A failure met after the rows held: Next() raises it on reaching the end, once.
    void FailAtEnd(tbn::Error failure) { failure_ = std::move(failure); }

    std::size_t FieldCount() const override { return names_.size(); }
    std::string_view FieldName(std::size_t index) const override { return names_.at(index); }
    bool AtEnd() const override { return row_ >= RowCount(); }
    void Next() override;
    bool IsNull(std::size_t index) const override;
    std::string_view Value(std::size_t index) const override;
    core::ValueKind Kind(std::size_t index) const override;

    std::size_t RowCount() const { return names_.empty() ? 0 : nulls_.size() / names_.size(); }

private:
    std::size_t CellIndex(std::size_t field) const;

    std::vector<std::string> names_;
    std::string bytes_;
    std::vector<std::size_t> ends_;  // end offset in bytes_ of each cell
    std::vector<bool> nulls_;
    std::vector<core::ValueKind> kinds_;
    std::size_t row_ = 0;
    std::optional<tbn::Error> failure_;
};

}  // namespace tbn::db
