#include "query/ErrorPlace.h"

#include <QByteArray>
#include <QRegularExpression>
#include <algorithm>

namespace tbn::query {

namespace {

bool IsWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

QChar ClosingQuote(QChar open) {
    switch (open.unicode()) {
    case '\'': return QLatin1Char('\'');
    case '"': return QLatin1Char('"');
    case '`': return QLatin1Char('`');
    case '[': return QLatin1Char(']');
    default: return QChar();
    }
}

}  // namespace

int CommandPosition(const QString& commandText, std::size_t byteOffset) {
    const QByteArray utf8 = commandText.toUtf8();
    const qsizetype bytes = static_cast<qsizetype>(
        std::min<std::size_t>(byteOffset, static_cast<std::size_t>(utf8.size())));
    return static_cast<int>(QString::fromUtf8(utf8.constData(), bytes).size());
}

LineColumn LineAndColumnAt(const QString& text, int position) {
    LineColumn place;
    int lineStart = 0;
    const int end = std::clamp(position, 0, static_cast<int>(text.size()));
    for (int i = 0; i < end; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            continue;
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            ++place.line;
            lineStart = i + 1;
        }
    }
    place.column = end - lineStart + 1;
    return place;
}

QString PlaceSuffix(const LineColumn& place) {
    return QStringLiteral(" (line %1, column %2)").arg(place.line).arg(place.column);
}

std::string DescriptionWithPlace(const std::string& description, const LineColumn& place) {
    std::string placed = description;
    placed.insert(std::min(placed.find('\n'), placed.size()), PlaceSuffix(place).toStdString());
    return placed;
}

QString MissingObjectName(const QString& description) {
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("no such [a-z ]+: (.+)$")),
        QRegularExpression(QStringLiteral("\"([^\"]+)\" does not exist")),
        QRegularExpression(QStringLiteral("'([^']+)' doesn't exist")),
    };
    const QString firstLine = description.section(QLatin1Char('\n'), 0, 0);
    for (const QRegularExpression& pattern : patterns) {
        const QRegularExpressionMatch match = pattern.match(firstLine);
        if (match.hasMatch()) return match.captured(1).section(QLatin1Char('.'), -1);
    }
    return {};
}

std::optional<int> WholeWordAt(const QString& text, int from, int to, const QString& name) {
    if (name.isEmpty()) return std::nullopt;
    to = std::min(to, static_cast<int>(text.size()));
    for (int at = std::max(from, 0); at + name.size() <= to; ++at) {
        at = static_cast<int>(text.indexOf(name, at, Qt::CaseInsensitive));
        if (at < 0 || at + name.size() > to) break;
        const int after = at + static_cast<int>(name.size());
        if ((at > 0 && IsWordCharacter(text[at - 1])) ||
            (after < text.size() && IsWordCharacter(text[after])))
            continue;
        const bool quoted = at > 0 && !ClosingQuote(text[at - 1]).isNull() && after < text.size() &&
                            text[after] == ClosingQuote(text[at - 1]);
        return quoted ? at - 1 : at;
    }
    return std::nullopt;
}

int TokenLengthAt(const QString& text, int position) {
    const int size = static_cast<int>(text.size());
    if (position < 0 || position >= size) return 0;
    const QChar first = text[position];
    if (first == QLatin1Char('\r') || first == QLatin1Char('\n')) return 0;
    int end = position + 1;
    if (IsWordCharacter(first)) {
        while (end < size && IsWordCharacter(text[end])) ++end;
    } else if (const QChar close = ClosingQuote(first); !close.isNull()) {
        // A quoted name or string ends at its closing quote, or at the line's end when it has none.
        while (end < size && text[end] != close && text[end] != QLatin1Char('\r') &&
               text[end] != QLatin1Char('\n'))
            ++end;
        if (end < size && text[end] == close) ++end;
    }
    return end - position;
}

std::optional<int> FailurePosition(const tbn::Error& error, const QString& commandText) {
    if (error.CommandOffset()) return CommandPosition(commandText, *error.CommandOffset());
    // The engine said what is missing but not where: the statement that failed names it.
    if (const auto& statement = error.FailedStatement())
        return WholeWordAt(commandText, CommandPosition(commandText, statement->begin),
                           CommandPosition(commandText, statement->end),
                           MissingObjectName(QString::fromStdString(error.Description())));
    return std::nullopt;
}

}  // namespace tbn::query
