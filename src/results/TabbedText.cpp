#include "results/TabbedText.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tbn::results {

namespace {
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

std::int64_t GridStoreRow(const ResultView& view, std::int64_t row) {
    // The order covers the records it was made for; the header and the rows after them stay put.
    if (view.order && row >= 1 && row <= static_cast<std::int64_t>(view.order->size()))
        return (*view.order)[static_cast<std::size_t>(row - 1)];
    return row;
}
}  // namespace

std::size_t EstimateTabbedBytes(const CellStore& store, const GridRect& rect) {
    const std::int64_t rows =
        std::max<std::int64_t>(0, rect.lastRow - rect.firstRow + 1) + (rect.withHeaders ? 1 : 0);
    const std::int64_t cols = std::max<std::int64_t>(0, rect.lastCol - rect.firstCol + 1);
    if (rows == 0 || cols == 0 || store.Rows() == 0 || store.Cols() == 0) return 0;
    // A stored row's index record costs about what its tabs and line end do, so the store's bytes
    // per cell stand for the text and separators of a copied cell.
    const double perCell = static_cast<double>(store.BytesUsed()) /
                           (static_cast<double>(store.Rows()) * static_cast<double>(store.Cols()));
    const double separators = static_cast<double>(rows) * static_cast<double>(cols + 2);
    return static_cast<std::size_t>(
        std::max(separators, perCell * static_cast<double>(rows) * static_cast<double>(cols)));
}

void WriteTabbed(const ResultView& view, const GridRect& rect, ByteSink& sink) {
    const CellStore& store = *view.store;
    const std::int64_t cols = std::max<std::int64_t>(0, rect.lastCol - rect.firstCol + 1);
    std::vector<CellValue> cells(static_cast<std::size_t>(cols));
    CellStore::RowReader reader(store);
    std::string chunk;
    chunk.reserve(kChunkBytes + 4096);
    auto line = [&](std::int64_t row) {
        reader.Read(GridStoreRow(view, row), rect.firstCol, cells);
        for (const CellValue& cell : cells) {
            chunk += cell.text;
            chunk += '\t';
        }
        chunk += "\r\n";
        if (chunk.size() >= kChunkBytes) {
            sink.Write(chunk);
            chunk.clear();
        }
    };
    if (rect.withHeaders) line(0);
    for (std::int64_t row = rect.firstRow; row <= rect.lastRow; ++row) line(row);
    if (!chunk.empty()) sink.Write(chunk);
}

}  // namespace tbn::results
