#include "platform/CellBlock.h"

#include <cstring>

namespace tbn::platform {

std::size_t RowValues::Bytes() const {
    std::size_t total = 0;
    for (const auto& value : values)
        if (value) total += value->size();
    return total;
}

std::string_view RowValues::At(std::int64_t col) const {
    const std::int64_t i = col - firstCol;
    if (i < 0 || i >= static_cast<std::int64_t>(values.size())) return {};
    const auto& value = values[static_cast<std::size_t>(i)];
    return value ? *value : std::string_view{};
}

CellBlock::CellBlock(std::int64_t cols, std::int64_t rowCapacity, std::size_t byteCapacity,
                     bool hugePages)
    : cols_(cols),
      rowCapacity_(rowCapacity),
      byteCapacity_(byteCapacity),
      memory_(static_cast<std::size_t>(rowCapacity * cols) * sizeof(std::uint32_t) + byteCapacity,
              hugePages),
      ends_(reinterpret_cast<std::uint32_t*>(memory_.data())),
      text_(reinterpret_cast<char*>(memory_.data()) +
            static_cast<std::size_t>(rowCapacity * cols) * sizeof(std::uint32_t)) {}

std::size_t CellBlock::BytesUsed() const {
    return textUsed_ + static_cast<std::size_t>(rows_ * cols_) * sizeof(std::uint32_t);
}

bool CellBlock::Fits(std::size_t rowBytes) const {
    return rows_ < rowCapacity_ && rowBytes <= byteCapacity_ - textUsed_;
}

std::size_t CellBlock::RowStart(std::int64_t row) const {
    const std::int64_t firstCell = row * cols_;
    return firstCell == 0 ? 0 : ends_[firstCell - 1];
}

std::string_view CellBlock::Cell(std::int64_t row, std::int64_t col) const {
    const std::int64_t i = row * cols_ + col;
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return {text_ + begin, ends_[i] - begin};
}

void CellBlock::InsertRow(std::int64_t at, const RowValues& row) {
    const std::size_t rowBytes = row.Bytes();
    const std::size_t start = RowStart(at);
    if (at < rows_) {
        // Only a mid-block insert pays for moving the rows that follow.
        std::memmove(text_ + start + rowBytes, text_ + start, textUsed_ - start);
        const std::int64_t firstCell = at * cols_;
        const std::int64_t movedCells = (rows_ - at) * cols_;
        std::uint32_t* moved = ends_ + firstCell + cols_;
        std::memmove(moved, ends_ + firstCell, static_cast<std::size_t>(movedCells) * sizeof(std::uint32_t));
        for (std::int64_t i = 0; i < movedCells; ++i) moved[i] += static_cast<std::uint32_t>(rowBytes);
    }
    std::size_t end = start;
    std::uint32_t* rowEnds = ends_ + at * cols_;
    for (std::int64_t c = 0; c < cols_; ++c) {
        const std::string_view value = row.At(c);
        if (!value.empty()) std::memcpy(text_ + end, value.data(), value.size());
        end += value.size();
        rowEnds[c] = static_cast<std::uint32_t>(end);
    }
    textUsed_ += rowBytes;
    ++rows_;
}

void CellBlock::RemoveRow(std::int64_t at) {
    const std::size_t start = RowStart(at);
    const std::size_t end = RowStart(at + 1);
    const std::size_t rowBytes = end - start;
    std::memmove(text_ + start, text_ + end, textUsed_ - end);
    const std::int64_t firstCell = at * cols_;
    const std::int64_t movedCells = (rows_ - at - 1) * cols_;
    std::memmove(ends_ + firstCell, ends_ + firstCell + cols_,
                 static_cast<std::size_t>(movedCells) * sizeof(std::uint32_t));
    for (std::int64_t i = 0; i < movedCells; ++i) ends_[firstCell + i] -= static_cast<std::uint32_t>(rowBytes);
    textUsed_ -= rowBytes;
    --rows_;
}

void CellBlock::Truncate(std::int64_t rows) {
    if (rows >= rows_) return;
    textUsed_ = RowStart(rows);
    rows_ = rows;
}

} // namespace tbn::platform
