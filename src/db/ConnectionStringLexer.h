#pragma once
// The one reader of connection-string syntax, shared by ConnectionString::Parse (which raises on
// the first fault) and ConnectionString::Redacted (which must still hide passwords in a string it
// cannot fully read). Positions are byte offsets into the text.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tbn::db::detail {

struct LexedPair {
    std::string_view Key;        // trimmed, as written
    std::size_t ValueBegin = 0;  // the value as written, quotes or braces included
    std::size_t ValueEnd = 0;
    std::string Value;  // unquoted
};

struct LexFailure {
    std::size_t RedactFrom = 0;  // nothing from here on can be shown safely
    std::string Message;         // names keys and positions, never a value
};

struct LexResult {
    std::vector<LexedPair> Pairs;  // every pair read before the failure, if any
    std::optional<LexFailure> Failure;
};

LexResult Lex(std::string_view text);

bool SameKey(std::string_view a, std::string_view b);  // ASCII case-insensitive
// A key whose name holds "pwd" or "password", in any letter case.
bool IsPasswordKey(std::string_view key);

// Replaces with "***" the value after every "key=" in free text whose key is a password key: a
// value in quotes or braces whole, any other up to the next ';', blank or line break. For text
// that is not read as key=value pairs, or only partly (a library's message, an option value that
// holds settings of its own such as "sslmode=require password=x").
void HidePasswordValues(std::string& text);

}  // namespace tbn::db::detail
