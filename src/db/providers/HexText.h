#pragma once
// Binary values cross the data layer as text in one form on every route: upper-case hexadecimal,
// two digits a byte, no prefix. A value then reads the same whichever engine or driver gave it, and
// whoever shows it can tell its bytes back from it.
#include <cstddef>
#include <string>
#include <string_view>

namespace tbn::db {

// Appends the bytes as upper-case hexadecimal, two digits each.
void AppendHex(std::string& out, const void* bytes, std::size_t size);

// Appends hexadecimal digits (either case) as upper case; anything else is copied unchanged.
void AppendUpperHexDigits(std::string& out, std::string_view digits);

}  // namespace tbn::db
