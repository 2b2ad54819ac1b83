#include "editor/CompletionIndex.h"

#include "editor/SqlWords.h"

#include <QSet>
#include <algorithm>
#include <string_view>
#include <unordered_set>

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

CompletionIndex::CompletionIndex(std::shared_ptr<const core::SchemaInfo> schema)
    : schema_(std::move(schema)) {
    const std::size_t defaults = std::min(schema_->defaultSchemaCount, schema_->schemas.size());
    for (std::size_t i = 0; i < schema_->schemas.size(); ++i) {
        const QString name = QString::fromStdString(schema_->schemas[i]);
        if (!name.isEmpty()) schemas_.append(name);
        if (i < defaults) defaultSchemas_.insert(name.toLower());
    }
    relations_.reserve(schema_->relations.size());
    QHash<QString, int> columnAt;  // lower-case name -> columns_
    std::unordered_set<std::string_view> spelt;
    for (const core::RelationInfo& info : schema_->relations) {
        Relation relation;
        relation.schema = QString::fromStdString(info.schema);
        relation.name = QString::fromStdString(info.name);
        relation.inDefaultSchema =
            relation.schema.isEmpty() || defaultSchemas_.contains(relation.schema.toLower());
        relation.label = relation.inDefaultSchema
                             ? relation.name
                             : relation.schema + QLatin1Char('.') + relation.name;
        relation.lower = relation.label.toLower();
        relation.info = &info;
        relations_.push_back(std::move(relation));
        for (const core::ColumnInfo& column : info.columns) {
            // Most tables repeat a few names (id, name, created_at): those are skipped before
            // they cost a conversion.
            if (!spelt.insert(column.name).second) continue;
            const QString name = QString::fromStdString(column.name);
            const QString lower = name.toLower();
            if (columnAt.contains(lower)) continue;
            columnAt.insert(lower, int(columns_.size()));
            columns_.push_back({name, lower, &info, &column});
        }
    }
    std::stable_sort(relations_.begin(), relations_.end(),
                     [](const Relation& a, const Relation& b) { return a.lower < b.lower; });
    std::sort(columns_.begin(), columns_.end(),
              [](const Column& a, const Column& b) { return a.lower < b.lower; });
}

const CompletionIndex::Relation* CompletionIndex::Find(const QString& schemaName,
                                                       const QString& name, bool quoted) const {
    const bool inDefault = schemaName.isEmpty() || defaultSchemas_.contains(schemaName.toLower());
    const QString key =
        inDefault ? name.toLower() : schemaName.toLower() + QLatin1Char('.') + name.toLower();
    QString spelt = name;
    if (!quoted && schema_->identifierCase == core::IdentifierCase::Lower) spelt = name.toLower();
    if (!quoted && schema_->identifierCase == core::IdentifierCase::Upper) spelt = name.toUpper();
    // Equal labels keep the engine's order, so the first default schema of the path wins.
    const Relation* found = nullptr;
    for (auto it = LowerBound(relations_, key); it != relations_.end() && it->lower == key; ++it) {
        if (schemaName.isEmpty() ? !it->inDefaultSchema
                                 : it->schema.compare(schemaName, Qt::CaseInsensitive) != 0)
            continue;
        if (it->name == spelt) return &*it;
        if (!found) found = &*it;
    }
    return found;
}

QString CompletionIndex::FindSchema(const QString& name) const {
    for (const QString& schema : schemas_)
        if (schema.compare(name, Qt::CaseInsensitive) == 0) return schema;
    return {};
}

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
