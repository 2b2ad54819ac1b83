#include "run/StatementAtCaret.h"

#include <algorithm>
#include <vector>

namespace tbn::run {

namespace {

bool IsBlank(QChar c) { return c.isSpace(); }

bool IsIdentifierCharacter(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Walks the text one lexical piece at a time: what a ";" inside a quote or comment must not end.
class Scanner {
public:
    explicit Scanner(const QString& text) : text_(text), size_(static_cast<int>(text.size())) {}

    int position() const { return i_; }
    bool AtEnd() const { return i_ >= size_; }

    // Skips blanks and comments; true when something else follows.
    bool SkipBlanksAndComments() {
        while (i_ < size_) {
            if (IsBlank(text_[i_])) {
                ++i_;
            } else if (At("--")) {
                while (i_ < size_ && text_[i_] != QLatin1Char('\n') &&
                       text_[i_] != QLatin1Char('\r'))
                    ++i_;
            } else if (At("/*")) {
                const qsizetype close = text_.indexOf(QLatin1String("*/"), i_ + 2);
                i_ = close < 0 ? size_ : static_cast<int>(close) + 2;
            } else {
                return true;
            }
        }
        return false;
    }

    // Steps over a word that starts here (a letter or "_" first) and returns it; empty when none
    // does.
    QStringView TakeWord() {
        const int start = i_;
        if (i_ < size_ && (text_[i_].isLetter() || text_[i_] == QLatin1Char('_')))
            while (i_ < size_ && IsIdentifierCharacter(text_[i_])) ++i_;
        return QStringView(text_).mid(start, i_ - start);
    }

    // Steps over one piece that is not a blank or comment start: a quoted text, a dollar-quoted
    // body, or one character. Returns true when that piece was a ";".
    bool StepPiece() {
        const QChar c = text_[i_];
        const bool wordBefore = i_ > 0 && IsIdentifierCharacter(text_[i_ - 1]);
        if (c == QLatin1Char(';')) {
            ++i_;
            return true;
        }
        if (c == QLatin1Char('\'')) {
            // E'...' takes backslash escapes, so \' does not close it.
            const bool escapes =
                wordBefore &&
                (text_[i_ - 1] == QLatin1Char('E') || text_[i_ - 1] == QLatin1Char('e')) &&
                (i_ < 2 || !IsIdentifierCharacter(text_[i_ - 2]));
            SkipQuoted(QLatin1Char('\''), escapes);
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`')) {
            SkipQuoted(c, false);
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = text_.indexOf(QLatin1Char(']'), i_ + 1);
            i_ = close < 0 ? size_ : static_cast<int>(close) + 1;
        } else if (c == QLatin1Char('$') && !wordBefore) {
            SkipDollarQuoted();
        } else {
            ++i_;
        }
        return false;
    }

private:
    bool At(const char* token) const {
        return QStringView(text_).mid(i_).startsWith(QLatin1String(token));
    }

    void SkipQuoted(QChar quote, bool backslashEscapes) {
        ++i_;
        while (i_ < size_) {
            const QChar c = text_[i_++];
            if (backslashEscapes && c == QLatin1Char('\\')) {
                ++i_;
            } else if (c == quote) {
                if (i_ < size_ && text_[i_] == quote)
                    ++i_;  // a doubled quote stands for one
                else
                    return;
            }
        }
        i_ = size_;
    }

    void SkipDollarQuoted() {
        // $tag$ ... $tag$ with an empty tag or one that does not start with a digit; anything
        // else ($1, a parameter) is an ordinary character.
        int end = i_ + 1;
        if (end < size_ && text_[end].isDigit()) {
            ++i_;
            return;
        }
        while (end < size_ && text_[end] != QLatin1Char('$') && IsIdentifierCharacter(text_[end]))
            ++end;
        if (end >= size_ || text_[end] != QLatin1Char('$')) {
            ++i_;
            return;
        }
        const QString tag = text_.mid(i_, end - i_ + 1);
        const qsizetype close = text_.indexOf(tag, end + 1);
        i_ = close < 0 ? size_ : static_cast<int>(close + tag.size());
    }

    const QString& text_;
    const int size_;
    int i_ = 0;
};

struct Statement {
    TextSpan span;  // empty when only blanks and comments stood there
    int reach = 0;  // just past its ";", or the text's end
};

std::vector<Statement> Statements(const QString& text) {
    std::vector<Statement> statements;
    Scanner scanner(text);
    while (!scanner.AtEnd()) {
        Statement statement;
        int lastEnd = -1;  // end of the last piece that was neither blank, comment nor the ";"
        bool ended = false;
        while (!ended && scanner.SkipBlanksAndComments()) {
            const int pieceStart = scanner.position();
            if (lastEnd < 0) statement.span.start = pieceStart;
            ended = scanner.StepPiece();
            if (!ended) lastEnd = scanner.position();
        }
        if (lastEnd >= 0) statement.span.length = lastEnd - statement.span.start;
        statement.reach = scanner.position();
        statements.push_back(statement);
    }
    return statements;
}

}  // namespace

bool MayChangeSchema(const QString& text) {
    static const char* const kChangingWords[] = {"create", "alter", "drop", "attach", "detach"};
    Scanner scanner(text);
    while (scanner.SkipBlanksAndComments()) {
        const QStringView word = scanner.TakeWord();
        if (word.isEmpty()) {
            scanner.StepPiece();
            continue;
        }
        for (const char* changing : kChangingWords)
            if (word.compare(QLatin1String(changing), Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

std::vector<int> StatementStarts(const QString& text) {
    std::vector<int> starts;
    for (const Statement& statement : Statements(text))
        if (statement.span.length > 0) starts.push_back(statement.span.start);
    return starts;
}

TextSpan StatementAt(const QString& text, int caret) {
    const std::vector<Statement> statements = Statements(text);
    if (statements.empty()) return {};
    const int size = static_cast<int>(statements.size());
    int at = size - 1;
    for (int k = 0; k < size; ++k) {
        if (caret <= statements[k].reach) {
            at = k;
            break;
        }
    }
    for (int k = at; k >= 0; --k)
        if (statements[k].span.length > 0) return statements[k].span;
    for (int k = at + 1; k < size; ++k)
        if (statements[k].span.length > 0) return statements[k].span;
    return {};
}

}  // namespace tbn::run
