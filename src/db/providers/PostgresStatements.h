#pragma once
// Reading just enough of PostgreSQL's SQL to tell whether a command text holds more than one
// statement. The answer decides whether a row set may be streamed (the text's only statement) or
// must be read into memory (a later statement might still replace it), so every doubt answers
// "several": that costs memory, never a wrong result.
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace tbn::db::pg {

// Where each statement of the text lies: from its first token to just past its semicolon (or the
// end of the text). The server gives each statement one result, in this order. nullopt when the
// reading is in doubt: a function body written BEGIN ATOMIC ... END holds semicolons of its own.
struct StatementSpan {
    std::size_t begin;
    std::size_t end;
};
std::optional<std::vector<StatementSpan>> StatementSpans(std::string_view sql);

// True when a semicolon outside quotes, dollar quotes and comments is followed by anything but
// blanks, semicolons and comments.
bool HasSeveralStatements(std::string_view sql);

}  // namespace tbn::db::pg
