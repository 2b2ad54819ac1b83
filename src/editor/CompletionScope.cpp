#include "editor/CompletionScope.h"

#include <QSet>

namespace tbn::editor {

namespace {

// Subqueries nest and a WITH query may read another; past this depth columns are not derived,
// which also ends a query that reads itself.
constexpr int kMaxDerivation = 8;

}  // namespace

QString ColumnDetail(const core::RelationInfo& relation, const core::ColumnInfo& column) {
    QString detail = QString::fromStdString(relation.name);
    if (!column.type.empty()) detail += QStringLiteral(": ") + QString::fromStdString(column.type);
    return detail;
}

bool IsClauseWord(const QString& lowerWord) {
    static const QSet<QString> words = [] {
        QSet<QString> set;
        for (const char* word :
             {"select", "from",   "where",   "join",    "inner",   "left",   "right",
              "full",   "outer",  "cross",   "natural", "on",      "using",  "group",
              "order",  "by",     "having",  "limit",   "offset",  "union",  "intersect",
              "except", "set",    "values",  "into",    "as",      "window", "returning",
              "fetch",  "for",    "and",     "or",      "not",     "with",   "update",
              "insert", "delete", "lateral", "default", "when",    "then",   "else",
              "end",    "is",     "in",      "like",    "between", "asc",    "desc"})
            set.insert(QString::fromLatin1(word));
        return set;
    }();
    return words.contains(lowerWord);
}

StatementScope::StatementScope(QList<SqlToken> code, const CompletionIndex* index)
    : code_(std::move(code)), index_(index) {
    MatchBrackets();
    ReadCommonTables();
    ReadReferences();
}

void StatementScope::MatchBrackets() {
    closing_ = QList<int>(code_.size(), -1);
    QList<int> open;
    for (int i = 0; i < code_.size(); ++i) {
        if (code_[i].Is('(')) {
            open.append(i);
        } else if (code_[i].Is(')') && !open.isEmpty()) {
            closing_[open.takeLast()] = i;
        }
    }
}

void StatementScope::ReadCommonTables() {
    const int n = int(code_.size());
    int i = 0;
    if (i >= n || !code_[i].IsWord("with")) return;
    ++i;
    if (i < n && code_[i].IsWord("recursive")) ++i;
    while (i < n && code_[i].IsName()) {
        CommonTable table;
        table.name = code_[i++].text;
        if (i < n && code_[i].Is('(')) {
            const int close = closing_[i];
            for (int j = i + 1; j < (close < 0 ? n : close); ++j)
                if (code_[j].IsName()) table.columns.append(code_[j].text);
            if (close < 0) break;
            i = close + 1;
        }
        if (i < n && code_[i].IsWord("as")) ++i;
        while (i < n && (code_[i].IsWord("not") || code_[i].IsWord("materialized"))) ++i;
        if (i >= n || !code_[i].Is('(')) {
            commonTables_.append(table);
            break;
        }
        table.bodyFrom = i + 1;
        table.bodyTo = closing_[i] < 0 ? n : closing_[i];
        commonTables_.append(table);
        i = table.bodyTo + 1;
        if (i < n && code_[i].Is(',')) ++i;
    }
}

// The alias after a reference's name ends at i, if any; returns where the reference ends.
int StatementScope::ReadAlias(int i, TableRef& ref) const {
    const int n = int(code_.size());
    if (i < n && code_[i].IsWord("as")) {
        if (i + 1 < n && code_[i + 1].IsName()) {
            ref.alias = code_[i + 1].text;
            return i + 2;
        }
        return i + 1;
    }
    if (i < n && (code_[i].kind == TokenKind::QuotedName ||
                  (code_[i].kind == TokenKind::Word && !IsClauseWord(code_[i].LowerWord())))) {
        ref.alias = code_[i].text;
        return i + 1;
    }
    return i;
}

void StatementScope::ReadReferences() {
    const int n = int(code_.size());
    QList<int> groups;    // the '(' the walk is inside, innermost last
    QSet<int> fromLists;  // groups (and -1) whose FROM list is being read
    bool expectTable = false;
    for (int i = 0; i < n; ++i) {
        const SqlToken& t = code_[i];
        const int group = groups.isEmpty() ? -1 : groups.last();
        if (t.Is('(')) {
            if (expectTable && closing_[i] > i) {  // a subquery in FROM
                TableRef ref;
                ref.group = group;
                ref.subqueryFrom = i + 1;
                ref.subqueryTo = closing_[i];
                i = ReadAlias(closing_[i] + 1, ref) - 1;
                refs_.append(ref);
                expectTable = false;
                continue;
            }
            groups.append(i);
            expectTable = false;
            continue;
        }
        if (t.Is(')')) {
            fromLists.remove(group);
            if (!groups.isEmpty()) groups.removeLast();
            expectTable = false;
            continue;
        }
        const QString word = t.LowerWord();
        if (word == u"from" || word == u"join" || word == u"update" || word == u"into") {
            expectTable = true;
            if (word == u"from" || word == u"join")
                fromLists.insert(group);
            else
                fromLists.remove(group);
            continue;
        }
        if (t.Is(',') && fromLists.contains(group)) {
            expectTable = true;
            continue;
        }
        if (!word.isEmpty() && IsClauseWord(word)) fromLists.remove(group);
        if (expectTable && t.IsName() && !(t.kind == TokenKind::Word && IsClauseWord(word))) {
            TableRef ref;
            ref.group = group;
            ref.name = t.text;
            ref.quoted = t.kind == TokenKind::QuotedName;
            int j = i + 1;
            while (j + 1 < n && code_[j].Is('.') && code_[j + 1].IsName()) {
                ref.schema = ref.name;
                ref.name = code_[j + 1].text;
                ref.quoted = code_[j + 1].kind == TokenKind::QuotedName;
                j += 2;
            }
            // "schema." still being typed names no table yet.
            if (j < n && code_[j].Is('.')) continue;
            i = ReadAlias(j, ref) - 1;
            refs_.append(ref);
        }
        expectTable = false;
    }
}

QList<const TableRef*> StatementScope::VisibleAt(int before) const {
    QList<int> enclosing;  // innermost first
    for (int i = before - 1; i >= 0; --i)
        if (code_[i].Is('(') && (closing_[i] < 0 || closing_[i] >= before)) enclosing.append(i);
    enclosing.append(-1);
    QList<const TableRef*> visible;
    for (const int group : enclosing)
        for (const TableRef& ref : refs_)
            if (ref.group == group) visible.append(&ref);
    return visible;
}

const TableRef* StatementScope::FindVisible(const QString& qualifier, int before) const {
    for (const TableRef* ref : VisibleAt(before))
        if (ref->Handle().compare(qualifier, Qt::CaseInsensitive) == 0) return ref;
    return nullptr;
}

const CommonTable* StatementScope::FindCommonTable(const QString& name) const {
    for (const CommonTable& table : commonTables_)
        if (table.name.compare(name, Qt::CaseInsensitive) == 0) return &table;
    return nullptr;
}

const CompletionIndex::Relation* StatementScope::Resolve(const QString& schema, const QString& name,
                                                         bool quoted) const {
    return index_ ? index_->Find(schema, name, quoted) : nullptr;
}

QList<ColumnChoice> StatementScope::ColumnsOf(const CompletionIndex::Relation& relation) {
    QList<ColumnChoice> columns;
    columns.reserve(qsizetype(relation.info->columns.size()));
    for (const core::ColumnInfo& column : relation.info->columns)
        columns.append({QString::fromStdString(column.name), ColumnDetail(*relation.info, column)});
    return columns;
}

QList<ColumnChoice> StatementScope::ColumnsOf(const TableRef& ref, int depth) const {
    if (depth > kMaxDerivation) return {};
    if (ref.subqueryFrom >= 0)
        return SelectListColumns(ref.subqueryFrom, ref.subqueryTo, depth + 1);
    if (ref.schema.isEmpty())
        if (const CommonTable* table = FindCommonTable(ref.name))
            return ColumnsOf(*table, depth + 1);
    if (const CompletionIndex::Relation* relation = Resolve(ref.schema, ref.name, ref.quoted))
        return ColumnsOf(*relation);
    return {};
}

QList<ColumnChoice> StatementScope::ColumnsOf(const CommonTable& table, int depth) const {
    if (!table.columns.isEmpty()) {
        QList<ColumnChoice> columns;
        for (const QString& name : table.columns) columns.append({name, table.name});
        return columns;
    }
    if (depth > kMaxDerivation || table.bodyFrom < 0) return {};
    QList<ColumnChoice> columns = SelectListColumns(table.bodyFrom, table.bodyTo, depth + 1);
    for (ColumnChoice& column : columns)
        if (column.detail.isEmpty()) column.detail = table.name;
    return columns;
}

// The names a select list between from and to gives its columns: an alias, a column's own name,
// or for * and t.* the columns of the tables it reads.
QList<ColumnChoice> StatementScope::SelectListColumns(int from, int to, int depth) const {
    int i = from;
    while (i < to && !code_[i].IsWord("select")) {
        if (code_[i].Is('(') && closing_[i] > i) i = closing_[i];
        ++i;
    }
    if (i >= to) return {};
    ++i;
    if (i < to && (code_[i].IsWord("distinct") || code_[i].IsWord("all"))) ++i;
    const int group = from - 1;  // the '(' around the query; the top when from is 0
    const auto ownRefs = [this, group, from]() {
        QList<const TableRef*> refs;
        for (const TableRef& ref : refs_)
            if (ref.group == (from == 0 ? -1 : group)) refs.append(&ref);
        return refs;
    };
    QList<ColumnChoice> columns;
    int itemStart = i;
    for (; i <= to; ++i) {
        const bool atEnd = i == to || code_[i].Is(',') || code_[i].IsWord("from") ||
                           code_[i].IsWord("union") || code_[i].IsWord("intersect") ||
                           code_[i].IsWord("except");
        if (!atEnd) {
            if (code_[i].Is('(') && closing_[i] > i && closing_[i] < to) i = closing_[i];
            continue;
        }
        const int count = i - itemStart;
        if (count > 0) {
            const SqlToken& last = code_[i - 1];
            if (last.Is('*')) {
                const QString qualifier =
                    count >= 3 && code_[i - 2].Is('.') ? code_[i - 3].text : QString();
                for (const TableRef* ref : ownRefs())
                    if (qualifier.isEmpty() ||
                        ref->Handle().compare(qualifier, Qt::CaseInsensitive) == 0)
                        columns += ColumnsOf(*ref, depth);
            } else if (last.IsName()) {
                const SqlToken* previous = count >= 2 ? &code_[i - 2] : nullptr;
                const bool named = !previous || previous->IsWord("as") || previous->Is('.') ||
                                   previous->Is(')') || previous->IsName() ||
                                   previous->kind == TokenKind::Number ||
                                   previous->kind == TokenKind::String;
                if (named) columns.append({last.text, {}});
            }
        }
        if (i == to || !code_[i].Is(',')) break;
        itemStart = i + 1;
    }
    return columns;
}

}  // namespace tbn::editor
