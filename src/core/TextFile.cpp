#include "core/TextFile.h"

#include "core/FileOps.h"

#include <QStringDecoder>
#include <array>

namespace tbn::core {

namespace {

constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char kCR = '\r';
constexpr char kLF = '\n';

}  // namespace

QString DecodeWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ =
            (byte >= 0x80 && byte <= 0x9F) ? QChar(kWindows1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString DecodeLine(QByteArrayView line) {
    // A byte-order mark inside the text is kept as a character; only the file's first one is not.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                    QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(line);
    return utf8.hasError() ? DecodeWindows1252(line) : text;
}

QStringList SplitLines(QByteArrayView bytes) {
    static constexpr char kBom[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(QByteArrayView(kBom, 3))) bytes = bytes.sliced(3);

    // Decided line by line rather than per file: the store gets UTF-8 records appended to files
    // that older Windows tools wrote in their code page, and both kinds must read back intact.
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (bytes[i] != kCR) continue;
        lines.append(DecodeLine(bytes.sliced(start, i - start)));
        if (i + 1 < size && bytes[i + 1] == kLF) ++i;
        start = i + 1;
    }
    if (start < size) lines.append(DecodeLine(bytes.sliced(start)));
    return lines;
}

QStringList ReadLines(const QString& path) {
    FileHandle file = OpenForReading(path);
    const QByteArray bytes = file.ReadAll();
    file.Close();
    return SplitLines(bytes);
}

QByteArray EncodeLine(const QString& line) {
    QByteArray bytes = line.toUtf8();
    bytes.append(kCR).append(kLF);
    return bytes;
}

QByteArray EncodeLines(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) bytes.append(EncodeLine(line));
    return bytes;
}

}  // namespace tbn::core
