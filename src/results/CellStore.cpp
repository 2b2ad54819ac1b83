#include "results/CellStore.h"

#include "core/PropertyErrors.h"
#include "results/MemoryBudget.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <utility>

namespace tbn::results {

using core::RaiseInvalidPropertyValue;
using core::RaiseSubscriptOutOfRange;

namespace {
// The first block serves the common small result on ordinary pages. Later ones are large and on
// huge pages: every block leaves a partly used huge page at the end of its index and of its
// text, so few, large blocks waste little. Capacity is committed only as it is written.
constexpr std::int64_t kFirstBlockRows = 8192;
constexpr std::size_t kFirstBlockIndex = std::size_t{512} << 10;
constexpr std::size_t kFirstBlockText = std::size_t{2} << 20;
constexpr std::size_t kLaterBlockIndex = std::size_t{32} << 20;
constexpr std::size_t kLaterBlockText = std::size_t{128} << 20;
// A write this far below the stored rows fills the gap with stored empty rows (a few bytes each);
// farther away it goes to the overrides so one stray write cannot commit megabytes.
constexpr std::int64_t kMaxTailGap = 4096;
// How much of a spilled block a RowReader reads before it lets the pages it has passed go.
constexpr std::size_t kDropEveryBytes = std::size_t{8} << 20;

using Cells = std::vector<std::optional<std::string_view>>;
using Kinds = std::vector<core::ValueKind>;

// A stored row's values and kinds, for writing it again elsewhere.
struct StoredRow {
    Cells cells;
    Kinds kinds;
    RowValues Values() const { return RowValues{0, cells, kinds}; }
};

StoredRow CellsOf(const CellBlock& block, std::int64_t row, std::int64_t cols) {
    StoredRow stored{Cells(static_cast<std::size_t>(cols)), Kinds(static_cast<std::size_t>(cols))};
    for (std::int64_t c = 0; c < cols; ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (!block.IsNull(row, c)) stored.cells[i] = block.Cell(row, c);
        stored.kinds[i] = block.Kind(row, c);
    }
    return stored;
}

std::optional<std::string> OverrideOf(std::optional<std::string_view> value) {
    if (!value) return std::nullopt;
    return std::string(*value);
}
}  // namespace

std::size_t CellStore::CellKeyHash::operator()(const CellKey& key) const noexcept {
    return std::hash<std::int64_t>{}(key.row * 1000003 + key.col);
}

CellStore::CellStore(std::int64_t rows, std::int64_t cols) : rows_(0), cols_(0) {
    SetCols(cols);
    SetRows(rows);
}

CellStore::CellStore(CellStore&& other) noexcept
    : rows_(other.rows_), cols_(other.cols_), storedRows_(other.storedRows_),
      blocks_(std::move(other.blocks_)), blockFirstRow_(std::move(other.blockFirstRow_)),
      frozen_(other.frozen_), overrides_(std::move(other.overrides_)),
      spill_(std::move(other.spill_)), spillDue_(other.spillDue_) {
    Publish();
    other.blocks_.clear();
    other.blockFirstRow_.clear();
    other.storedRows_ = 0;
    other.Publish();
}

CellStore& CellStore::operator=(CellStore&& other) noexcept {
    if (this == &other) return *this;
    rows_ = other.rows_;
    cols_ = other.cols_;
    storedRows_ = std::exchange(other.storedRows_, 0);
    blocks_ = std::move(other.blocks_);
    blockFirstRow_ = std::move(other.blockFirstRow_);
    frozen_ = other.frozen_;
    overrides_ = std::move(other.overrides_);
    spill_ = std::move(other.spill_);
    spillDue_ = other.spillDue_;
    other.blocks_.clear();
    other.blockFirstRow_.clear();
    Publish();
    other.Publish();
    return *this;
}

CellStore::~CellStore() = default;

std::shared_ptr<CellStore> CellStore::ShareStored() const {
    auto share = std::make_shared<CellStore>();
    // The count first: every block holding one of these rows was in the table before the row
    // was published.
    const std::int64_t stored = publishedRows_.load(std::memory_order_acquire);
    {
        const std::lock_guard lock(blocksMutex_);
        for (std::size_t k = 0; k < blocks_.size() && blockFirstRow_[k] < stored; ++k) {
            share->blocks_.push_back(blocks_[k]);
            share->blockFirstRow_.push_back(blockFirstRow_[k]);
        }
    }
    share->cols_ = cols_;
    share->storedRows_ = stored;
    share->rows_ = stored + 1;
    share->frozen_ = true;
    share->Publish();
    return share;
}

std::int64_t CellStore::StoredRows() const {
    return publishedRows_.load(std::memory_order_acquire);
}

std::size_t CellStore::SpilledBytes() const {
    std::size_t total = 0;
    for (const auto& block : blocks_) total += block->SpilledBytes();
    return total;
}

void CellStore::Thaw() {
    if (frozen_) RebuildWithCols(cols_);
}

void CellStore::CheckCell(std::int64_t row, std::int64_t col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_) RaiseSubscriptOutOfRange();
}

void CellStore::SetRows(std::int64_t rows) {
    if (rows < 0) RaiseInvalidPropertyValue();
    if (rows < storedRows_) {
        Thaw();
        while (!blocks_.empty() && blockFirstRow_.back() >= rows) {
            blocks_.pop_back();
            blockFirstRow_.pop_back();
        }
        if (!blocks_.empty()) {
            // A truncate writes nothing, so a spilled block stays on disk; a shared one is copied
            // first, since rows appended later would land where a share still reads.
            const std::size_t last = blocks_.size() - 1;
            CellBlock& block = blocks_[last].use_count() > 1 ? Own(last) : *blocks_[last];
            block.Truncate(rows - blockFirstRow_.back());
        }
        storedRows_ = rows;
        Publish();
    }
    if (rows < rows_ && !overrides_.empty())
        std::erase_if(overrides_, [rows](const auto& entry) { return entry.first.row >= rows; });
    rows_ = rows;
}

void CellStore::SetCols(std::int64_t cols) {
    if (cols < 0) RaiseInvalidPropertyValue();
    if (cols == cols_) return;
    // Rebuilding copies the rows into new blocks, so a share needs no thaw first.
    if (cols < cols_ && !overrides_.empty())
        std::erase_if(overrides_, [cols](const auto& entry) { return entry.first.col >= cols; });
    RebuildWithCols(cols);
}

void CellStore::RebuildWithCols(std::int64_t cols) {
    // Offsets are laid out per row, so a new column count means new blocks; callers change it
    // while the grid is nearly empty, which keeps this copy small in practice.
    // A share's blocks are read only up to its own bounds, never by their own row counts.
    auto oldBlocks = std::move(blocks_);
    auto oldFirstRows = std::move(blockFirstRow_);
    const std::int64_t oldStored = storedRows_;
    const std::int64_t oldCols = cols_;
    blocks_.clear();
    blockFirstRow_.clear();
    storedRows_ = 0;
    frozen_ = false;
    cols_ = cols;
    Publish();
    if (cols == 0) return;
    const std::int64_t kept = std::min(oldCols, cols);
    for (std::size_t k = 0; k < oldBlocks.size(); ++k) {
        const std::int64_t end = k + 1 < oldBlocks.size() ? oldFirstRows[k + 1] : oldStored;
        for (std::int64_t r = 0; r < end - oldFirstRows[k]; ++r) {
            const StoredRow stored = CellsOf(*oldBlocks[k], r, kept);
            AppendStored(stored.Values());
        }
    }
}

std::string_view CellStore::Cell(std::int64_t row, std::int64_t col) const {
    CheckCell(row, col);
    if (!overrides_.empty()) {
        const auto found = overrides_.find(CellKey{row, col});
        if (found != overrides_.end())
            return found->second.text ? std::string_view(*found->second.text) : std::string_view{};
    }
    if (row >= storedRows_) return {};
    const std::size_t k = BlockOf(row);
    return blocks_[k]->Cell(row - blockFirstRow_[k], col);
}

bool CellStore::IsNull(std::int64_t row, std::int64_t col) const {
    CheckCell(row, col);
    if (!overrides_.empty()) {
        const auto found = overrides_.find(CellKey{row, col});
        if (found != overrides_.end()) return !found->second.text;
    }
    if (row >= storedRows_) return false;
    const std::size_t k = BlockOf(row);
    return blocks_[k]->IsNull(row - blockFirstRow_[k], col);
}

core::ValueKind CellStore::Kind(std::int64_t row, std::int64_t col) const {
    CheckCell(row, col);
    if (!overrides_.empty()) {
        const auto found = overrides_.find(CellKey{row, col});
        if (found != overrides_.end()) return found->second.kind;
    }
    if (row >= storedRows_) return core::ValueKind::Text;
    const std::size_t k = BlockOf(row);
    return blocks_[k]->Kind(row - blockFirstRow_[k], col);
}

void CellStore::ReadRow(std::int64_t row, std::int64_t firstCol, std::span<CellValue> out) const {
    if (out.empty()) return;
    CheckCell(row, firstCol);
    CheckCell(row, firstCol + static_cast<std::int64_t>(out.size()) - 1);
    if (row >= storedRows_) {
        std::fill(out.begin(), out.end(), CellValue{});
    } else {
        const std::size_t k = BlockOf(row);
        blocks_[k]->ReadRow(row - blockFirstRow_[k], firstCol, out);
    }
    if (overrides_.empty()) return;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto found = overrides_.find(CellKey{row, firstCol + static_cast<std::int64_t>(i)});
        if (found == overrides_.end()) continue;
        const Override& cell = found->second;
        out[i] = {cell.text ? std::string_view(*cell.text) : std::string_view{}, !cell.text,
                  cell.kind};
    }
}

void CellStore::RowReader::Read(std::int64_t row, std::int64_t firstCol, std::span<CellValue> out) {
    if (row < blockFirst_ || row >= blockEnd_ || out.empty() || !store_.overrides_.empty() ||
        firstCol < 0 || firstCol + static_cast<std::int64_t>(out.size()) > store_.cols_) {
        store_.ReadRow(row, firstCol, out);
        if (row < 0 || row >= store_.storedRows_) return;
        if (row < blockFirst_ || row >= blockEnd_) Enter(row);
    } else {
        block_->ReadRow(row - blockFirst_, firstCol, out);
    }
    if (row >= dropAt_) Pass(row);
}

void CellStore::RowReader::Enter(std::int64_t row) {
    const std::size_t k = store_.BlockOf(row);
    if (block_ && block_ != store_.blocks_[k].get() && block_->Spilled()) block_->DropResident();
    block_ = store_.blocks_[k].get();
    blockFirst_ = store_.blockFirstRow_[k];
    blockEnd_ = store_.BlockEnd(k);
    // A whole block is up to 160 MB; giving back what has been read every few megabytes keeps a
    // walk over a spilled result near its budget. The rows per step come from the block's average
    // row, so the read itself pays one compare per row.
    const std::int64_t rows = blockEnd_ - blockFirst_;
    const std::size_t bytes = std::max<std::size_t>(block_->BytesOfFirst(rows), 1);
    dropEvery_ = std::max<std::int64_t>(
        1, static_cast<std::int64_t>(static_cast<double>(rows) * kDropEveryBytes /
                                     static_cast<double>(bytes)));
    dropFrom_ = 0;
    dropAt_ = row + dropEvery_;
}

void CellStore::RowReader::Pass(std::int64_t row) {
    // A block may be spilled after the walk entered it, so this asks again each time.
    const std::int64_t local = row - blockFirst_;
    if (block_->Spilled()) {
        block_->DropResident(dropFrom_, local);
        dropFrom_ = local;
    }
    dropAt_ = row + dropEvery_;
}

void CellStore::SetCell(std::int64_t row, std::int64_t col, std::string_view text) {
    CheckCell(row, col);
    Thaw();
    SetValue(row, col, text, core::ValueKind::Text);
}

void CellStore::SetValue(std::int64_t row, std::int64_t col, std::optional<std::string_view> value,
                         core::ValueKind kind) {
    const RowValues one{col, {&value, 1}, {&kind, 1}};
    if (row >= storedRows_) {
        if (value && value->empty() && kind == core::ValueKind::Text)
            overrides_.erase(CellKey{row, col});
        else if (CanStoreAt(row))
            StoreTailRow(row, one);
        else
            overrides_[CellKey{row, col}] = Override{OverrideOf(value), kind};
        return;
    }
    if (row == storedRows_ - 1) {
        overrides_.erase(CellKey{row, col});
        RewriteLastStored(one);
        return;
    }
    const std::size_t k = BlockOf(row);
    const std::int64_t local = row - blockFirstRow_[k];
    const CellBlock& block = *blocks_[k];
    const bool stored = (value ? !block.IsNull(local, col) && block.Cell(local, col) == *value
                               : block.IsNull(local, col)) &&
                        block.Kind(local, col) == kind;
    if (stored)
        overrides_.erase(CellKey{row, col});
    else
        overrides_[CellKey{row, col}] = Override{OverrideOf(value), kind};
}

void CellStore::InsertRow(std::int64_t index, const RowValues& row) {
    if (index < 0 || index > rows_) RaiseSubscriptOutOfRange();
    Thaw();
    ShiftOverrides(index, +1);
    ++rows_;
    if (index < storedRows_) {
        InsertStored(index, row);
    } else if (row.Bytes() == 0 && !row.HasNull()) {
        // An empty row in the tail needs no storage at all.
    } else if (CanStoreAt(index)) {
        StoreTailRow(index, row);
    } else {
        for (std::int64_t c = 0; c < cols_; ++c)
            if (const auto value = row.Value(c); !value || !value->empty())
                overrides_[CellKey{index, c}] = Override{OverrideOf(value), row.Kind(c)};
    }
}

void CellStore::RemoveRow(std::int64_t index) {
    if (index < 0 || index >= rows_) RaiseSubscriptOutOfRange();
    Thaw();
    if (index < storedRows_) RemoveStored(index);
    ShiftOverrides(index, -1);
    --rows_;
}

void CellStore::WriteRow(std::int64_t row, const RowValues& values) {
    const auto count = static_cast<std::int64_t>(values.values.size());
    CheckCell(row, values.firstCol);
    if (values.firstCol + count > cols_) RaiseSubscriptOutOfRange();
    Thaw();
    if (row >= storedRows_ && CanStoreAt(row)) {
        StoreTailRow(row, values);
        return;
    }
    if (row == storedRows_ - 1) {
        RewriteLastStored(values);
        EraseOverrides(row, values);
        return;
    }
    for (std::int64_t c = values.firstCol; c < values.firstCol + count; ++c)
        SetValue(row, c, values.Value(c), values.Kind(c));
}

void CellStore::WriteRowAndAppend(std::int64_t row, const RowValues& values) {
    // Filling writes the first row of the empty tail, whole, with nothing overridden: that row
    // goes straight to the end of the last block.
    const bool wholeRow =
        values.firstCol == 0 && static_cast<std::int64_t>(values.values.size()) == cols_;
    Thaw();
    if (row == storedRows_ && row == rows_ - 1 && wholeRow && overrides_.empty()) {
        // Only filling moves blocks out, before it stores anything: a spill that fails leaves
        // the store exactly as it was, which an edit half done could not promise.
        if (spillDue_) {
            SpillOverBudget();
            spillDue_ = false;
        }
        AppendStored(values);
        ++rows_;
        return;
    }
    WriteRow(row, values);
    InsertRow(rows_, RowValues{});
}

void CellStore::Clear() {
    {
        const std::lock_guard lock(blocksMutex_);
        blocks_.clear();
        blockFirstRow_.clear();
    }
    storedRows_ = 0;
    frozen_ = false;
    Publish();
    overrides_.clear();
}

std::size_t CellStore::BytesUsed() const {
    std::size_t total = 0;
    if (frozen_) {
        for (std::size_t k = 0; k < blocks_.size(); ++k)
            total += blocks_[k]->BytesOfFirst(BlockEnd(k) - blockFirstRow_[k]);
    } else {
        for (const auto& block : blocks_) total += block->BytesUsed();
    }
    constexpr std::size_t kNodeOverhead = 64;  // hash node, key and string header, roughly
    for (const auto& entry : overrides_)
        total += kNodeOverhead + (entry.second.text ? entry.second.text->capacity() : 0);
    return total;
}

bool CellStore::CanStoreAt(std::int64_t row) const {
    return row >= storedRows_ && row - storedRows_ <= kMaxTailGap;
}

void CellStore::StoreTailRow(std::int64_t row, const RowValues& values) {
    while (storedRows_ < row) AppendStored(RowValues{});
    AppendStored(values);
    EraseOverrides(row, values);
}

void CellStore::ReleaseSpare() noexcept {
    if (frozen_) return;  // the blocks' spare room may be the filling store's
    for (const auto& block : blocks_) block->ReleaseSpare();
}

std::shared_ptr<CellBlock> CellStore::NewBlock(std::size_t minBytes, int endWidth) const {
    // Row starts are 32-bit offsets into a block's text.
    if (minBytes > std::numeric_limits<std::uint32_t>::max())
        throw tbn::Error(tbn::ErrorCode::OutOfMemory, "Out of memory");
    const bool first = blocks_.empty();
    const std::size_t recordBytes = CellBlock::IndexBytesPerRow(cols_, endWidth);
    const auto fitting =
        static_cast<std::int64_t>((first ? kFirstBlockIndex : kLaterBlockIndex) / recordBytes);
    const auto rowCapacity =
        std::clamp<std::int64_t>(fitting, 64, first ? kFirstBlockRows : INT32_MAX);
    const std::size_t text = std::max(first ? kFirstBlockText : kLaterBlockText, minBytes);
    return std::make_shared<CellBlock>(cols_, endWidth, rowCapacity, text, !first);
}

int CellStore::EndWidthForNewBlock(std::size_t rowBytes) const {
    const int needed = CellBlock::EndWidthFor(rowBytes);
    // The first block begins with the header row, usually the shortest; 2-byte ends there keep
    // the first longer record from ending it at once, and it is small enough for them to cost
    // little. Later blocks expect rows like those of the block before.
    if (blocks_.empty()) return std::max(needed, 2);
    return std::max(needed, CellBlock::EndWidthFor(blocks_.back()->WidestRow()));
}

void CellStore::AppendStored(const RowValues& values) {
    if (blocks_.empty() || !blocks_.back()->TryAppend(values)) {
        if (!blocks_.empty()) {
            blocks_.back()->Seal();
            spillDue_ = true;
        }
        const std::size_t bytes = values.Bytes();
        auto block = NewBlock(bytes, EndWidthForNewBlock(bytes));
        {
            const std::lock_guard lock(blocksMutex_);
            blocks_.push_back(std::move(block));
            blockFirstRow_.push_back(storedRows_);
        }
        // A new block is made for this row, so it fits.
        blocks_.back()->TryAppend(values);
    }
    ++storedRows_;
    Publish();
}

void CellStore::InsertStored(std::int64_t index, const RowValues& values) {
    const std::size_t bytes = values.Bytes();
    const std::size_t k = BlockOf(index);
    CellBlock& block = Own(k);
    const std::int64_t local = index - blockFirstRow_[k];
    if (block.Fits(bytes)) {
        block.InsertRow(local, values);
    } else {
        // Move the rows from the insertion point on into a block of their own, then the new row
        // goes at the end of the first half or, if even that is full, into a block between.
        std::size_t tailBytes = 0;
        for (std::int64_t r = local; r < block.RowCount(); ++r)
            for (std::int64_t c = 0; c < cols_; ++c) tailBytes += block.Cell(r, c).size();
        auto tail = NewBlock(tailBytes, block.EndWidth());
        for (std::int64_t r = local; r < block.RowCount(); ++r) {
            const StoredRow stored = CellsOf(block, r, cols_);
            tail->InsertRow(tail->RowCount(), stored.Values());
        }
        block.Truncate(local);
        blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(k) + 1, std::move(tail));
        if (block.Fits(bytes)) {
            block.InsertRow(local, values);
        } else {
            auto single = NewBlock(bytes, CellBlock::EndWidthFor(bytes));
            single->InsertRow(0, values);
            blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(k) + 1, std::move(single));
        }
    }
    ++storedRows_;
    Publish();
    RecountBlocks();
}

void CellStore::RemoveStored(std::int64_t index) {
    const std::size_t k = BlockOf(index);
    Own(k).RemoveRow(index - blockFirstRow_[k]);
    --storedRows_;
    Publish();
    RecountBlocks();
}

void CellStore::RewriteLastStored(const RowValues& values) {
    // The last stored row's text ends its block, so it can be written again in place of itself.
    const std::int64_t row = storedRows_ - 1;
    const std::size_t k = BlockOf(row);
    const std::int64_t local = row - blockFirstRow_[k];
    const auto written = static_cast<std::int64_t>(values.values.size());
    std::vector<std::optional<std::string>> texts(static_cast<std::size_t>(cols_));
    Kinds kinds(static_cast<std::size_t>(cols_));
    for (std::int64_t c = 0; c < cols_; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const bool isWritten = c >= values.firstCol && c < values.firstCol + written;
        if (isWritten) {
            texts[i] = OverrideOf(values.Value(c));
            kinds[i] = values.Kind(c);
        } else {
            if (!blocks_[k]->IsNull(local, c)) texts[i] = std::string(blocks_[k]->Cell(local, c));
            kinds[i] = blocks_[k]->Kind(local, c);
        }
    }
    RemoveStored(row);
    Cells cells(texts.size());
    for (std::size_t c = 0; c < texts.size(); ++c)
        if (texts[c]) cells[c] = *texts[c];
    AppendStored(RowValues{0, cells, kinds});
}

std::size_t CellStore::BlockOf(std::int64_t row) const {
    const auto after = std::upper_bound(blockFirstRow_.begin(), blockFirstRow_.end(), row);
    return static_cast<std::size_t>(after - blockFirstRow_.begin()) - 1;
}

std::int64_t CellStore::BlockEnd(std::size_t k) const {
    return k + 1 < blocks_.size() ? blockFirstRow_[k + 1] : storedRows_;
}

void CellStore::RecountBlocks() {
    std::erase_if(blocks_, [](const auto& block) { return block->RowCount() == 0; });
    blockFirstRow_.resize(blocks_.size());
    std::int64_t first = 0;
    for (std::size_t k = 0; k < blocks_.size(); ++k) {
        blockFirstRow_[k] = first;
        first += blocks_[k]->RowCount();
        if (k + 1 < blocks_.size()) blocks_[k]->Seal();
    }
}

CellBlock& CellStore::Own(std::size_t k) {
    // A share may read this block, or it is mapped read-only from the spill file: a change goes
    // to a copy, so neither is written.
    if (blocks_[k].use_count() > 1 || blocks_[k]->Spilled()) {
        std::shared_ptr<CellBlock> copy = blocks_[k]->Copy(BlockEnd(k) - blockFirstRow_[k]);
        if (blocks_[k]->Sealed()) copy->Seal();
        const std::lock_guard lock(blocksMutex_);
        blocks_[k] = std::move(copy);
    }
    return *blocks_[k];
}

void CellStore::SpillOverBudget() {
    // Oldest first: a grid shows the first rows of a result most, and a walk reads forwards. The
    // block being filled (not sealed) is never moved.
    for (std::size_t k = 0; k < blocks_.size() && MemoryBudget::InMemory() > MemoryBudget::Limit();
         ++k) {
        CellBlock& block = *blocks_[k];
        if (block.Sealed() && !block.Spilled()) block.SpillTo(spill_);
    }
}

void CellStore::EraseOverrides(std::int64_t row, const RowValues& values) {
    if (overrides_.empty()) return;
    const auto count = static_cast<std::int64_t>(values.values.size());
    for (std::int64_t c = values.firstCol; c < values.firstCol + count; ++c)
        overrides_.erase(CellKey{row, c});
}

void CellStore::ShiftOverrides(std::int64_t fromRow, std::int64_t delta) {
    if (overrides_.empty()) return;
    Overrides shifted;
    for (auto& [key, text] : overrides_) {
        if (key.row < fromRow)
            shifted.emplace(key, std::move(text));
        else if (!(delta < 0 && key.row == fromRow))
            shifted.emplace(CellKey{key.row + delta, key.col}, std::move(text));
    }
    overrides_ = std::move(shifted);
}

}  // namespace tbn::results
