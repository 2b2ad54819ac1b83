#include "editor/SqlWords.h"

#include <QHash>

namespace tbn::editor {

namespace {

// "outher" is the vocabulary's own spelling; "outer" is deliberately not a keyword.
constexpr const char* kKeywords[] = {
    "select", "from",   "where",  "as",       "order",  "group",    "by",     "in",      "join",
    "left",   "inner",  "outher", "right",    "union",  "distinct", "like",   "not",     "update",
    "set",    "create", "table",  "into",     "top",    "null",     "if",     "primary", "key",
    "exists", "and",    "or",     "database", "backup", "to",       "disk",   "use",     "insert",
    "add",    "alter",  "values", "limit",    "asc",    "desc",     "column", "is"};
constexpr const char* kLiterals[] = {"*", "false", "true"};
constexpr const char* kDangerous[] = {"drop", "delete"};
constexpr const char* kFunctions[] = {"iif", "isnull",  "count",    "max",
                                      "min", "isblank", "isnumeric"};

// A hash instead of the dotted lists: the pane classifies every word of every line it shows.
QHash<QString, WordStyle> BuildStyles() {
    QHash<QString, WordStyle> styles;
    // Inserted last to first so the earlier list wins a word two lists share.
    const auto add = [&styles](std::span<const char* const> words, WordStyle style) {
        for (const char* word : words) styles.insert(QString::fromLatin1(word), style);
    };
    add(kFunctions, WordStyle::Function);
    add(kDangerous, WordStyle::Dangerous);
    add(kLiterals, WordStyle::Literal);
    add(kKeywords, WordStyle::Keyword);
    return styles;
}

}  // namespace

std::span<const char* const> SqlKeywords() { return kKeywords; }
std::span<const char* const> SqlLiterals() { return kLiterals; }
std::span<const char* const> SqlDangerous() { return kDangerous; }
std::span<const char* const> SqlFunctions() { return kFunctions; }

WordStyle ListedStyleOf(const QString& word) {
    static const QHash<QString, WordStyle> styles = BuildStyles();
    return styles.value(word.toLower(), WordStyle::Plain);
}

WordStyle StyleOfSqlWord(const QString& word) {
    const WordStyle listed = ListedStyleOf(word);
    if (listed != WordStyle::Plain) return listed;
    return IsNumericWord(word) ? WordStyle::Number : WordStyle::Plain;
}

}  // namespace tbn::editor
