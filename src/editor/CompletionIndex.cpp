#include "editor/CompletionIndex.h"

#include <QSet>
#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace tbn::editor {

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

}  // namespace tbn::editor
