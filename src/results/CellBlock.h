#pragma once
// A run of consecutive grid rows stored compactly in two fixed-capacity regions of one buffer:
// the UTF-8 text of every cell, row after row, and an index with one record per row, the row's
// byte offset in the text followed by each cell's end relative to the row's start (a cell starts
// where the previous one ends). Relative ends are 1, 2 or 4 bytes wide, fixed per block: narrow
// ends make a row's index record a fraction of its text, and a row too long for them does not fit
// (Fits() says so) and goes to a block with wider ones. The record ends with one bit per cell that
// marks a null value, so a null and an empty text stay apart at a byte per eight cells, and two
// bits per cell for the value's kind (Text is 0, so a row given without kinds is all Text).
// Capacities are fixed at construction, so filling never copies what is already stored; the owner
// starts a new block when a row no longer fits.
// A sealed block (one the owner has moved past) counts its bytes in the MemoryBudget while it is in
// memory. Spilling moves its used pages to a spill file, read-only at the same addresses: it
// reads as before, takes no more rows, and must not be changed in place (Copy it first).
#include "core/MappedBuffer.h"
#include "core/SpillFile.h"
#include "core/ValueKind.h"
#include "results/CellValue.h"

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace tbn::results {

// Values for the columns [firstCol, firstCol + values.size()); every other cell is empty. A null
// value has empty text and is marked null. kinds, when not empty, runs beside values; empty means
// every value is Text.
struct RowValues {
    std::int64_t firstCol = 0;
    std::span<const std::optional<std::string_view>> values;
    std::span<const core::ValueKind> kinds = {};

    std::size_t Bytes() const;
    bool HasNull() const;
    std::string_view At(std::int64_t col) const;                    // "" outside the span
    std::optional<std::string_view> Value(std::int64_t col) const;  // "" outside the span
    core::ValueKind Kind(std::int64_t col) const;                   // Text outside the span
};

class CellBlock {
public:
    // endWidth is 1, 2 or 4 (bytes per relative end).
    CellBlock(std::int64_t cols, int endWidth, std::int64_t rowCapacity, std::size_t byteCapacity,
              bool hugePages);
    ~CellBlock();
    CellBlock(const CellBlock&) = delete;
    CellBlock& operator=(const CellBlock&) = delete;
    // A block of the same shape, in memory, holding this one's first `rows` rows.
    std::unique_ptr<CellBlock> Copy(std::int64_t rows) const;

    static int EndWidthFor(std::size_t rowBytes);  // the narrowest ends a row of that size needs
    static std::size_t IndexBytesPerRow(std::int64_t cols, int endWidth);

    int EndWidth() const { return endWidth_; }
    std::int64_t RowCount() const { return rows_; }
    std::size_t BytesUsed() const;  // text plus index records actually stored
    // BytesUsed of the first `rows` rows, from their records alone: for a reader on another thread
    // than the one appending, which must not read the counters the appends write.
    std::size_t BytesOfFirst(std::int64_t rows) const;
    std::size_t WidestRow() const { return widestRow_; }  // the most text any row has had
    bool Fits(std::size_t rowBytes) const;

    void Seal();
    bool Sealed() const { return sealed_; }
    // Moves the used pages to the file; raises as SpillFile::MoveOut, the block still whole.
    void SpillTo(core::SpillFile& file);
    // Safe from any thread: a share on another thread reads these while the owner spills.
    bool Spilled() const { return spilledBytes_.load(std::memory_order_relaxed) > 0; }
    std::size_t SpilledBytes() const { return spilledBytes_.load(std::memory_order_relaxed); }
    // For a reader that has moved past a spilled block: its pages leave memory (not the file).
    void DropResident() const noexcept;
    // For a reader within a spilled block, having read rows [fromRow, toRow) (toRow at most
    // RowCount()): the pages from the one where fromRow begins up to the one where toRow begins,
    // that one excluded, leave memory. Consecutive ranges leave nothing passed behind.
    void DropResident(std::int64_t fromRow, std::int64_t toRow) const noexcept;

    std::string_view Cell(std::int64_t row, std::int64_t col) const;
    bool IsNull(std::int64_t row, std::int64_t col) const;
    core::ValueKind Kind(std::int64_t row, std::int64_t col) const;
    // Cell, IsNull and Kind of the cells [firstCol, firstCol + out.size()) of a row, in one pass.
    void ReadRow(std::int64_t row, std::int64_t firstCol, std::span<CellValue> out) const;

    // Appends the row in one pass over its values when it fits; returns false, storing nothing,
    // when it does not or the block is spilled. Values beyond the block's columns are ignored.
    bool TryAppend(const RowValues& row);
    // The caller checks Fits() first, and that the block is not spilled. Only an insert before the
    // end moves what follows.
    void InsertRow(std::int64_t at, const RowValues& row);
    void RemoveRow(std::int64_t at);   // not on a spilled block
    void Truncate(std::int64_t rows);  // keeps the first `rows` rows
    // Frees the committed memory past the rows and text stored so far, for a block that is full
    // or will not grow; the block stays usable.
    void ReleaseSpare() noexcept;

private:
    // Fresh pages are committed on the page warmer's thread a little ahead of the appends, so the
    // filling thread does not pay for first touches (see core/PageWarmer.h).
    void WarmAhead() noexcept;

    struct PageRange {
        std::size_t from = 0;  // offsets into memory_
        std::size_t to = 0;
    };
    void Recount() noexcept;  // the budget's count of this block, after a change
    void DropSpilled(std::size_t from, std::size_t to) const noexcept;  // offsets into memory_
    template <class End> bool AppendWith(const RowValues& row);
    template <class End>
    void ReadWith(std::int64_t row, std::int64_t firstCol, std::span<CellValue> out) const;
    std::byte* Record(std::int64_t row) const {
        return index_ + static_cast<std::size_t>(row) * stride_;
    }
    std::size_t
    RowStart(std::int64_t row) const;  // byte offset where `row` begins; textUsed_ past the end
    void SetRowStart(std::int64_t row, std::size_t start);
    std::size_t EndOf(const std::byte* record, std::int64_t col) const;  // relative end of a cell
    void WriteEnds(std::byte* record, const RowValues& row, char* text) const;
    std::byte* NullBits(std::byte* record) const { return record + nullsAt_; }
    std::byte* KindBits(std::byte* record) const { return record + kindsAt_; }

    std::int64_t cols_;
    int endWidth_;
    std::size_t nullsAt_;  // where a record's null bits begin
    std::size_t kindsAt_;  // where its kind bits begin
    std::size_t stride_;   // bytes of one index record
    std::int64_t rowCapacity_;
    std::size_t byteCapacity_;
    core::MappedBuffer memory_;
    std::byte* index_;
    char* text_;
    std::int64_t rows_ = 0;
    std::size_t textUsed_ = 0;
    std::size_t widestRow_ = 0;
    bool hugePages_;
    bool sealed_ = false;
    // How far warming was asked for, in bytes from the start of the text and of the index, and
    // the text size and row count past which the next request is due (never, on small pages).
    std::size_t textWarmed_ = 0;
    std::size_t indexWarmed_ = 0;
    std::size_t textWarmMark_ = SIZE_MAX;
    std::int64_t rowWarmMark_ = INT64_MAX;
    std::size_t counted_ = 0;  // bytes of this block in the MemoryBudget
    PageRange spilledIndex_;   // the ranges now mapped from a spill file
    PageRange spilledText_;
    std::atomic<std::size_t> spilledBytes_ = 0;
};

}  // namespace tbn::results
