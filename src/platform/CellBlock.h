#pragma once
// A run of consecutive grid rows stored compactly: the UTF-8 text of every cell, row after row,
// in one fixed-capacity buffer, and one uint32 end offset per cell (a cell starts where the
// previous one ends). Capacities are fixed at construction, so filling never copies what is
// already stored; the owner starts a new block when a row no longer fits.
#include "platform/MappedBuffer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tbn::platform {

// Values for the columns [firstCol, firstCol + values.size()); every other cell is empty and a
// null value is empty too.
struct RowValues {
    std::int64_t firstCol = 0;
    std::span<const std::optional<std::string_view>> values;

    std::size_t Bytes() const;
    std::string_view At(std::int64_t col) const;  // "" outside the span
};

class CellBlock {
public:
    CellBlock(std::int64_t cols, std::int64_t rowCapacity, std::size_t byteCapacity, bool hugePages);

    std::int64_t RowCount() const { return rows_; }
    std::size_t BytesUsed() const;  // text plus offsets actually stored
    bool Fits(std::size_t rowBytes) const;

    std::string_view Cell(std::int64_t row, std::int64_t col) const;

    // The caller checks Fits() first. Insert at RowCount() appends without moving anything.
    void InsertRow(std::int64_t at, const RowValues& row);
    void RemoveRow(std::int64_t at);
    void Truncate(std::int64_t rows);  // keeps the first `rows` rows

private:
    std::size_t RowStart(std::int64_t row) const;  // byte offset where `row` begins

    std::int64_t cols_;
    std::int64_t rowCapacity_;
    std::size_t byteCapacity_;
    MappedBuffer memory_;
    std::uint32_t* ends_;
    char* text_;
    std::int64_t rows_ = 0;
    std::size_t textUsed_ = 0;
};

} // namespace tbn::platform
