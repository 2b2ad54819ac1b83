#pragma once
// Writers that turn a result into one of the formats, pushed a row at a time so that the same
// writer serves a grid's rows, a selected block and a run that streams straight into a file.
// Output goes to a ByteSink in chunks; a writer holds at most a bounded buffer of its own.
#include "results/CellValue.h"
#include "results/ResultFormat.h"
#include "results/ResultView.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

namespace tbn::results {

// Where a writer's bytes go. Write may raise tbn::Error (a full disk, say); the writer passes it
// on.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

class ResultWriter {
public:
    virtual ~ResultWriter() = default;
    virtual void Begin(std::span<const std::string_view> names) = 0;  // once, first
    virtual void Row(std::span<const CellValue> values) = 0;          // one per record
    virtual void End() = 0;  // once, last: writes what is buffered and any closing text
};

std::unique_ptr<ResultWriter> MakeResultWriter(ResultFormat format, const FormatOptions& options,
                                               ByteSink& sink);

// Writes the block of the view through the writer: Begin with the block's column names, a Row per
// shown record in the shown order, End. keepGoing is asked now and then with the records written
// so far; false stops the walk before End and WriteView returns false.
bool WriteView(const ResultView& view, const ViewBlock& block, ResultWriter& writer,
               const std::function<bool(std::int64_t recordsDone)>& keepGoing = {});

}  // namespace tbn::results
