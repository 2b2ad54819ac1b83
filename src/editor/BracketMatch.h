#pragma once
// Finds the partner of a bracket in a coloured SQL document, skipping the brackets inside strings,
// quoted names and comments.
#include <optional>
#include <utility>

class QTextDocument;

namespace tbn::editor {

// The bracket at the caret, or else the one just before it, and its partner: the two document
// positions, the caret's bracket first. Round and curly brackets pair; square ones open quoted
// names. The partner is looked for at most kBracketSearchLines lines away, so a stray bracket in a
// long file costs no more than that; nullopt when the caret is at no code bracket, or it has no
// partner.
inline constexpr int kBracketSearchLines = 5000;
struct BracketPair {
    int bracket = 0;
    std::optional<int> partner;  // nullopt: a bracket without its partner
};
std::optional<BracketPair> MatchBracket(const QTextDocument& document, int caret);

}  // namespace tbn::editor
