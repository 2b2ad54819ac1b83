#include "db/providers/SecretScrub.h"

#include "db/ConnectionStringLexer.h"

namespace tbn::db {

namespace {

constexpr std::string_view Mask = "***";

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether the word just before the '=' at equals names a password: "Password", "PWD",
// "sslpassword", the last word of "Jet OLEDB:Database Password".
bool FollowsPasswordKey(std::string_view text, std::size_t equals) {
    std::size_t end = equals;
    while (end > 0 && IsBlank(text[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && IsWordChar(text[begin - 1])) --begin;
    return begin < end && detail::IsPasswordKey(text.substr(begin, end - begin));
}

// Where a value written at from ends: past its closing quote or brace (a doubled one stands for
// one, and in quotes a backslash escapes the next character, as libpq writes them), or at the
// first ';', blank or line break. A value never closed may run to the end of the text.
std::size_t ValueEnd(std::string_view text, std::size_t from) {
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
    while (i < text.size() && text[i] != ';' && !IsBlank(text[i]) && text[i] != '\n' && text[i] != '\r') ++i;
    return i;
}

void HidePasswordValues(std::string& text) {
    for (std::size_t equals = text.find('='); equals != std::string::npos; equals = text.find('=', equals + 1)) {
        if (!FollowsPasswordKey(text, equals)) continue;
        std::size_t from = equals + 1;
        while (from < text.size() && IsBlank(text[from])) ++from;
        const std::size_t end = ValueEnd(text, from);
        if (end == from) continue;  // an empty value hides nothing
        text.replace(from, end - from, Mask);
        equals = from + Mask.size() - 1;
    }
}

bool IsWholeAt(std::string_view text, std::size_t at, std::string_view word) {
    if (IsWordChar(word.front()) && at > 0 && IsWordChar(text[at - 1])) return false;
    const std::size_t after = at + word.size();
    return !(IsWordChar(word.back()) && after < text.size() && IsWordChar(text[after]));
}

void HideWholeOccurrences(std::string& text, std::string_view word) {
    for (std::size_t at = text.find(word); at != std::string::npos;) {
        if (IsWholeAt(text, at, word)) {
            text.replace(at, word.size(), Mask);
            at = text.find(word, at + Mask.size());
        } else {
            at = text.find(word, at + 1);
        }
    }
}

std::string Braced(std::string_view value) {
    std::string braced;
    for (char c : value) {
        braced.push_back(c);
        if (c == '}') braced.push_back('}');
    }
    return braced;
}

} // namespace

std::string ScrubSecret(std::string text, std::string_view secret, std::string_view userName) {
    HidePasswordValues(text);
    if (secret.empty() || secret == userName) return text;
    HideWholeOccurrences(text, secret);
    const std::string braced = Braced(secret);
    if (braced != secret) HideWholeOccurrences(text, braced);
    return text;
}

} // namespace tbn::db
