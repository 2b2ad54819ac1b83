#include "core/ShownText.h"

namespace tbn::core {

namespace {
constexpr QChar kEllipsis(0x2026);

bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// A character of UTF-8 takes at most three bytes per UTF-16 unit, so a head of this many bytes,
// cut back to the start of a character, still decodes to more units than can be shown.
std::size_t EnoughBytes(qsizetype maxUnits) { return static_cast<std::size_t>(maxUnits + 2) * 3; }

}  // namespace

QString ShownText(const QString& text, qsizetype maxUnits) {
    if (text.size() <= maxUnits) return text;
    qsizetype cut = maxUnits - 1;
    if (text.at(cut - 1).isHighSurrogate()) --cut;
    return text.left(cut) + kEllipsis;
}

QString ShownText(std::string_view utf8, qsizetype maxUnits) {
    const std::size_t enough = EnoughBytes(maxUnits);
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

QString ShownFirstLine(std::string_view utf8, qsizetype maxUnits) {
    const std::size_t lineEnd = utf8.substr(0, EnoughBytes(maxUnits)).find_first_of("\r\n");
    if (lineEnd == std::string_view::npos) return ShownText(utf8, maxUnits);
    // The line is short enough to decode whole; the grid draws the ellipsis where the next begins.
    const QString line = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(lineEnd));
    return line.size() < maxUnits ? line + kEllipsis : ShownText(line, maxUnits);
}

}  // namespace tbn::core
