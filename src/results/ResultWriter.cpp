#include "results/ResultWriter.h"

#include "results/FormatWriters.h"

#include <string>
#include <vector>

namespace tbn::results {

std::unique_ptr<ResultWriter> MakeResultWriter(ResultFormat format, const FormatOptions& options,
                                               ByteSink& sink) {
    switch (format) {
    case ResultFormat::Csv: return MakeCsvWriter(sink);
    case ResultFormat::Tsv: return MakeTsvWriter(sink);
    case ResultFormat::Json: return MakeJsonWriter(sink);
    case ResultFormat::SqlInsert: return MakeSqlInsertWriter(options, sink);
    case ResultFormat::Markdown: return MakeMarkdownWriter(sink);
    case ResultFormat::Html: return MakeHtmlWriter(sink);
    }
    return MakeTsvWriter(sink);
}

bool WriteView(const ResultView& view, const ViewBlock& block, ResultWriter& writer,
               const std::function<bool(std::int64_t)>& keepGoing) {
    const CellStore& store = *view.store;
    std::vector<std::string_view> names;
    for (std::int64_t c = block.firstColumn; c < block.endColumn; ++c)
        names.push_back(store.Cell(0, c + 1));
    writer.Begin(names);
    std::vector<CellValue> values(names.size());
    CellStore::RowReader reader(store);
    for (std::int64_t r = block.firstRecord; r < block.endRecord; ++r) {
        if (keepGoing && (r - block.firstRecord) % 4096 == 0 && !keepGoing(r - block.firstRecord))
            return false;
        reader.Read(view.StoreRow(r), block.firstColumn + 1, values);
        writer.Row(values);
    }
    writer.End();
    return true;
}

}  // namespace tbn::results
