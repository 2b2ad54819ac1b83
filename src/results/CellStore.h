#pragma once
// The text of a rows × cols grid of cells, kept as compact UTF-8 (see CellBlock): no object and
// no string per cell. Rows below the last stored row are an implicit empty tail that costs
// nothing, so growing the row count, clearing and removing empty rows are cheap whatever the
// size. Writes to cells of rows that are already stored (other than the last one) go to a small
// table of overrides; the grid's callers write such cells rarely (headers, single edits).
// A cell filled from a null value reads as empty text and is marked null until it is written again.
// Each cell keeps the kind its value was given with (Text when none was, and for SetCell).
// Indexes are 0-based; an index out of range raises tbn::Error 381 "Subscript out of range",
// a negative count 380 "Invalid property value".
// While the finished blocks of all stores hold more than the MemoryBudget allows, a store being
// filled (WriteRowAndAppend at the end) moves its own oldest finished blocks to its spill file; a
// spill that fails (61 "Disk full") raises from the filling call, which then stores nothing. Not
// thread-safe, except ShareStored and StoredRows, which a grid may call while a worker fills the
// store.
#include "results/CellBlock.h"
#include "results/CellValue.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tbn::results {

class CellStore {
public:
    CellStore(std::int64_t rows = 0, std::int64_t cols = 0);
    CellStore(CellStore&& other) noexcept;
    CellStore& operator=(CellStore&& other) noexcept;
    CellStore(const CellStore&) = delete;
    CellStore& operator=(const CellStore&) = delete;
    ~CellStore();

    std::int64_t Rows() const { return rows_; }
    std::int64_t Cols() const { return cols_; }
    void SetRows(std::int64_t rows);  // drops rows at the end or adds empty ones
    void SetCols(std::int64_t cols);  // keeps the text of the columns that remain

    std::string_view Cell(std::int64_t row, std::int64_t col) const;  // valid until the next change
    bool IsNull(std::int64_t row, std::int64_t col) const;
    core::ValueKind Kind(std::int64_t row, std::int64_t col) const;
    // The cells [firstCol, firstCol + out.size()) of a row at once, as Cell, IsNull and Kind give
    // them: what reads a whole result (an export) pays for the row's lookup once, not per cell.
    void ReadRow(std::int64_t row, std::int64_t firstCol, std::span<CellValue> out) const;
    void SetCell(std::int64_t row, std::int64_t col, std::string_view text);  // never null

    // ReadRow for a walk over many rows, mostly in order (an export): it keeps the block of the
    // last row read, so the next row's block is found without a search, and lets the pages of a
    // spilled block it has passed leave memory, every few megabytes within the block and all of
    // them once it moves to another. One per reading thread; the store must not change while it
    // reads.
    class RowReader {
    public:
        explicit RowReader(const CellStore& store) : store_(store) {}
        void Read(std::int64_t row, std::int64_t firstCol, std::span<CellValue> out);

    private:
        void Enter(std::int64_t row);  // makes the block holding stored `row` the current one
        void Pass(std::int64_t row);   // the walk has reached `row` of the current block

        const CellStore& store_;
        const CellBlock* block_ = nullptr;
        std::int64_t blockFirst_ = 0;
        std::int64_t blockEnd_ = 0;
        std::int64_t dropFrom_ = 0;  // the first row of the block whose pages may still be held
        std::int64_t dropAt_ = std::numeric_limits<std::int64_t>::max();
        std::int64_t dropEvery_ = 0;  // rows between drops, a few megabytes of the block
    };

    // Inserts a row at `index` (0..Rows()) whose cells are `row`'s values.
    void InsertRow(std::int64_t index, const RowValues& row);
    void RemoveRow(std::int64_t index);
    // Writes the values into the cells of an existing row; other cells of the row keep their text.
    void WriteRow(std::int64_t row, const RowValues& values);
    // WriteRow, then one empty row appended at the end: how a grid is filled, row by row.
    void WriteRowAndAppend(std::int64_t row, const RowValues& values);
    void Clear();  // every cell empty; counts kept

    // A store of the header and records stored so far (rows [0, n) of this one, n as published
    // by the last completed append) and one empty row after them, sharing this store's blocks
    // instead of copying them: what a grid shows while a worker still fills this store. Safe to
    // call from another thread while the filling thread only appends (WriteRowAndAppend at the end
    // of the stored rows, the way RunJob::Fill fills); the rows it holds never change. The shared
    // store reads like any other; its first change of a cell or a count copies its rows into
    // blocks of its own, so the filling store is never written through it.
    std::shared_ptr<CellStore> ShareStored() const;
    std::int64_t StoredRows() const;  // safe from another thread, as ShareStored
    // Bytes of this store's rows kept in its spill file rather than in memory (0: all in memory).
    std::size_t SpilledBytes() const;

    std::size_t BytesUsed() const;  // stored text, offsets and overrides
    // For a store that is filled: frees the memory its blocks committed beyond what they hold (a
    // partly written huge page at the end of each). Writing later still works.
    void ReleaseSpare() noexcept;

private:
    struct CellKey {
        std::int64_t row;
        std::int64_t col;
        bool operator==(const CellKey&) const = default;
    };
    struct CellKeyHash {
        std::size_t operator()(const CellKey& key) const noexcept;
    };
    struct Override {
        std::optional<std::string> text;  // nullopt: null
        core::ValueKind kind = core::ValueKind::Text;
    };
    using Overrides = std::unordered_map<CellKey, Override, CellKeyHash>;

    void CheckCell(std::int64_t row, std::int64_t col) const;
    void SetValue(std::int64_t row, std::int64_t col, std::optional<std::string_view> value,
                  core::ValueKind kind);
    bool CanStoreAt(std::int64_t row) const;  // row is in the tail, close enough to store
    void StoreTailRow(std::int64_t row, const RowValues& values);  // materialises up to `row`
    void AppendStored(const RowValues& values);
    void InsertStored(std::int64_t index, const RowValues& values);
    void RemoveStored(std::int64_t index);
    void RewriteLastStored(const RowValues& values);
    std::shared_ptr<CellBlock> NewBlock(std::size_t minBytes, int endWidth) const;
    int EndWidthForNewBlock(std::size_t rowBytes) const;  // for a block appended at the end
    std::size_t BlockOf(std::int64_t row) const;          // index into blocks_
    std::int64_t
    BlockEnd(std::size_t k) const;  // one past block k's last row, by the store's count
    void Thaw();                    // a share's rows into blocks of its own
    void Publish() { publishedRows_.store(storedRows_, std::memory_order_release); }
    void RecountBlocks();
    CellBlock& Own(std::size_t k);  // block k, copied first when shared or spilled
    void SpillOverBudget();
    void EraseOverrides(std::int64_t row, const RowValues& values);
    void ShiftOverrides(std::int64_t fromRow, std::int64_t delta);  // delta -1 drops fromRow
    void RebuildWithCols(std::int64_t cols);

    std::int64_t rows_;
    std::int64_t cols_;
    std::int64_t storedRows_ = 0;  // rows [0, storedRows_) live in blocks_, the rest is empty
    // Blocks are shared with the stores ShareStored makes. The mutex guards the block table
    // against a share taken while the filling thread adds a block; the published count tells a
    // share how many rows are complete, so it never reads a block's own counters, which the
    // filling thread keeps writing.
    std::vector<std::shared_ptr<CellBlock>> blocks_;
    std::vector<std::int64_t> blockFirstRow_;
    mutable std::mutex blocksMutex_;
    std::atomic<std::int64_t> publishedRows_ = 0;
    bool frozen_ = false;  // a share: its blocks may be another store's, never written here
    Overrides overrides_;
    core::SpillFile spill_;
    bool spillDue_ = false;  // a block was sealed since the budget was last looked at
};

}  // namespace tbn::results
