#include "editor/TextSearch.h"

namespace tbn::editor {

QRegularExpression SearchExpression(const QString& pattern, const SearchOptions& options) {
    if (pattern.isEmpty()) return QRegularExpression();
    QString body = options.regularExpression ? pattern : QRegularExpression::escape(pattern);
    // The group keeps an alternation inside the word boundaries.
    if (options.wholeWord) body = QStringLiteral("\\b(?:") + body + QStringLiteral(")\\b");
    QRegularExpression::PatternOptions flags = QRegularExpression::MultilineOption;
    if (!options.matchCase) flags |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(body, flags);
}

QList<Match> FindAll(const QRegularExpression& expression, const QString& text, int from,
                     int limit) {
    QList<Match> found;
    if (expression.pattern().isEmpty() || !expression.isValid()) return found;
    auto it = expression.globalMatch(text, from);
    while (it.hasNext() && (limit < 0 || found.size() < limit)) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength() > 0)
            found.append({static_cast<int>(match.capturedStart()),
                          static_cast<int>(match.capturedLength())});
    }
    return found;
}

std::optional<Match> FindForward(const QRegularExpression& expression, const QString& text,
                                 int from) {
    QList<Match> found = FindAll(expression, text, from, 1);
    if (found.isEmpty() && from > 0) found = FindAll(expression, text, 0, 1);
    if (found.isEmpty()) return std::nullopt;
    return found.first();
}

std::optional<Match> FindBackward(const QRegularExpression& expression, const QString& text,
                                  int to) {
    std::optional<Match> before, last;
    if (expression.pattern().isEmpty() || !expression.isValid()) return std::nullopt;
    auto it = expression.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength() == 0) continue;
        last = Match{static_cast<int>(match.capturedStart()),
                     static_cast<int>(match.capturedLength())};
        if (last->start + last->length <= to) before = last;
    }
    return before ? before : last;
}

QString ReplacementText(const QString& replacement, const QRegularExpressionMatch& match,
                        bool regularExpression) {
    if (!regularExpression) return replacement;
    QString out;
    out.reserve(replacement.size());
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        if (c != QLatin1Char('\\') || i + 1 == replacement.size()) {
            out += c;
            continue;
        }
        const QChar next = replacement.at(i + 1);
        if (next.isDigit()) {
            int group = next.digitValue();
            ++i;
            // Two digits name a group only when the expression has that many.
            if (i + 1 < replacement.size() && replacement.at(i + 1).isDigit()) {
                const int two = group * 10 + replacement.at(i + 1).digitValue();
                if (two <= match.lastCapturedIndex()) {
                    group = two;
                    ++i;
                }
            }
            out += match.captured(group);
        } else if (next == QLatin1Char('\\')) {
            out += next;
            ++i;
        } else if (next == QLatin1Char('n')) {
            out += QLatin1Char('\n');
            ++i;
        } else if (next == QLatin1Char('t')) {
            out += QLatin1Char('\t');
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace tbn::editor
