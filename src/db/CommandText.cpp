#include "db/CommandText.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"

#include <string>

namespace tbn::db {

std::size_t CharacterPosition(std::string_view text, std::size_t byteOffset) {
    std::size_t characters = 0;
    const std::size_t end = byteOffset < text.size() ? byteOffset : text.size();
    for (std::size_t i = 0; i < end; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++characters;  // UTF-8 continuation bytes
    return characters + 1;
}

void RefuseNulCharacter(std::string_view commandText) {
    const std::size_t at = commandText.find('\0');
    if (at == std::string_view::npos) return;
    throw Error(ErrorCode::NulInCommandText, "The command text contains a NUL character at position " +
                                                 std::to_string(CharacterPosition(commandText, at)) +
                                                 "; nothing was run.");
}

} // namespace tbn::db
