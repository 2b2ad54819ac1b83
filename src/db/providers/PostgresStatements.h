#pragma once
// Reading just enough of PostgreSQL's SQL to tell whether a command text holds more than one
// statement. The answer decides whether a row set may be streamed (the text's only statement) or
// must be read into memory (a later statement might still replace it), so every doubt answers
// "several": that costs memory, never a wrong result.
#include <string_view>

namespace tbn::db::pg {

// True when a semicolon outside quotes, dollar quotes and comments is followed by anything but
// blanks, semicolons and comments.
bool HasSeveralStatements(std::string_view sql);

}  // namespace tbn::db::pg
