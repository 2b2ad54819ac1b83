#include "run/StatementScanner.h"

namespace tbn::run {

namespace {
bool IsBlank(QChar c) { return c.isSpace(); }

bool IsIdentifierCharacter(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}
}  // namespace

bool StatementScanner::SkipBlanksAndComments() {
    while (i_ < size_) {
        if (IsBlank(text_[i_])) {
            ++i_;
        } else if (At("--")) {
            while (i_ < size_ && text_[i_] != QLatin1Char('\n') && text_[i_] != QLatin1Char('\r'))
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

QStringView StatementScanner::TakeWord() {
    const int start = i_;
    if (i_ < size_ && (text_[i_].isLetter() || text_[i_] == QLatin1Char('_')))
        while (i_ < size_ && IsIdentifierCharacter(text_[i_])) ++i_;
    return QStringView(text_).mid(start, i_ - start);
}

bool StatementScanner::StepPiece() {
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

bool StatementScanner::At(const char* token) const {
    return QStringView(text_).mid(i_).startsWith(QLatin1String(token));
}

void StatementScanner::SkipQuoted(QChar quote, bool backslashEscapes) {
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

void StatementScanner::SkipDollarQuoted() {
    // $tag$ ... $tag$ with an empty tag or one that does not start with a digit; anything else
    // ($1, a parameter) is an ordinary character.
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

}  // namespace tbn::run
