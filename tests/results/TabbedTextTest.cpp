// The grid copy's text written in chunks: a consumer that decodes each chunk alone must see the
// same characters as one that decodes the whole, and the size asked about must be near the truth.
#include "results/TabbedText.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using tbn::results::CellStore;
using tbn::results::GridRect;

namespace {

struct ChunkSink : tbn::results::ByteSink {
    void Write(std::string_view bytes) override { chunks.emplace_back(bytes); }
    std::vector<std::string> chunks;
};

}  // namespace

TEST(TabbedText, ChunksEndAtRowEndsFollowTheOrderAndTheEstimateIsNearTheSize) {
    // Laid out as a grid holds a result: names in row 0, record numbers in column 0, one empty
    // row after the records. Multi-byte text makes a chunk cut inside a character visible.
    constexpr std::int64_t kRecords = 60000;
    auto store = std::make_shared<CellStore>(1, 3);
    const std::vector<std::optional<std::string_view>> names{"", "name", "note"};
    store->WriteRowAndAppend(0, {0, names});
    for (std::int64_t r = 1; r <= kRecords; ++r) {
        const std::string number = std::to_string(r);
        const std::string note = "Grüße " + std::string(static_cast<std::size_t>(r % 7), 'x');
        const std::vector<std::optional<std::string_view>> row{number, "日本語", note};
        store->WriteRowAndAppend(r, {0, row});
    }
    auto order = std::make_shared<std::vector<std::int64_t>>();
    for (std::int64_t r = kRecords; r >= 1; --r) order->push_back(r);
    const tbn::results::ResultView view{store, order, 0};

    for (const GridRect& rect : {GridRect{1, kRecords + 1, 0, 2, true}, GridRect{5, 9, 2, 2}}) {
        ChunkSink sink;
        tbn::results::WriteTabbed(view, rect, sink);
        std::string whole;
        std::string expected;
        auto line = [&](std::int64_t gridRow) {
            const std::int64_t storeRow = gridRow >= 1 && gridRow <= kRecords
                                              ? (*order)[static_cast<std::size_t>(gridRow - 1)]
                                              : gridRow;
            for (std::int64_t c = rect.firstCol; c <= rect.lastCol; ++c)
                expected += std::string(store->Cell(storeRow, c)) + '\t';
            expected += "\r\n";
        };
        if (rect.withHeaders) line(0);
        for (std::int64_t r = rect.firstRow; r <= rect.lastRow; ++r) line(r);
        for (const std::string& chunk : sink.chunks) {
            EXPECT_TRUE(chunk.ends_with("\r\n"));
            whole += chunk;
        }
        EXPECT_EQ(whole, expected);
        const double estimate =
            static_cast<double>(tbn::results::EstimateTabbedBytes(*store, rect));
        EXPECT_GT(estimate, 0.5 * static_cast<double>(whole.size()));
        EXPECT_LT(estimate, 2.0 * static_cast<double>(whole.size()));
        if (rect.withHeaders) {
            EXPECT_GT(sink.chunks.size(), 1u);  // the whole is several chunks
        }
    }
}
