#include "editor/SqlColorizer.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace tbn::editor {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QChar kDot = QLatin1Char('.');

QString EscapeRtf(const QString& word) {
    QString out;
    out.reserve(word.size() + 4);
    for (QChar c : word) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

// The trailing space of each opening and closing group is the control word's delimiter, not text.
QString StyledWord(WordStyle style, const QString& escaped) {
    switch (style) {
    case WordStyle::Keyword:
        return QStringLiteral("\\cf1\\b ") + escaped + QStringLiteral("\\cf0\\b0 ");
    case WordStyle::Literal: return QStringLiteral("\\cf3 ") + escaped + QStringLiteral("\\cf0 ");
    case WordStyle::Dangerous:
        return QStringLiteral("\\cf2\\b ") + escaped + QStringLiteral("\\cf0\\b0 ");
    case WordStyle::Function:
        return QStringLiteral("\\cf4\\b ") + escaped + QStringLiteral("\\cf0\\b0 ");
    case WordStyle::Number: return QStringLiteral("\\cf5 ") + escaped + QStringLiteral("\\cf0 ");
    case WordStyle::Plain: break;
    }
    return escaped;
}

// Leading spaces vanish because no separator is written while the line's text is still empty;
// runs of spaces between words survive one for one as empty words.
QString ColorizeLine(const QString& line, const WordClassifier& styleOf) {
    QString out;
    const QStringList words = line.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    for (const QString& word : words) {
        if (!out.isEmpty()) out += QLatin1Char(' ');
        if (word.isEmpty()) continue;
        out += StyledWord(styleOf(word), EscapeRtf(word));
    }
    return out;
}

}  // namespace

void AddDottedWord(QString& list, const QString& word) { list += kDot + word + kDot; }

bool DottedListContains(const QString& list, const QString& word) {
    if (word.isEmpty() || word.contains(kDot)) return false;
    return list.contains(kDot + word.toLower() + kDot, Qt::CaseSensitive);
}

bool IsNumericWord(const QString& word) {
    bool ok = false;
    double value = QLocale().toDouble(word, &ok);
    if (!ok) {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        value = c.toDouble(word, &ok);
    }
    return ok && std::isfinite(value);
}

QString ColorizeSql(const QString& text, const WordClassifier& styleOf) {
    QString out;
    out += QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{"
                          "\\f0\\fnil\\fcharset0 Courier New;}}") +
           kCrLf;
    out +=
        QStringLiteral("{\\colortbl "
                       ";\\red0\\green0\\blue255;\\red255\\green0\\blue0;\\red255\\green0\\blue255;"
                       "\\red0\\green100\\blue100;\\red0\\green100\\blue0;}") +
        kCrLf;
    out += QStringLiteral("\\viewkind4\\uc1\\pard\\f0\\fs19 ") + kCrLf;

    // Empty lines before the first text add nothing; later ones each add a paragraph mark.
    QString body;
    if (!text.isEmpty()) {
        const QStringList lines = text.split(kCrLf, Qt::KeepEmptyParts);
        for (const QString& line : lines) {
            if (!body.isEmpty()) body += QStringLiteral("\\par ");
            if (line.isEmpty()) continue;
            body += ColorizeLine(line, styleOf);
        }
    }
    out += body + kCrLf;
    out += QStringLiteral("\\par }") + kCrLf;
    return out;
}

}  // namespace tbn::editor
