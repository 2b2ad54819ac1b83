#include "db/CommandText.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"

#include <string>

namespace tbn::db {

std::size_t CharacterPosition(std::string_view text, std::size_t byteOffset) {
    std::size_t characters = 0;
    const std::size_t end = byteOffset < text.size() ? byteOffset : text.size();
    for (std::size_t i = 0; i < end; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++characters;  // UTF-8 continuation bytes
    return characters + 1;
}

std::size_t ByteOffsetOfCharacter(std::string_view text, std::size_t characterPosition) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (++seen == characterPosition) return i;
    }
    return text.size();
}

void RefuseNulCharacter(std::string_view commandText) {
    const std::size_t at = commandText.find('\0');
    if (at == std::string_view::npos) return;
    throw Error(ErrorCode::NulInCommandText,
                "The command text contains a NUL character at position " +
                    std::to_string(CharacterPosition(commandText, at)) + "; nothing was run.");
}

std::size_t StartOfFirstToken(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
        if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ';') {
            ++i;
        } else if (c == '-' && next == '-') {
            i = sql.find('\n', i + 2);
            if (i == std::string_view::npos) return sql.size();
        } else if (c == '/' && next == '*') {
            i = sql.find("*/", i + 2);
            if (i == std::string_view::npos) return sql.size();
            i += 2;
        } else {
            break;
        }
    }
    return i;
}

}  // namespace tbn::db
