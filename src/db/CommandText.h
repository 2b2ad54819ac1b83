#pragma once
// Checks made on a command text before any engine sees it.
#include <cstddef>
#include <string_view>

namespace tbn::db {

// The 1-based position, in characters (a CR LF line break counts two), of the character that
// starts at byteOffset of the UTF-8 text, so a reported position can be found in the query pane.
std::size_t CharacterPosition(std::string_view text, std::size_t byteOffset);

// The byte offset of the character at the 1-based position (counted as CharacterPosition counts)
// of the UTF-8 text; the end of the text when the position lies past it.
std::size_t ByteOffsetOfCharacter(std::string_view text, std::size_t characterPosition);

// Raises NulInCommandText when the text holds a NUL. Client libraries and drivers that take
// NUL-terminated text run only what comes before it ("delete from t\0 where ..." deletes every
// row), so such a text is refused whole.
void RefuseNulCharacter(std::string_view commandText);

// Where the first token of the text starts, past blanks, semicolons and -- and /* */ comments (an
// unterminated comment runs to the end); sql.size() when nothing else is there.
std::size_t StartOfFirstToken(std::string_view sql);

}  // namespace tbn::db
