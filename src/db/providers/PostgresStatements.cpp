#include "db/providers/PostgresStatements.h"

namespace tbn::db::pg {

namespace {

bool IsIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

class Reader {
public:
    explicit Reader(std::string_view sql) : sql_(sql) {}

    // Skips blanks and comments; false at the end of the text.
    bool SkipBlanksAndComments() {
        while (i_ < sql_.size()) {
            if (IsBlank(sql_[i_])) {
                ++i_;
            } else if (At("--")) {
                const std::size_t end = sql_.find('\n', i_);
                i_ = end == std::string_view::npos ? sql_.size() : end + 1;
            } else if (At("/*")) {
                SkipBlockComment();
            } else {
                return true;
            }
        }
        return false;
    }

    std::size_t Position() const { return i_; }
    // A word ATOMIC was passed outside quotes and comments.
    bool SawAtomic() const { return sawAtomic_; }

    // Walks one statement up to and past its semicolon; false when the text ends first.
    bool SkipStatement() {
        while (SkipBlanksAndComments()) {
            const char c = sql_[i_];
            const bool wordBefore = i_ > 0 && IsIdentifierChar(sql_[i_ - 1]);
            if (!wordBefore && IsIdentifierChar(c) && c != '$') NoteWord();
            if (c == ';') {
                ++i_;
                return true;
            }
            if (c == '\'') {
                const bool escapes = wordBefore && (sql_[i_ - 1] == 'E' || sql_[i_ - 1] == 'e') &&
                                     (i_ < 2 || !IsIdentifierChar(sql_[i_ - 2]));
                SkipQuoted('\'', escapes);
            } else if (c == '"') {
                SkipQuoted('"', false);
            } else if (c == '$' && !wordBefore) {
                SkipDollarQuoted();
            } else {
                ++i_;
            }
        }
        return false;
    }

    bool OnlySemicolonsAndCommentsLeft() {
        while (SkipBlanksAndComments()) {
            if (sql_[i_] != ';') return false;
            ++i_;
        }
        return true;
    }

private:
    void NoteWord() {
        constexpr std::string_view atomic = "atomic";
        std::size_t end = i_;
        while (end < sql_.size() && IsIdentifierChar(sql_[end])) ++end;
        if (end - i_ != atomic.size()) return;
        for (std::size_t k = 0; k < atomic.size(); ++k)
            if ((sql_[i_ + k] | 0x20) != atomic[k]) return;
        sawAtomic_ = true;
    }

    bool At(std::string_view token) const { return sql_.substr(i_, token.size()) == token; }

    void SkipBlockComment() {
        // PostgreSQL's block comments nest.
        int depth = 0;
        while (i_ < sql_.size()) {
            if (At("/*")) {
                ++depth;
                i_ += 2;
            } else if (At("*/")) {
                i_ += 2;
                if (--depth == 0) return;
            } else {
                ++i_;
            }
        }
    }

    void SkipQuoted(char quote, bool backslashEscapes) {
        ++i_;
        while (i_ < sql_.size()) {
            const char c = sql_[i_++];
            if (backslashEscapes && c == '\\') {
                ++i_;
            } else if (c == quote) {
                if (i_ < sql_.size() && sql_[i_] == quote)
                    ++i_;  // a doubled quote stands for one
                else
                    return;
            }
        }
    }

    void SkipDollarQuoted() {
        // $tag$ ... $tag$, where the tag is empty or an identifier not starting with a digit;
        // anything else ($1, a parameter) is an ordinary character.
        std::size_t end = i_ + 1;
        if (end < sql_.size() && sql_[end] >= '0' && sql_[end] <= '9') {
            ++i_;
            return;
        }
        while (end < sql_.size() && sql_[end] != '$' && IsIdentifierChar(sql_[end])) ++end;
        if (end >= sql_.size() || sql_[end] != '$') {
            ++i_;
            return;
        }
        const std::string_view tag = sql_.substr(i_, end - i_ + 1);
        const std::size_t close = sql_.find(tag, end + 1);
        i_ = close == std::string_view::npos ? sql_.size() : close + tag.size();
    }

    std::string_view sql_;
    std::size_t i_ = 0;
    bool sawAtomic_ = false;
};

}  // namespace

std::optional<std::vector<StatementSpan>> StatementSpans(std::string_view sql) {
    Reader reader(sql);
    std::vector<StatementSpan> spans;
    for (;;) {
        if (reader.OnlySemicolonsAndCommentsLeft()) break;
        const std::size_t begin = reader.Position();
        reader.SkipStatement();
        spans.push_back({begin, reader.Position()});
    }
    if (reader.SawAtomic()) return std::nullopt;
    return spans;
}

bool HasSeveralStatements(std::string_view sql) {
    Reader reader(sql);
    if (!reader.SkipStatement()) return false;
    return !reader.OnlySemicolonsAndCommentsLeft();
}

}  // namespace tbn::db::pg
