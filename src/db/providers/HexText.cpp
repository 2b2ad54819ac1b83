#include "db/providers/HexText.h"

namespace tbn::db {

void AppendHex(std::string& out, const void* bytes, std::size_t size) {
    static constexpr char digits[] = "0123456789ABCDEF";
    const auto* p = static_cast<const unsigned char*>(bytes);
    const std::size_t start = out.size();
    out.resize(start + 2 * size);
    char* dst = out.data() + start;
    for (std::size_t i = 0; i < size; ++i) {
        *dst++ = digits[p[i] >> 4];
        *dst++ = digits[p[i] & 0x0F];
    }
}

void AppendUpperHexDigits(std::string& out, std::string_view digits) {
    const std::size_t start = out.size();
    out.append(digits);
    for (std::size_t i = start; i < out.size(); ++i)
        if (out[i] >= 'a' && out[i] <= 'f') out[i] = static_cast<char>(out[i] - 'a' + 'A');
}

}  // namespace tbn::db
