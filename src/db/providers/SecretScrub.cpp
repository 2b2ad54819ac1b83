#include "db/providers/SecretScrub.h"

#include "db/ConnectionStringLexer.h"

namespace tbn::db {

namespace {

constexpr std::string_view Mask = "***";

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
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

}  // namespace

std::string ScrubSecret(std::string text, std::string_view secret, std::string_view userName) {
    detail::HidePasswordValues(text);
    if (secret.empty() || secret == userName) return text;
    HideWholeOccurrences(text, secret);
    const std::string braced = Braced(secret);
    if (braced != secret) HideWholeOccurrences(text, braced);
    return text;
}

}  // namespace tbn::db
