#pragma once
// Whether an ODBC command text may give more than one result. Only then must a row set be read
// into memory before the next result is asked for (a later one replaces it); a text that surely
// gives one is streamed. ODBC drivers speak many dialects, so the reading is crude and every doubt
// answers "may": that costs memory, never a wrong result.
#include <string_view>

namespace tbn::db::odbc {

// True when a semicolon comes before the text's trailing blanks and semicolons (wherever it is,
// even in a literal or a comment), or when the text is a procedure call (CALL, EXEC, EXECUTE or
// the {call ...} escape), which may return several row sets.
bool MayGiveSeveralResults(std::string_view sql);

}  // namespace tbn::db::odbc
