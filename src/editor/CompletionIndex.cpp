#include "editor/CompletionIndex.h"

#include "editor/SqlWords.h"

#include <QSet>
#include <algorithm>

namespace tbn::editor {

namespace {

QString Key(const QString& schema, const QString& name) {
    return schema.toLower() + QLatin1Char('\t') + name.toLower();
}

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
    QSet<QString> defaultSchemas;
    for (std::size_t i = 0; i < schema_->schemas.size(); ++i) {
        const QString name = QString::fromStdString(schema_->schemas[i]);
        if (!name.isEmpty()) schemas_.append(name);
        if (i < defaults) defaultSchemas.insert(name.toLower());
    }
    relations_.reserve(schema_->relations.size());
    QHash<QString, int> columnAt;  // lower-case name -> columns_
    for (const core::RelationInfo& info : schema_->relations) {
        Relation relation;
        relation.schema = QString::fromStdString(info.schema);
        relation.name = QString::fromStdString(info.name);
        relation.inDefaultSchema =
            relation.schema.isEmpty() || defaultSchemas.contains(relation.schema.toLower());
        relation.label = relation.inDefaultSchema
                             ? relation.name
                             : relation.schema + QLatin1Char('.') + relation.name;
        relation.lower = relation.label.toLower();
        relation.info = &info;
        relations_.push_back(std::move(relation));
        for (const core::ColumnInfo& column : info.columns) {
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
    for (int i = 0; i < int(relations_.size()); ++i) {
        const Relation& relation = relations_[size_t(i)];
        byName_[Key(relation.schema, relation.name)].append(i);
        if (relation.inDefaultSchema) byName_[Key({}, relation.name)].append(i);
    }
}

const CompletionIndex::Relation* CompletionIndex::Find(const QString& schemaName,
                                                       const QString& name, bool quoted) const {
    const auto found = byName_.constFind(Key(schemaName, name));
    if (found == byName_.cend()) return nullptr;
    QString spelt = name;
    if (!quoted && schema_->identifierCase == core::IdentifierCase::Lower) spelt = name.toLower();
    if (!quoted && schema_->identifierCase == core::IdentifierCase::Upper) spelt = name.toUpper();
    for (const int i : *found)
        if (relations_[size_t(i)].name == spelt) return &relations_[size_t(i)];
    return &relations_[size_t(found->first())];
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
