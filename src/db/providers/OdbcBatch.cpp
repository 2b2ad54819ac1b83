#include "db/providers/OdbcBatch.h"

#include "db/CommandText.h"

#include <array>

namespace tbn::db::odbc {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The first word after blanks and comments, or "{" for an escape.
std::string_view FirstWord(std::string_view sql) {
    const std::size_t start = StartOfFirstToken(sql);
    std::size_t end = start;
    while (end < sql.size() && IsWordChar(sql[end])) ++end;
    if (end == start && start < sql.size()) ++end;
    return sql.substr(start, end - start);
}

bool SameWord(std::string_view word, std::string_view upper) {
    if (word.size() != upper.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upper[i]) return false;
    }
    return true;
}

}  // namespace

bool MayGiveSeveralResults(std::string_view sql) {
    std::size_t end = sql.size();
    while (end > 0 && (IsBlank(sql[end - 1]) || sql[end - 1] == ';')) --end;
    if (sql.substr(0, end).find(';') != std::string_view::npos) return true;
    const std::string_view first = FirstWord(sql);
    static constexpr std::array<std::string_view, 4> calls = {"CALL", "EXEC", "EXECUTE", "{"};
    for (std::string_view call : calls)
        if (SameWord(first, call)) return true;
    return false;
}

}  // namespace tbn::db::odbc
