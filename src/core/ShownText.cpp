#include "core/ShownText.h"

namespace tbn::platform {

namespace {
constexpr QChar kEllipsis(0x2026);

bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }
} // namespace

QString ShownText(const QString& text, qsizetype maxUnits) {
    if (text.size() <= maxUnits) return text;
    qsizetype cut = maxUnits - 1;
    if (text.at(cut - 1).isHighSurrogate()) --cut;
    return text.left(cut) + kEllipsis;
}

QString ShownText(std::string_view utf8, qsizetype maxUnits) {
    // A character of UTF-8 takes at most three bytes per UTF-16 unit, so this head, cut back to
    // the start of a character, still decodes to more units than can be shown.
    const auto enough = static_cast<std::size_t>(maxUnits + 2) * 3;
    std::size_t head = utf8.size();
    if (head > enough) {
        head = enough;
        // A valid character has at most three continuation bytes; invalid bytes show as they are.
        for (int back = 0; back < 3 && IsUtf8Continuation(utf8[head]); ++back) --head;
    }
    QString decoded = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(head));
    // Only malformed bytes decode this short; the ellipsis must still say that more follows.
    if (head < utf8.size() && decoded.size() <= maxUnits) decoded += kEllipsis;
    return ShownText(decoded, maxUnits);
}

} // namespace tbn::platform
