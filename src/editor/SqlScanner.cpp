#include "editor/SqlScanner.h"

#include "editor/SqlWords.h"

namespace tbn::editor {

namespace {

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }
bool IsTagStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }

SpanKind KindOf(WordStyle style) {
    switch (style) {
    case WordStyle::Keyword: return SpanKind::Keyword;
    case WordStyle::Literal: return SpanKind::Literal;
    case WordStyle::Dangerous: return SpanKind::Dangerous;
    case WordStyle::Function: return SpanKind::Function;
    case WordStyle::Number: return SpanKind::Number;
    case WordStyle::Plain: break;
    }
    return SpanKind::Keyword;  // not reached: plain words get no span
}

// The length of a $tag$ opener at i (0 if there is none). "$1" is a parameter, not a tag.
int DollarTagLength(QStringView line, int i) {
    if (line[i] != QLatin1Char('$')) return 0;
    int j = i + 1;
    if (j < line.size() && IsTagStart(line[j]))
        while (j < line.size() && IsWordChar(line[j])) ++j;
    return j < line.size() && line[j] == QLatin1Char('$') ? j - i + 1 : 0;
}

class LineScanner {
public:
    LineScanner(QStringView line, const SqlLineState& start) : line_(line), state_(start) {}

    SqlScannedLine Run() {
        int i = 0;
        if (state_.mode != SqlLineState::Code) i = Continue(0);
        while (i < line_.size()) i = Code(i);
        return {std::move(spans_), std::move(state_)};
    }

private:
    QStringView line_;
    SqlLineState state_;
    QList<SqlSpan> spans_;

    void Add(int start, int end, SpanKind kind) {
        if (end > start) spans_.append({start, end - start, kind});
    }

    // Finishes the construct the state is in, from `from` (where its body or the line begins);
    // returns where code resumes, or the line's end with the state still open.
    int Continue(int from) {
        const int n = int(line_.size());
        int i = from;
        SpanKind kind = SpanKind::String;
        switch (state_.mode) {
        case SqlLineState::BlockComment: {
            kind = SpanKind::Comment;
            const qsizetype close = line_.indexOf(u"*/", i);
            i = close < 0 ? n : int(close) + 2;
            if (close >= 0) state_ = {};
            break;
        }
        case SqlLineState::DollarBody: {
            const QString closer = QLatin1Char('$') + state_.dollarTag + QLatin1Char('$');
            const qsizetype close = line_.indexOf(closer, i);
            i = close < 0 ? n : int(close + closer.size());
            if (close >= 0) state_ = {};
            break;
        }
        case SqlLineState::String:
        case SqlLineState::DoubleQuoted:
        case SqlLineState::Backticked: {
            const QChar quote = state_.mode == SqlLineState::String         ? QLatin1Char('\'')
                                : state_.mode == SqlLineState::DoubleQuoted ? QLatin1Char('"')
                                                                            : QLatin1Char('`');
            if (state_.mode != SqlLineState::String) kind = SpanKind::QuotedName;
            i = ClosingQuote(i, quote);
            if (i < n) {
                ++i;
                state_ = {};
            }
            break;
        }
        case SqlLineState::Code: break;
        }
        // A construct that began on this line already has its opening span; extend it.
        if (!spans_.isEmpty() && spans_.last().start + spans_.last().length == from &&
            spans_.last().kind == kind)
            spans_.last().length += i - from;
        else
            Add(from, i, kind);
        return i;
    }

    // The index of the quote that closes, skipping doubled ones, or the line's end.
    int ClosingQuote(int i, QChar quote) const {
        const int n = int(line_.size());
        while (i < n) {
            if (line_[i] == quote) {
                if (i + 1 < n && line_[i + 1] == quote) {
                    i += 2;
                    continue;
                }
                return i;
            }
            ++i;
        }
        return n;
    }

    int Open(int at, int bodyFrom, SqlLineState::Mode mode, SpanKind kind) {
        state_.mode = mode;
        Add(at, bodyFrom, kind);
        return Continue(bodyFrom);
    }

    int Code(int i) {
        const int n = int(line_.size());
        const QChar c = line_[i];
        const QChar next = i + 1 < n ? line_[i + 1] : QChar();
        if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            Add(i, n, SpanKind::Comment);
            return n;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*'))
            return Open(i, i + 2, SqlLineState::BlockComment, SpanKind::Comment);
        if (c == QLatin1Char('\'')) return Open(i, i + 1, SqlLineState::String, SpanKind::String);
        if (c == QLatin1Char('"'))
            return Open(i, i + 1, SqlLineState::DoubleQuoted, SpanKind::QuotedName);
        if (c == QLatin1Char('`'))
            return Open(i, i + 1, SqlLineState::Backticked, SpanKind::QuotedName);
        if (c == QLatin1Char('[')) {
            const qsizetype close = line_.indexOf(QLatin1Char(']'), i + 1);
            const int end = close < 0 ? n : int(close) + 1;
            Add(i, end, SpanKind::QuotedName);
            return end;
        }
        if (const int tag = DollarTagLength(line_, i)) {
            state_.dollarTag = line_.mid(i + 1, tag - 2).toString();
            return Open(i, i + tag, SqlLineState::DollarBody, SpanKind::String);
        }
        if (c == QLatin1Char('$') && next.isDigit()) {  // a parameter, $1, is a name
            int j = i + 1;
            while (j < n && line_[j].isDigit()) ++j;
            return j;
        }
        if (c == QLatin1Char('*')) {
            Add(i, i + 1, SpanKind::Literal);
            return i + 1;
        }
        if (c.isDigit() || (c == QLatin1Char('.') && next.isDigit())) return Number(i);
        if (IsWordChar(c)) return Word(i);
        return i + 1;
    }

    int Number(int i) {
        const int n = int(line_.size());
        int j = i;
        while (j < n && line_[j].isDigit()) ++j;
        if (j < n && line_[j] == QLatin1Char('.')) ++j;
        while (j < n && line_[j].isDigit()) ++j;
        if (j < n && (line_[j] == QLatin1Char('e') || line_[j] == QLatin1Char('E'))) {
            int k = j + 1;
            if (k < n && (line_[k] == QLatin1Char('+') || line_[k] == QLatin1Char('-'))) ++k;
            if (k < n && line_[k].isDigit()) {
                j = k;
                while (j < n && line_[j].isDigit()) ++j;
            }
        }
        // Digits running into letters (2nd, 1a) are a name, not a number.
        if (j < n && IsWordChar(line_[j])) return Word(i);
        Add(i, j, SpanKind::Number);
        return j;
    }

    int Word(int i) {
        const int n = int(line_.size());
        int j = i;
        while (j < n && IsWordChar(line_[j])) ++j;
        const WordStyle style = ListedStyleOf(line_.mid(i, j - i).toString());
        if (style != WordStyle::Plain) Add(i, j, KindOf(style));
        return j;
    }
};

}  // namespace

SqlScannedLine ScanSqlLine(QStringView line, const SqlLineState& start) {
    return LineScanner(line, start).Run();
}

bool IsCodeAt(const SqlScannedLine& scanned, int position) {
    for (const SqlSpan& span : scanned.spans) {
        if (span.start > position) break;
        if (position < span.start + span.length)
            return span.kind != SpanKind::String && span.kind != SpanKind::QuotedName &&
                   span.kind != SpanKind::Comment;
    }
    return true;
}

}  // namespace tbn::editor
