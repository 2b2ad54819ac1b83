#pragma once
// A catalogue made ready for completion, once when it arrives: every relation under the label it
// is offered as (plain for the default schemas, schema.name for the others), sorted, with a lookup
// by name; the distinct column names, sorted; and how the engine wants a name quoted. A keystroke
// then finds the names that start with what was typed by bisection instead of walking them all.
#include "core/SchemaInfo.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace tbn::editor {

class CompletionIndex {
public:
    explicit CompletionIndex(std::shared_ptr<const core::SchemaInfo> schema);

    struct Relation {
        QString schema;  // empty where the engine has none
        QString name;
        QString label;  // what is offered: the name, qualified outside the default schemas
        QString lower;  // the label in lower case, the sort key
        bool inDefaultSchema = true;
        const core::RelationInfo* info = nullptr;
    };
    struct Column {
        QString name;
        QString lower;
        const core::RelationInfo* relation = nullptr;  // the first relation that has it
        const core::ColumnInfo* info = nullptr;
    };

    const core::SchemaInfo& Schema() const { return *schema_; }
    const std::vector<Relation>& Relations() const { return relations_; }  // by lower
    const std::vector<Column>& Columns() const { return columns_; }        // by lower, distinct
    const QStringList& Schemas() const { return schemas_; }

    // The relation a name written in a statement means: schemaName empty looks in the default
    // schemas. An unquoted name is matched as the engine folds it, then in any case; nullptr when
    // there is none.
    const Relation* Find(const QString& schemaName, const QString& name, bool quoted) const;
    // The schema of that name, or an empty string.
    QString FindSchema(const QString& name) const;

    // The index of the first entry of a sorted list whose lower-case key is not below key.
    template <typename Entry> static typename std::vector<Entry>::const_iterator
    LowerBound(const std::vector<Entry>& list, const QString& key) {
        return std::lower_bound(list.begin(), list.end(), key,
                                [](const Entry& e, const QString& k) { return e.lower < k; });
    }

private:
    std::shared_ptr<const core::SchemaInfo> schema_;
    std::vector<Relation> relations_;
    std::vector<Column> columns_;
    QStringList schemas_;
    QSet<QString> defaultSchemas_;  // in lower case
};

}  // namespace tbn::editor
