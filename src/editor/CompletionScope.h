#pragma once
// What the tokens of one statement name: the tables of its FROM, JOIN, UPDATE and INTO clauses
// with their aliases, its WITH queries and subqueries in FROM, and the columns each one has, found
// in the catalogue's index or derived from a column list or a select list.
#include "editor/CompletionIndex.h"
#include "editor/SqlTokens.h"

#include <QList>
#include <QString>

namespace tbn::editor {

struct ColumnChoice {
    QString name;
    QString detail;
};

struct TableRef {
    QString schema;  // empty when not qualified
    QString name;    // empty for a subquery
    bool quoted = false;
    QString alias;   // empty when none is given
    int group = -1;  // the code token '(' enclosing the reference, -1 at the statement's top
    int subqueryFrom = -1, subqueryTo = -1;  // the tokens of a subquery in FROM
    // What a qualifier names it by: the alias, or else the table's own name.
    const QString& Handle() const { return alias.isEmpty() ? name : alias; }
};

struct CommonTable {
    QString name;
    QStringList columns;  // from its own column list, when it has one
    int bodyFrom = -1, bodyTo = -1;
};

class StatementScope {
public:
    // code: the statement's tokens without its comments; index may be null.
    StatementScope(QList<SqlToken> code, const CompletionIndex* index);

    const QList<SqlToken>& Code() const { return code_; }
    // The ')' that closes the '(' at i, or -1 when none does.
    int Closing(int i) const { return closing_[i]; }

    // The references a caret after the first `before` code tokens may use: those of its own query
    // and of the queries around it, innermost first.
    QList<const TableRef*> VisibleAt(int before) const;
    // The visible reference a qualifier names (by alias, or by name when it has none).
    const TableRef* FindVisible(const QString& qualifier, int before) const;
    const CommonTable* FindCommonTable(const QString& name) const;
    const CompletionIndex::Relation* Resolve(const QString& schema, const QString& name,
                                             bool quoted) const;

    QList<ColumnChoice> ColumnsOf(const TableRef& ref) const { return ColumnsOf(ref, 0); }
    QList<ColumnChoice> ColumnsOf(const CommonTable& table) const { return ColumnsOf(table, 0); }
    static QList<ColumnChoice> ColumnsOf(const CompletionIndex::Relation& relation);

    const QList<CommonTable>& CommonTables() const { return commonTables_; }

private:
    QList<SqlToken> code_;
    QList<int> closing_;
    const CompletionIndex* index_;
    QList<TableRef> refs_;
    QList<CommonTable> commonTables_;

    void MatchBrackets();
    void ReadCommonTables();
    void ReadReferences();
    int ReadAlias(int i, TableRef& ref) const;
    QList<ColumnChoice> ColumnsOf(const TableRef& ref, int depth) const;
    QList<ColumnChoice> ColumnsOf(const CommonTable& table, int depth) const;
    QList<ColumnChoice> SelectListColumns(int from, int to, int depth) const;
};

// What a column's line in the pop-up says beside its name: its relation and declared type.
QString ColumnDetail(const core::RelationInfo& relation, const core::ColumnInfo& column);

// True for a word that starts or joins clauses, which cannot be an alias written without AS.
bool IsClauseWord(const QString& lowerWord);

}  // namespace tbn::editor
