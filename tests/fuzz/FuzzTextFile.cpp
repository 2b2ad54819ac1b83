// Store and query files may come from any tool. Splitting and decoding must take every byte
// sequence, and what was read must be written back and read again unchanged.
#include "FuzzCheck.h"
#include "core/TextFile.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

using namespace tbn::core;

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kBom = 0xFEFF;

// The lines the rule promises: one per CR LF or lone CR, plus an unended last one.
qsizetype ExpectedLineCount(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
    qsizetype count = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') continue;
        ++count;
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return count + (start < bytes.size() ? 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // Decoding is never lossy: invalid UTF-8 falls back to one character per byte, so a
    // replacement character can only be one that the bytes spelled out.
    const QString decoded = DecodeLine(bytes);
    if (decoded.contains(QChar(kReplacement))) FUZZ_CHECK(bytes.indexOf("\xEF\xBF\xBD") >= 0);
    FUZZ_CHECK(decoded.toUtf8() == bytes || decoded.size() == bytes.size());
    FUZZ_CHECK(DecodeWindows1252(bytes).size() == bytes.size());

    const QStringList lines = SplitLines(bytes);
    FUZZ_CHECK(lines.size() == ExpectedLineCount(bytes));
    for (const QString& line : lines) FUZZ_CHECK(!line.contains(QChar(u'\r')));

    // A first line that itself starts with a zero-width no-break space is indistinguishable from a
    // byte-order mark once written; every other text survives the round trip.
    if (!lines.isEmpty() && lines.front().startsWith(QChar(kBom))) return 0;
    FUZZ_CHECK(SplitLines(EncodeLines(lines)) == lines);
    return 0;
}
