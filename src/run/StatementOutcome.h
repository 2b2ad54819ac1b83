#pragma once
// What one statement of a run came to: the line the Messages tab and the history show for it.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace tbn::run {

enum class StatementEnding {
    Rows,       // returned a row set, walked to its end: rows is its record count
    Changed,    // inserted, updated or deleted rows: rows is how many
    Done,       // neither, or the engine did not say
    Failed,     // raised failure; the statements after it did not run
    Cancelled,  // stopped on request while it ran; rows: the records read so far, if a row set
};

struct StatementOutcome {
    std::string firstLine;  // the statement's first line of text with something on it, trimmed
    // Where the statement starts in the run's command text, in bytes, when known.
    std::optional<std::size_t> textOffset;
    StatementEnding ending = StatementEnding::Done;
    std::int64_t rows = 0;
    double seconds = 0;  // its own elapsed time
    std::exception_ptr
        failure;  // Failed: a tbn::Error, placed in the run's text as the box places it
};

}  // namespace tbn::run
