// Colorize turns any text into an RTF document. Whatever the text, the document must be
// well-formed (braces balance, every backslash starts a control word or escapes \ { }) and its
// body must show the text itself: nothing lost, nothing injected.
#include "FuzzCheck.h"
#include "editor/tbnSqlEditor.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Walks the document as an RTF reader would: control words (letters, an optional signed number
// and one delimiting space are consumed), escaped symbols, groups. Returns the visible text of
// the body (after the three header lines), with each \par as a line break.
QString ReadDocument(const QString& rtf) {
    const QString header = QStringLiteral("\\viewkind4\\uc1\\pard\\f0\\fs19 \r\n");
    const qsizetype bodyStart = rtf.indexOf(header);
    FUZZ_CHECK(bodyStart > 0);
    const QString tail = QStringLiteral("\r\n\\par }\r\n");
    FUZZ_CHECK(rtf.endsWith(tail));
    const qsizetype bodyBegin = bodyStart + header.size();
    const qsizetype bodyEnd = rtf.size() - tail.size();

    QString visible;
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size();) {
        const QChar c = rtf[i];
        const bool inBody = i >= bodyBegin && i < bodyEnd;
        if (c == u'{') {
            FUZZ_CHECK(!inBody);
            ++depth;
            ++i;
        } else if (c == u'}') {
            FUZZ_CHECK(!inBody);
            FUZZ_CHECK(--depth >= 0);
            ++i;
            if (depth == 0) {
                FUZZ_CHECK(rtf.mid(i) == QStringLiteral("\r\n"));
                break;
            }
        } else if (c == u'\\') {
            FUZZ_CHECK(i + 1 < rtf.size());
            const QChar next = rtf[i + 1];
            if (next == u'\\' || next == u'{' || next == u'}') {
                if (inBody) visible += next;
                i += 2;
                continue;
            }
            FUZZ_CHECK(IsAsciiLetter(next));
            qsizetype j = i + 1;
            while (j < rtf.size() && IsAsciiLetter(rtf[j])) ++j;
            const QString word = rtf.mid(i + 1, j - i - 1);
            if (j < rtf.size() && rtf[j] == u'-') ++j;
            while (j < rtf.size() && IsAsciiDigit(rtf[j])) ++j;
            if (j < rtf.size() && rtf[j] == u' ') ++j;
            if (inBody && word == QStringLiteral("par")) visible += u'\n';
            i = j;
        } else {
            FUZZ_CHECK(depth > 0);
            if (inBody) visible += c;
            ++i;
        }
    }
    FUZZ_CHECK(depth == 0);
    return visible;
}

// What the body is meant to show: lines split at CR LF only, leading spaces of each line dropped,
// and nothing (not even a paragraph mark) before the first line that shows something.
QString ExpectedText(const QString& text) {
    if (text.isEmpty()) return {};
    QString shown;
    bool started = false;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (started) shown += u'\n';
        qsizetype first = 0;
        while (first < line.size() && line[first] == u' ') ++first;
        shown += line.mid(first);
        if (first < line.size()) started = true;
    }
    return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const tbnSqlEditor editor;
    // Odd-sized inputs as UTF-8, even-sized ones as raw UTF-16 so that lone surrogates and every
    // other code unit reach the colouring as well.
    QString text;
    if (size % 2) {
        text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    } else {
        text.resize(static_cast<qsizetype>(size / 2));
        std::memcpy(text.data(), data, size);
    }
    const QString rtf = editor.Colorize(text);
    FUZZ_CHECK(ReadDocument(rtf) == ExpectedText(text));
    return 0;
}
