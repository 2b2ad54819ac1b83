#include "db/ConnectionStringLexer.h"

#include <cctype>

namespace tbn::db::detail {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Messages are built by appending: GCC 12 reports a false -Wrestrict on long operator+ chains.
std::string Message(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view part : parts) out += part;
    return out;
}
std::string Quoted(std::string_view key) { return Message({"\"", key, "\""}); }
std::string At(std::size_t pos) { return Message({"character ", std::to_string(pos + 1)}); }

// Reads a value enclosed by open/close where a doubled close stands for one. Returns the offset
// just past the closing character, or npos when it never closes. Jumps from close to close so a
// megabyte value costs one pass.
std::size_t ReadEnclosed(std::string_view text, std::size_t open, char close, std::string& out) {
    std::size_t from = open + 1;
    for (;;) {
        const std::size_t at = text.find(close, from);
        if (at == std::string_view::npos) return std::string_view::npos;
        out.append(text.substr(from, at - from));
        if (at + 1 < text.size() && text[at + 1] == close) {
            out.push_back(close);
            from = at + 2;
            continue;
        }
        return at + 1;
    }
}

}  // namespace

bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsPasswordKey(std::string_view key) {
    // Password, PWD, "Jet OLEDB:Database Password", sslpassword, TLSKEYPWD: any key naming one.
    auto contains = [key](std::string_view word) {
        for (std::size_t at = 0; at + word.size() <= key.size(); ++at)
            if (SameKey(key.substr(at, word.size()), word)) return true;
        return false;
    };
    return contains("pwd") || contains("password");
}

namespace {

constexpr std::string_view Mask = "***";

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// Whether the word just before the '=' at equals names a password.
bool FollowsPasswordKey(std::string_view text, std::size_t equals) {
    std::size_t end = equals;
    while (end > 0 && IsSpaceOrTab(text[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && IsWordChar(text[begin - 1])) --begin;
    return begin < end && IsPasswordKey(text.substr(begin, end - begin));
}

// Where a value written at from ends: past its closing quote or brace (a doubled one stands for
// one, and in quotes a backslash escapes the next character, as libpq writes them), or at the
// first ';', blank or line break. A value never closed may run to the end of the text.
std::size_t NestedValueEnd(std::string_view text, std::size_t from) {
    if (from >= text.size()) return from;
    const char open = text[from];
    if (open == '{' || open == '\'' || open == '"') {
        const char close = open == '{' ? '}' : open;
        for (std::size_t i = from + 1; i < text.size(); ++i) {
            if (open != '{' && text[i] == '\\') {
                ++i;
            } else if (text[i] == close) {
                if (i + 1 < text.size() && text[i + 1] == close)
                    ++i;
                else
                    return i + 1;
            }
        }
        return text.size();
    }
    std::size_t i = from;
    while (i < text.size() && text[i] != ';' && !IsSpaceOrTab(text[i]) && text[i] != '\n' &&
           text[i] != '\r')
        ++i;
    return i;
}

}  // namespace

void HidePasswordValues(std::string& text) {
    for (std::size_t equals = text.find('='); equals != std::string::npos;
         equals = text.find('=', equals + 1)) {
        if (!FollowsPasswordKey(text, equals)) continue;
        std::size_t from = equals + 1;
        while (from < text.size() && IsSpaceOrTab(text[from])) ++from;
        const std::size_t end = NestedValueEnd(text, from);
        if (end == from) continue;  // an empty value hides nothing
        text.replace(from, end - from, Mask);
        equals = from + Mask.size() - 1;
    }
}

LexResult Lex(std::string_view text) {
    LexResult result;
    const std::size_t n = text.size();
    std::size_t pos = 0;
    auto fail = [&](std::size_t redactFrom, std::string message) {
        result.Failure =
            LexFailure{redactFrom, Message({"The connection string is malformed: ", message})};
        return result;
    };

    while (pos < n) {
        const std::size_t segment = pos;
        const std::size_t stop = text.find_first_of("=;", pos);
        if (stop == std::string_view::npos || text[stop] == ';') {
            const std::size_t end = stop == std::string_view::npos ? n : stop;
            if (!Trim(text.substr(pos, end - pos)).empty())
                return fail(segment, Message({"the part at ", At(segment),
                                              " has no \"=\" between key and value."}));
            pos = end + 1;
            continue;
        }
        LexedPair pair;
        pair.Key = Trim(text.substr(pos, stop - pos));
        if (pair.Key.empty())
            return fail(segment, Message({"the value at ", At(stop), " has no key."}));

        std::size_t v = stop + 1;
        while (v < n && text[v] != ';' && IsBlank(text[v])) ++v;
        pair.ValueBegin = v;
        if (v < n && (text[v] == '"' || text[v] == '\'' || text[v] == '{')) {
            const char open = text[v];
            const char close = open == '{' ? '}' : open;
            const std::size_t after = ReadEnclosed(text, v, close, pair.Value);
            if (after == std::string_view::npos) {
                const std::string_view what = open == '{'   ? "brace {"
                                              : open == '"' ? "quote \""
                                                            : "quote '";
                return fail(v, Message({"the value of ", Quoted(pair.Key), " opens a ", what,
                                        " at ", At(v), " that is never closed."}));
            }
            pair.ValueEnd = after;
            std::size_t rest = after;
            while (rest < n && IsBlank(text[rest])) ++rest;
            if (rest < n && text[rest] != ';')
                return fail(v, Message({"unexpected text at ", At(rest), " after the closing ",
                                        std::string_view(&close, 1), " of the value of ",
                                        Quoted(pair.Key), "."}));
            pos = rest + 1;
        } else {
            std::size_t end = text.find(';', v);
            if (end == std::string_view::npos) end = n;
            const std::string_view raw = Trim(text.substr(v, end - v));
            pair.ValueEnd = v + raw.size();
            pair.Value.assign(raw);
            pos = end + 1;
        }
        result.Pairs.push_back(std::move(pair));
    }
    return result;
}

}  // namespace tbn::db::detail
