#include "results/CellBlock.h"

#include "results/MemoryBudget.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace tbn::results {

namespace {
constexpr std::size_t kStartBytes = sizeof(std::uint32_t);

// Index records are packed, so every field is read and written by copy, which compilers turn
// into plain loads and stores.

template <class Unsigned> std::size_t Load(const std::byte* at) {
    Unsigned value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <class Unsigned> void Store(std::byte* at, std::size_t value) {
    const auto narrowed = static_cast<Unsigned>(value);
    std::memcpy(at, &narrowed, sizeof narrowed);
}

std::size_t LoadUnsigned(const std::byte* at, int width) {
    switch (width) {
    case 1: return Load<std::uint8_t>(at);
    case 2: return Load<std::uint16_t>(at);
    default: return Load<std::uint32_t>(at);
    }
}

void StoreUnsigned(std::byte* at, int width, std::size_t value) {
    switch (width) {
    case 1: Store<std::uint8_t>(at, value); break;
    case 2: Store<std::uint16_t>(at, value); break;
    default: Store<std::uint32_t>(at, value);
    }
}

// Most cells are a few bytes long, and a call into the library's memcpy for each costs more than
// the copy: up to 16 bytes are copied inline, by two loads and stores that overlap in the middle
// and never touch a byte outside either range.
inline void CopyCell(char* to, const char* from, std::size_t bytes) {
    if (bytes >= 8 && bytes <= 16) {
        std::uint64_t head, tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + bytes - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + bytes - 8, &tail, 8);
    } else if (bytes >= 4 && bytes < 8) {
        std::uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + bytes - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + bytes - 4, &tail, 4);
    } else if (bytes < 4) {
        for (std::size_t i = 0; i < bytes; ++i) to[i] = from[i];
    } else {
        std::memcpy(to, from, bytes);
    }
}

std::size_t NullBytes(std::int64_t cols) { return static_cast<std::size_t>(cols + 7) / 8; }
std::size_t KindBytes(std::int64_t cols) { return static_cast<std::size_t>(cols + 3) / 4; }

void MarkNull(std::byte* bits, std::int64_t col) {
    bits[static_cast<std::size_t>(col) / 8] |= std::byte{1} << static_cast<int>(col % 8);
}

// The bits are clear before, so Text (0) needs no write at all.
void MarkKind(std::byte* bits, std::int64_t col, core::ValueKind kind) {
    bits[static_cast<std::size_t>(col) / 4] |= static_cast<std::byte>(kind)
                                               << static_cast<int>(col % 4 * 2);
}

std::size_t PageSize() {
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

std::size_t PageUp(std::size_t bytes) { return (bytes + PageSize() - 1) / PageSize() * PageSize(); }
std::size_t PageDown(std::size_t bytes) { return bytes / PageSize() * PageSize(); }

std::size_t MaxRowBytes(int endWidth) {
    switch (endWidth) {
    case 1: return std::numeric_limits<std::uint8_t>::max();
    case 2: return std::numeric_limits<std::uint16_t>::max();
    default: return std::numeric_limits<std::uint32_t>::max();
    }
}
}  // namespace

std::size_t RowValues::Bytes() const {
    std::size_t total = 0;
    for (const auto& value : values)
        if (value) total += value->size();
    return total;
}

bool RowValues::HasNull() const {
    return std::any_of(values.begin(), values.end(), [](const auto& value) { return !value; });
}

std::string_view RowValues::At(std::int64_t col) const {
    return Value(col).value_or(std::string_view{});
}

core::ValueKind RowValues::Kind(std::int64_t col) const {
    const std::int64_t i = col - firstCol;
    if (i < 0 || i >= static_cast<std::int64_t>(kinds.size())) return core::ValueKind::Text;
    return kinds[static_cast<std::size_t>(i)];
}

std::optional<std::string_view> RowValues::Value(std::int64_t col) const {
    const std::int64_t i = col - firstCol;
    if (i < 0 || i >= static_cast<std::int64_t>(values.size())) return std::string_view{};
    return values[static_cast<std::size_t>(i)];
}

int CellBlock::EndWidthFor(std::size_t rowBytes) {
    return rowBytes <= MaxRowBytes(1) ? 1 : rowBytes <= MaxRowBytes(2) ? 2 : 4;
}

std::size_t CellBlock::IndexBytesPerRow(std::int64_t cols, int endWidth) {
    return kStartBytes + static_cast<std::size_t>(cols) * static_cast<std::size_t>(endWidth) +
           NullBytes(cols) + KindBytes(cols);
}

CellBlock::CellBlock(std::int64_t cols, int endWidth, std::int64_t rowCapacity,
                     std::size_t byteCapacity, bool hugePages)
    : cols_(cols), endWidth_(endWidth),
      nullsAt_(kStartBytes + static_cast<std::size_t>(cols) * static_cast<std::size_t>(endWidth)),
      kindsAt_(nullsAt_ + NullBytes(cols)), stride_(IndexBytesPerRow(cols, endWidth)),
      rowCapacity_(rowCapacity), byteCapacity_(byteCapacity),
      memory_(static_cast<std::size_t>(rowCapacity) * stride_ + byteCapacity, hugePages),
      index_(memory_.data()),
      text_(reinterpret_cast<char*>(memory_.data() +
                                    static_cast<std::size_t>(rowCapacity) * stride_)),
      hugePages_(hugePages) {
    // The small first block of every result is not worth a thread's attention.
    if (hugePages) WarmAhead();
}

void CellBlock::WarmAhead() noexcept {
    // A request is made each kWarmStep the appends advance, so the warmed range ends between
    // kWarmLead - kWarmStep and kWarmLead ahead of them: enough to keep ahead of a fill, little
    // enough that what ReleaseSpare gives back at the end is small.
    constexpr std::size_t kWarmStep = std::size_t{2} << 20;
    constexpr std::size_t kWarmLead = std::size_t{4} << 20;
    const std::size_t indexBytes = static_cast<std::size_t>(rowCapacity_) * stride_;
    while (textWarmed_ < byteCapacity_ && textWarmed_ < textUsed_ + kWarmLead) {
        memory_.WarmAhead(indexBytes + textWarmed_,
                          std::min(kWarmStep, byteCapacity_ - textWarmed_));
        textWarmed_ += kWarmStep;
    }
    textWarmMark_ = textWarmed_ < byteCapacity_ ? textWarmed_ - (kWarmLead - kWarmStep) : SIZE_MAX;
    const std::size_t indexUsed = static_cast<std::size_t>(rows_) * stride_;
    while (indexWarmed_ < indexBytes && indexWarmed_ < indexUsed + kWarmLead) {
        memory_.WarmAhead(indexWarmed_, std::min(kWarmStep, indexBytes - indexWarmed_));
        indexWarmed_ += kWarmStep;
    }
    rowWarmMark_ =
        indexWarmed_ < indexBytes
            ? static_cast<std::int64_t>((indexWarmed_ - (kWarmLead - kWarmStep)) / stride_)
            : INT64_MAX;
}

CellBlock::~CellBlock() { MemoryBudget::Remove(counted_); }

std::unique_ptr<CellBlock> CellBlock::Copy(std::int64_t rows) const {
    auto copy =
        std::make_unique<CellBlock>(cols_, endWidth_, rowCapacity_, byteCapacity_, hugePages_);
    rows = std::clamp<std::int64_t>(rows, 0, rows_);
    const std::size_t text = RowStart(rows);
    // Row starts are offsets into the block's own text, so records and text copy as they are.
    std::memcpy(copy->index_, index_, static_cast<std::size_t>(rows) * stride_);
    if (text > 0) std::memcpy(copy->text_, text_, text);
    copy->rows_ = rows;
    copy->textUsed_ = text;
    copy->widestRow_ = widestRow_;
    return copy;
}

void CellBlock::Seal() {
    sealed_ = true;
    Recount();
}

void CellBlock::Recount() noexcept {
    const std::size_t now = sealed_ && !Spilled() ? BytesUsed() : 0;
    if (now > counted_) MemoryBudget::Add(now - counted_);
    if (now < counted_) MemoryBudget::Remove(counted_ - now);
    counted_ = now;
}

void CellBlock::SpillTo(core::SpillFile& file) {
    if (Spilled() || rows_ == 0) return;
    // Nothing may commit these pages again once the file stands in for them.
    memory_.StopWarming();
    // Whole pages only: the used part of the index, then of the text, which begins mid-page after
    // the index's capacity. A nearly full index makes the two one range.
    const std::size_t indexBytes = static_cast<std::size_t>(rowCapacity_) * stride_;
    PageRange index{0, PageUp(static_cast<std::size_t>(rows_) * stride_)};
    PageRange text{PageDown(indexBytes), std::min(PageUp(indexBytes + textUsed_), memory_.size())};
    if (index.to >= text.from) {
        text.from = 0;
        index = {};
    }
    std::byte* base = memory_.data();
    if (index.to > index.from) {
        file.MoveOut(base + index.from, index.to - index.from);
        spilledIndex_ = index;
        spilledBytes_.store(index.to - index.from, std::memory_order_relaxed);
        Recount();
    }
    file.MoveOut(base + text.from, text.to - text.from);
    spilledText_ = text;
    spilledBytes_.store(SpilledBytes() + text.to - text.from, std::memory_order_relaxed);
    Recount();
    // What the block will never use goes back to the system.
    memory_.Discard(index.to, text.from);
    memory_.Discard(text.to, memory_.size());
}

void CellBlock::DropResident() const noexcept {
    const std::byte* base = memory_.data();
    core::DropResidentPages(base + spilledIndex_.from, spilledIndex_.to - spilledIndex_.from);
    core::DropResidentPages(base + spilledText_.from, spilledText_.to - spilledText_.from);
}

void CellBlock::DropResident(std::int64_t fromRow, std::int64_t toRow) const noexcept {
    if (!Spilled() || fromRow >= toRow) return;
    fromRow = std::max<std::int64_t>(fromRow, 0);
    toRow = std::min(toRow, rows_);
    const auto indexAt = [this](std::int64_t row) {
        return PageDown(static_cast<std::size_t>(row) * stride_);
    };
    const std::size_t indexBytes = static_cast<std::size_t>(rowCapacity_) * stride_;
    const auto textAt = [&](std::int64_t row) { return PageDown(indexBytes + RowStart(row)); };
    // Only whole pages before toRow's start go, so what is read next stays in memory.
    DropSpilled(indexAt(fromRow), indexAt(toRow));
    DropSpilled(textAt(fromRow), textAt(toRow));
}

void CellBlock::DropSpilled(std::size_t from, std::size_t to) const noexcept {
    const std::byte* base = memory_.data();
    for (const PageRange& spilled : {spilledIndex_, spilledText_}) {
        const std::size_t begin = std::max(from, spilled.from);
        const std::size_t end = std::min(to, spilled.to);
        if (end > begin) core::DropResidentPages(base + begin, end - begin);
    }
}

void CellBlock::ReleaseSpare() noexcept {
    const std::size_t indexBytes = static_cast<std::size_t>(rowCapacity_) * stride_;
    memory_.Discard(static_cast<std::size_t>(rows_) * stride_, indexBytes);
    memory_.Discard(indexBytes + textUsed_, memory_.size());
}

std::size_t CellBlock::BytesUsed() const {
    return textUsed_ + static_cast<std::size_t>(rows_) * stride_;
}

std::size_t CellBlock::BytesOfFirst(std::int64_t rows) const {
    if (rows <= 0) return 0;
    const std::byte* last = Record(rows - 1);
    const std::size_t lastEnd = cols_ == 0 ? 0 : EndOf(last, cols_ - 1);
    return Load<std::uint32_t>(last) + lastEnd + static_cast<std::size_t>(rows) * stride_;
}

bool CellBlock::Fits(std::size_t rowBytes) const {
    return rows_ < rowCapacity_ && rowBytes <= byteCapacity_ - textUsed_ &&
           rowBytes <= MaxRowBytes(endWidth_);
}

std::size_t CellBlock::RowStart(std::int64_t row) const {
    return row < rows_ ? Load<std::uint32_t>(Record(row)) : textUsed_;
}

void CellBlock::SetRowStart(std::int64_t row, std::size_t start) {
    Store<std::uint32_t>(Record(row), start);
}

std::size_t CellBlock::EndOf(const std::byte* record, std::int64_t col) const {
    return LoadUnsigned(record + kStartBytes + static_cast<std::size_t>(col * endWidth_),
                        endWidth_);
}

std::string_view CellBlock::Cell(std::int64_t row, std::int64_t col) const {
    const std::byte* record = Record(row);
    const std::size_t begin = col == 0 ? 0 : EndOf(record, col - 1);
    return {text_ + Load<std::uint32_t>(record) + begin, EndOf(record, col) - begin};
}

bool CellBlock::IsNull(std::int64_t row, std::int64_t col) const {
    const std::byte bits = Record(row)[nullsAt_ + static_cast<std::size_t>(col) / 8];
    return std::to_integer<unsigned>(bits >> static_cast<int>(col % 8)) & 1U;
}

core::ValueKind CellBlock::Kind(std::int64_t row, std::int64_t col) const {
    const std::byte bits = Record(row)[kindsAt_ + static_cast<std::size_t>(col) / 4];
    return static_cast<core::ValueKind>(
        std::to_integer<unsigned>(bits >> static_cast<int>(col % 4 * 2)) & 3U);
}

void CellBlock::ReadRow(std::int64_t row, std::int64_t firstCol, std::span<CellValue> out) const {
    switch (endWidth_) {
    case 1: ReadWith<std::uint8_t>(row, firstCol, out); break;
    case 2: ReadWith<std::uint16_t>(row, firstCol, out); break;
    default: ReadWith<std::uint32_t>(row, firstCol, out);
    }
}

// The reading path of an export: the record is found once and its ends read with their width
// known at compile time.
template <class End>
void CellBlock::ReadWith(std::int64_t row, std::int64_t firstCol, std::span<CellValue> out) const {
    const std::byte* record = Record(row);
    const char* text = text_ + Load<std::uint32_t>(record);
    const std::byte* ends = record + kStartBytes;
    const std::byte* nulls = record + nullsAt_;
    const std::byte* kinds = record + kindsAt_;
    std::size_t begin = firstCol == 0 ? 0 : Load<End>(ends + (firstCol - 1) * sizeof(End));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto col = static_cast<std::size_t>(firstCol) + i;
        const std::size_t end = Load<End>(ends + col * sizeof(End));
        out[i].text = std::string_view(text + begin, end - begin);
        out[i].null = (std::to_integer<unsigned>(nulls[col / 8]) >> (col % 8)) & 1U;
        out[i].kind = static_cast<core::ValueKind>(
            (std::to_integer<unsigned>(kinds[col / 4]) >> (col % 4 * 2)) & 3U);
        begin = end;
    }
}

bool CellBlock::TryAppend(const RowValues& row) {
    if (sealed_) {
        // Rare: the block after this one has gone, so rows come here again.
        if (Spilled()) return false;
        const bool stored = endWidth_ == 1   ? AppendWith<std::uint8_t>(row)
                            : endWidth_ == 2 ? AppendWith<std::uint16_t>(row)
                                             : AppendWith<std::uint32_t>(row);
        Recount();
        return stored;
    }
    switch (endWidth_) {
    case 1: return AppendWith<std::uint8_t>(row);
    case 2: return AppendWith<std::uint16_t>(row);
    default: return AppendWith<std::uint32_t>(row);
    }
}

// The filling path: sizes, bounds and copies in one pass with the end width known at compile
// time. A row that turns out not to fit leaves only unused capacity written.
template <class End> bool CellBlock::AppendWith(const RowValues& row) {
    if (rows_ == rowCapacity_) return false;
    std::byte* ends = Record(rows_) + kStartBytes;
    std::byte* nulls = NullBits(Record(rows_));
    std::memset(nulls, 0, NullBytes(cols_) + KindBytes(cols_));
    char* out = text_ + textUsed_;
    const std::size_t room =
        std::min<std::size_t>(byteCapacity_ - textUsed_, std::numeric_limits<End>::max());
    const std::int64_t first = std::clamp<std::int64_t>(row.firstCol, 0, cols_);
    const auto given =
        std::min<std::int64_t>(static_cast<std::int64_t>(row.values.size()), cols_ - first);
    std::size_t used = 0;
    std::int64_t col = 0;
    for (; col < first; ++col) Store<End>(ends + col * sizeof(End), 0);
    for (const auto& value : row.values.first(static_cast<std::size_t>(given))) {
        if (value && !value->empty()) {
            if (value->size() > room - used) return false;
            CopyCell(out + used, value->data(), value->size());
            used += value->size();
        } else if (!value) {
            MarkNull(nulls, col);
        }
        Store<End>(ends + col++ * sizeof(End), used);
    }
    for (; col < cols_; ++col) Store<End>(ends + col * sizeof(End), used);
    const auto kinds = static_cast<std::int64_t>(row.kinds.size());
    for (std::int64_t i = 0; i < std::min(kinds, given); ++i)
        if (row.kinds[static_cast<std::size_t>(i)] != core::ValueKind::Text)
            MarkKind(KindBits(Record(rows_)), first + i, row.kinds[static_cast<std::size_t>(i)]);
    SetRowStart(rows_, textUsed_);
    textUsed_ += used;
    widestRow_ = std::max(widestRow_, used);
    ++rows_;
    if (textUsed_ > textWarmMark_ || rows_ > rowWarmMark_) [[unlikely]]
        WarmAhead();
    return true;
}

void CellBlock::WriteEnds(std::byte* record, const RowValues& row, char* text) const {
    std::size_t end = 0;
    std::byte* nulls = NullBits(record);
    std::memset(nulls, 0, NullBytes(cols_) + KindBytes(cols_));
    for (std::int64_t c = 0; c < cols_; ++c) {
        const std::optional<std::string_view> given = row.Value(c);
        if (!given) MarkNull(nulls, c);
        if (const core::ValueKind kind = row.Kind(c); kind != core::ValueKind::Text)
            MarkKind(KindBits(record), c, kind);
        const std::string_view value = given.value_or(std::string_view{});
        if (!value.empty()) std::memcpy(text + end, value.data(), value.size());
        end += value.size();
        StoreUnsigned(record + kStartBytes + static_cast<std::size_t>(c * endWidth_), endWidth_,
                      end);
    }
}

void CellBlock::InsertRow(std::int64_t at, const RowValues& row) {
    std::size_t rowBytes = 0;
    for (std::int64_t c = 0; c < cols_; ++c) rowBytes += row.At(c).size();
    const std::size_t start = RowStart(at);
    if (at < rows_) {
        // Only a mid-block insert pays for moving the rows that follow; their ends are relative
        // to their own start, so only the starts change.
        std::memmove(text_ + start + rowBytes, text_ + start, textUsed_ - start);
        std::memmove(Record(at + 1), Record(at), static_cast<std::size_t>(rows_ - at) * stride_);
        for (std::int64_t r = at + 1; r <= rows_; ++r)
            SetRowStart(r, Load<std::uint32_t>(Record(r)) + rowBytes);
    }
    WriteEnds(Record(at), row, text_ + start);
    SetRowStart(at, start);
    textUsed_ += rowBytes;
    widestRow_ = std::max(widestRow_, rowBytes);
    ++rows_;
    if (sealed_) Recount();
}

void CellBlock::RemoveRow(std::int64_t at) {
    const std::size_t start = RowStart(at);
    const std::size_t end = RowStart(at + 1);
    const std::size_t rowBytes = end - start;
    std::memmove(text_ + start, text_ + end, textUsed_ - end);
    std::memmove(Record(at), Record(at + 1), static_cast<std::size_t>(rows_ - at - 1) * stride_);
    --rows_;
    for (std::int64_t r = at; r < rows_; ++r) SetRowStart(r, RowStart(r) - rowBytes);
    textUsed_ -= rowBytes;
    if (sealed_) Recount();
}

void CellBlock::Truncate(std::int64_t rows) {
    if (rows >= rows_) return;
    textUsed_ = RowStart(rows);
    rows_ = rows;
    if (sealed_) Recount();
}

}  // namespace tbn::results
