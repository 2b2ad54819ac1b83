#include "editor/NameQuoting.h"

#include "editor/SqlWords.h"

#include <QSet>
#include <algorithm>

namespace tbn::editor {

namespace {

// Words an engine will not take as a bare name, in lower case: the standard's reserved words that
// engines agree on, and the pane's own keywords (quoting one that did not need it is harmless).
const QSet<QString>& ReservedWords() {
    static const QSet<QString> words = [] {
        QSet<QString> set;
        for (const char* word : {"all",          "and",          "any",
                                 "as",           "asc",          "between",
                                 "both",         "case",         "cast",
                                 "check",        "collate",      "column",
                                 "constraint",   "create",       "cross",
                                 "current_date", "current_time", "current_timestamp",
                                 "current_user", "default",      "delete",
                                 "desc",         "distinct",     "drop",
                                 "else",         "end",          "except",
                                 "exists",       "false",        "fetch",
                                 "for",          "foreign",      "from",
                                 "full",         "grant",        "group",
                                 "having",       "in",           "index",
                                 "inner",        "insert",       "intersect",
                                 "into",         "is",           "join",
                                 "leading",      "left",         "like",
                                 "limit",        "natural",      "not",
                                 "null",         "offset",       "on",
                                 "or",           "order",        "outer",
                                 "primary",      "references",   "right",
                                 "select",       "set",          "some",
                                 "table",        "then",         "to",
                                 "trailing",     "true",         "union",
                                 "unique",       "update",       "user",
                                 "using",        "values",       "when",
                                 "where",        "window",       "with"})
            set.insert(QString::fromLatin1(word));
        for (const auto list : {SqlKeywords(), SqlLiterals(), SqlDangerous()})
            for (const char* word : list) set.insert(QString::fromLatin1(word));
        return set;
    }();
    return words;
}

bool IsPlainIdentifier(const QString& name) {
    if (name.isEmpty() || !(name[0].isLetter() || name[0] == QLatin1Char('_'))) return false;
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); });
}

}  // namespace

bool NeedsQuoting(const QString& name, core::IdentifierCase identifierCase) {
    if (!IsPlainIdentifier(name) || ReservedWords().contains(name.toLower())) return true;
    switch (identifierCase) {
    case core::IdentifierCase::Lower: return name != name.toLower();
    case core::IdentifierCase::Upper: return name != name.toUpper();
    case core::IdentifierCase::Insensitive:
    case core::IdentifierCase::Sensitive: break;
    }
    return false;
}

QString QuoteName(const QString& name, const core::SchemaInfo& schema) {
    if (!NeedsQuoting(name, schema.identifierCase)) return name;
    const QString open = QString::fromStdString(schema.quoteOpen);
    const QString close = QString::fromStdString(schema.quoteClose);
    QString body = name;
    if (!close.isEmpty()) body.replace(close, close + close);
    return open + body + close;
}

QString EscapeInQuote(const QString& name, QChar quote) {
    const QChar close = quote == QLatin1Char('[') ? QLatin1Char(']') : quote;
    QString body = name;
    return body.replace(close, QString(2, close));
}

}  // namespace tbn::editor
