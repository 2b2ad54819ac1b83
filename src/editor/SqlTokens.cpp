#include "editor/SqlTokens.h"

#include "editor/SqlHighlighter.h"
#include "editor/SqlScanner.h"

#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

namespace tbn::editor {

namespace {

TokenKind KindOf(SpanKind kind) {
    switch (kind) {
    case SpanKind::String: return TokenKind::String;
    case SpanKind::QuotedName: return TokenKind::QuotedName;
    default: return TokenKind::Comment;
    }
}

bool IsDelimited(SpanKind kind) {
    return kind == SpanKind::String || kind == SpanKind::QuotedName || kind == SpanKind::Comment;
}

// The name inside a quoted name's delimiters; a doubled closing delimiter stands for one.
void Unquote(QStringView text, SqlToken& token) {
    const QStringView raw = text.mid(token.start, token.end - token.start);
    token.quote = raw.front();
    const QChar close = token.quote == QLatin1Char('[') ? QLatin1Char(']') : token.quote;
    if (!token.open && (raw.size() < 2 || raw.back() != close)) token.open = true;
    QStringView body = raw.mid(1, raw.size() - (token.open ? 1 : 2));
    token.text = body.toString().replace(QString(2, close), QString(close));
}

}  // namespace

QList<SqlToken> TokenizeSql(QStringView text) {
    QList<SqlToken> tokens;
    SqlLineState state;
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0) lineEnd = text.size();
        const QStringView line = text.mid(lineStart, lineEnd - lineStart);
        const SqlScannedLine scanned = ScanSqlLine(line, state);
        const int base = int(lineStart);
        const int n = int(line.size());
        qsizetype span = 0;
        int i = 0;
        while (i < n) {
            while (span < scanned.spans.size() &&
                   (scanned.spans[span].start + scanned.spans[span].length <= i ||
                    (scanned.spans[span].start <= i && !IsDelimited(scanned.spans[span].kind))))
                ++span;
            if (span < scanned.spans.size() && scanned.spans[span].start == i) {
                const SqlSpan& s = scanned.spans[span];
                const int end = base + s.start + s.length;
                // A construct carried over from the line before goes on with the same token.
                if (i == 0 && state.mode != SqlLineState::Code && !tokens.isEmpty())
                    tokens.last().end = end;
                else
                    tokens.append({KindOf(s.kind), base + i, end, {}, false, {}});
                i = s.start + s.length;
                continue;
            }
            const QChar c = line[i];
            if (c.isSpace()) {
                ++i;
            } else if (IsSqlWordChar(c)) {
                int j = i;
                while (j < n && IsSqlWordChar(line[j])) ++j;
                tokens.append({c.isDigit() ? TokenKind::Number : TokenKind::Word,
                               base + i,
                               base + j,
                               line.mid(i, j - i).toString(),
                               false,
                               {}});
                i = j;
            } else {
                tokens.append({TokenKind::Symbol, base + i, base + i + 1, QString(c), false, {}});
                ++i;
            }
        }
        state = scanned.end;
        lineStart = lineEnd + 1;
    }
    if (state.mode != SqlLineState::Code && !tokens.isEmpty()) tokens.last().open = true;
    for (SqlToken& token : tokens)
        if (token.kind == TokenKind::QuotedName) Unquote(text, token);
    return tokens;
}

namespace {

// The positions of the ';' in code on a line scanned from state.
QList<int> Semicolons(QStringView line, const SqlLineState& state, SqlLineState* end = nullptr) {
    QList<int> found;
    if (!line.contains(QLatin1Char(';'))) {
        if (end) *end = ScanSqlLine(line, state).end;
        return found;
    }
    const SqlScannedLine scanned = ScanSqlLine(line, state);
    for (int i = 0; i < line.size(); ++i)
        if (line[i] == QLatin1Char(';') && IsCodeAt(scanned, i)) found.append(i);
    if (end) *end = scanned.end;
    return found;
}

}  // namespace

StatementText StatementAt(QStringView text, int caret) {
    caret = std::clamp(caret, 0, int(text.size()));
    int start = 0;
    int end = int(text.size());
    int startLine = 0;  // lines before the caret's, counted from the statement's start
    SqlLineState state;
    qsizetype lineStart = 0;
    int lineNumber = 0;
    int caretLine = -1;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0) lineEnd = text.size();
        SqlLineState next;
        const QList<int> semicolons =
            Semicolons(text.mid(lineStart, lineEnd - lineStart), state, &next);
        if (caretLine < 0 && caret <= lineEnd) caretLine = lineNumber;
        for (const int at : semicolons) {
            const int position = int(lineStart) + at;
            if (position < caret) {
                start = position + 1;
                startLine = lineNumber;
            } else if (position >= caret) {
                end = position;
                break;
            }
        }
        if (end < int(text.size()) && end >= caret) break;
        if (caretLine >= 0 && lineNumber - caretLine >= kStatementSearchLines) {
            end = int(lineEnd);
            break;
        }
        state = next;
        lineStart = lineEnd + 1;
        ++lineNumber;
    }
    // Keep to the lines near the caret, as the document's reading does.
    if (caretLine - startLine > kStatementSearchLines) {
        qsizetype at = caret;
        for (int lines = 0; lines <= kStatementSearchLines && at > 0; ++lines)
            at = text.lastIndexOf(QLatin1Char('\n'), at - 1);
        start = std::max(start, int(at) + 1);
    }
    return {text.mid(start, end - start).toString(), start};
}

StatementText StatementAt(const QTextDocument& document, int caret) {
    caret = std::clamp(caret, 0, document.characterCount() - 1);
    const QTextBlock caretBlock = document.findBlock(caret);
    int start = 0;
    bool found = false;
    QTextBlock block = caretBlock;
    for (int lines = 0; block.isValid() && !found; ++lines, block = block.previous()) {
        if (lines > kStatementSearchLines) {
            start = block.next().position();
            break;
        }
        const QString text = block.text();
        const int limit = block == caretBlock ? caret - block.position() : int(text.size());
        const QList<int> semicolons =
            Semicolons(QStringView(text).left(limit), SqlHighlighter::StateBefore(block));
        if (!semicolons.isEmpty()) {
            start = block.position() + semicolons.last() + 1;
            found = true;
        }
    }
    int end = document.characterCount() - 1;
    block = caretBlock;
    for (int lines = 0; block.isValid(); ++lines, block = block.next()) {
        const QString text = block.text();
        if (lines > kStatementSearchLines) {
            end = block.position() - 1;
            break;
        }
        const int from = block == caretBlock ? caret - block.position() : 0;
        const QList<int> semicolons = Semicolons(text, SqlHighlighter::StateBefore(block));
        const auto after = std::find_if(semicolons.begin(), semicolons.end(),
                                        [from](int at) { return at >= from; });
        if (after != semicolons.end()) {
            end = block.position() + *after;
            break;
        }
    }
    end = std::max(start, end);
    const QTextBlock first = document.findBlock(start);
    QString text;
    for (QTextBlock b = first; b.isValid() && b.position() <= end; b = b.next()) {
        if (b != first) text += QLatin1Char('\n');
        text += b.text();
    }
    text = text.mid(start - first.position(), end - start);
    return {text, start};
}

}  // namespace tbn::editor
