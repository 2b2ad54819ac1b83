#pragma once
// The SQL vocabularies every colouring of the program draws from, in lower case, and the style a
// word takes from them. One source, so the RTF colouring and the live pane never disagree.
#include "editor/SqlColorizer.h"

#include <QString>
#include <span>

namespace tbn::editor {

std::span<const char* const> SqlKeywords();
std::span<const char* const> SqlLiterals();
std::span<const char* const> SqlDangerous();
std::span<const char* const> SqlFunctions();

// The style of the first list that holds the word (case-insensitive), or Plain.
WordStyle ListedStyleOf(const QString& word);

// The first list that holds the word (case-insensitive) decides: keywords, literals, destructive
// statements, functions; then numbers; everything else is plain.
WordStyle StyleOfSqlWord(const QString& word);

}  // namespace tbn::editor
