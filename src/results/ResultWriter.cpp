#include "results/ResultWriter.h"

#include <string>
#include <vector>

namespace tbn::results {

namespace {

// Tab-separated lines, names first: the one format until the others are written.
class PlainWriter : public ResultWriter {
public:
    explicit PlainWriter(ByteSink& sink) : sink_(sink) {}
    void Begin(std::span<const std::string_view> names) override {
        Line(names.size(), [&](std::size_t i) { return names[i]; });
    }
    void Row(std::span<const CellValue> values) override {
        Line(values.size(), [&](std::size_t i) { return values[i].text; });
    }
    void End() override {}

private:
    template <class Get> void Line(std::size_t count, Get get) {
        std::string line;
        for (std::size_t i = 0; i < count; ++i) {
            if (i) line += '\t';
            line += get(i);
        }
        line += '\n';
        sink_.Write(line);
    }
    ByteSink& sink_;
};

}  // namespace

std::unique_ptr<ResultWriter> MakeResultWriter(ResultFormat, const FormatOptions&, ByteSink& sink) {
    return std::make_unique<PlainWriter>(sink);
}

bool WriteView(const ResultView& view, const ViewBlock& block, ResultWriter& writer,
               const std::function<bool(std::int64_t)>& keepGoing) {
    const CellStore& store = *view.store;
    std::vector<std::string_view> names;
    for (std::int64_t c = block.firstColumn; c < block.endColumn; ++c)
        names.push_back(store.Cell(0, c + 1));
    writer.Begin(names);
    std::vector<CellValue> values(names.size());
    for (std::int64_t r = block.firstRecord; r < block.endRecord; ++r) {
        if (keepGoing && (r - block.firstRecord) % 4096 == 0 && !keepGoing(r - block.firstRecord))
            return false;
        const std::int64_t row = view.StoreRow(r);
        for (std::int64_t c = block.firstColumn; c < block.endColumn; ++c) {
            CellValue& value = values[static_cast<std::size_t>(c - block.firstColumn)];
            value.text = store.Cell(row, c + 1);
            value.null = store.IsNull(row, c + 1);
        }
        writer.Row(values);
    }
    writer.End();
    return true;
}

}  // namespace tbn::results
