#include "editor/Completion.h"

#include "editor/CompletionScope.h"
#include "editor/SqlTokens.h"
#include "editor/SqlWords.h"

#include <QSet>
#include <algorithm>

namespace tbn::editor {

namespace {

// Where the caret is among the tokens: the word it ends (if any) and the code before that word.
struct Place {
    bool nothing = false;  // in a string, a comment or a number
    int wordToken = -1;    // in all tokens
    int wordStart = 0;
    QString typed;
    bool inQuote = false;
    bool quoteOpen = false;  // the quoted name has no closing quote yet
    QChar quote;
};

bool Contains(const SqlToken& t, int caret, bool endInside) {
    return t.start < caret && (caret < t.end || (endInside && caret == t.end));
}

Place Locate(QStringView statement, const QList<SqlToken>& tokens, int caret) {
    Place place;
    place.wordStart = caret;
    for (int i = 0; i < tokens.size(); ++i) {
        const SqlToken& t = tokens[i];
        if (t.start >= caret) break;
        switch (t.kind) {
        case TokenKind::String:
            if (Contains(t, caret, t.open)) place.nothing = true;
            break;
        case TokenKind::Comment: {
            // A -- comment runs to its line's end, caret included; a closed /* */ ends before it.
            const bool lineComment = statement.mid(t.start, 2) == u"--";
            if (Contains(t, caret, t.open || lineComment)) place.nothing = true;
            break;
        }
        case TokenKind::Number:
            if (Contains(t, caret, true)) place.nothing = true;
            break;
        case TokenKind::QuotedName:
            if (Contains(t, caret, t.open)) {
                place.wordToken = i;
                place.inQuote = true;
                place.quoteOpen = t.open;
                place.quote = t.quote;
                place.wordStart = t.start + 1;
                place.typed = t.text.left(caret - place.wordStart);
            }
            break;
        case TokenKind::Word:
            if (Contains(t, caret, true)) {
                place.wordToken = i;
                place.wordStart = t.start;
                place.typed = t.text.left(caret - t.start);
            }
            break;
        case TokenKind::Symbol: break;
        }
    }
    return place;
}

// The word just before a code position, in lower case, or empty.
QString WordBefore(const QList<SqlToken>& code, int before) {
    return before > 0 ? code[before - 1].LowerWord() : QString();
}

struct Decision {
    CompletionContext context = CompletionContext::General;
    QList<ColumnChoice> columns;                        // Members and InsertColumns
    QList<const CompletionIndex::Relation*> relations;  // Members of a schema
};

// "INTO name (" or "INTO schema.name (": the table the '(' at open lists the columns of.
bool InsertTarget(const StatementScope& scope, int open, Decision& decision) {
    const QList<SqlToken>& code = scope.Code();
    int i = open - 1;
    if (i < 0 || !code[i].IsName()) return false;
    const SqlToken& name = code[i];
    QString schema;
    if (i >= 2 && code[i - 1].Is('.') && code[i - 2].IsName()) {
        schema = code[i - 2].text;
        i -= 2;
    }
    if (WordBefore(code, i) != u"into") return false;
    decision.context = CompletionContext::InsertColumns;
    if (schema.isEmpty())
        if (const CommonTable* table = scope.FindCommonTable(name.text)) {
            decision.columns = scope.ColumnsOf(*table);
            return true;
        }
    if (const auto* relation = scope.Resolve(schema, name.text, name.kind == TokenKind::QuotedName))
        decision.columns = StatementScope::ColumnsOf(*relation);
    return true;
}

// The clause the caret is in, read back from it at its own depth of brackets.
Decision ClauseAt(const StatementScope& scope, int before) {
    const QList<SqlToken>& code = scope.Code();
    Decision decision;
    const QString previous = WordBefore(code, before);
    if (previous == u"from" || previous == u"join" || previous == u"update" ||
        previous == u"into" || previous == u"table") {
        decision.context = CompletionContext::Relations;
        return decision;
    }
    const bool afterComma = before > 0 && code[before - 1].Is(',');
    int depth = 0;
    for (int i = before - 1; i >= 0; --i) {
        const SqlToken& t = code[i];
        if (t.Is(')')) {
            ++depth;
            continue;
        }
        if (t.Is('(')) {
            if (depth > 0)
                --depth;
            else if (InsertTarget(scope, i, decision))
                return decision;
            continue;
        }
        if (depth > 0 || t.kind != TokenKind::Word) continue;
        const QString word = t.text.toLower();
        static const QSet<QString> columnClauses = {
            QStringLiteral("select"), QStringLiteral("where"),    QStringLiteral("on"),
            QStringLiteral("having"), QStringLiteral("by"),       QStringLiteral("set"),
            QStringLiteral("and"),    QStringLiteral("or"),       QStringLiteral("when"),
            QStringLiteral("then"),   QStringLiteral("else"),     QStringLiteral("case"),
            QStringLiteral("not"),    QStringLiteral("distinct"), QStringLiteral("returning"),
            QStringLiteral("using")};
        static const QSet<QString> otherClauses = {
            QStringLiteral("update"), QStringLiteral("into"),   QStringLiteral("values"),
            QStringLiteral("with"),   QStringLiteral("limit"),  QStringLiteral("offset"),
            QStringLiteral("table"),  QStringLiteral("union"),  QStringLiteral("intersect"),
            QStringLiteral("except"), QStringLiteral("create"), QStringLiteral("insert"),
            QStringLiteral("delete"), QStringLiteral("drop"),   QStringLiteral("alter")};
        if (columnClauses.contains(word)) {
            decision.context = CompletionContext::Columns;
            return decision;
        }
        if (word == u"from" || word == u"join") {
            decision.context = afterComma && word == u"from" ? CompletionContext::Relations
                                                             : CompletionContext::General;
            return decision;
        }
        if (otherClauses.contains(word)) return decision;
    }
    return decision;
}

// After "q." or "s.q.": what the qualifier holds.
bool Qualified(const StatementScope& scope, const CompletionIndex* index, int before,
               Decision& decision) {
    const QList<SqlToken>& code = scope.Code();
    if (before < 2 || !code[before - 1].Is('.') || !code[before - 2].IsName()) return false;
    decision.context = CompletionContext::Members;
    const SqlToken& qualifier = code[before - 2];
    const bool quoted = qualifier.kind == TokenKind::QuotedName;
    if (before >= 4 && code[before - 3].Is('.') && code[before - 4].IsName()) {
        if (const auto* relation = scope.Resolve(code[before - 4].text, qualifier.text, quoted))
            decision.columns = StatementScope::ColumnsOf(*relation);
        return true;
    }
    if (const TableRef* ref = scope.FindVisible(qualifier.text, before)) {
        decision.columns = scope.ColumnsOf(*ref);
    } else if (const CommonTable* table = scope.FindCommonTable(qualifier.text)) {
        decision.columns = scope.ColumnsOf(*table);
    } else if (const auto* relation = scope.Resolve({}, qualifier.text, quoted)) {
        decision.columns = StatementScope::ColumnsOf(*relation);
    } else if (index) {
        const QString schema = index->FindSchema(qualifier.text);
        if (!schema.isEmpty())
            for (const CompletionIndex::Relation& relation : index->Relations())
                if (relation.schema == schema) decision.relations.append(&relation);
    }
    return true;
}

// A candidate before it is ranked and its text made.
struct Pending {
    int match = 0;  // 0 starts with what was typed, 1 contains it
    int tier = 0;   // 0 what the context asks for, 1 other names, 2 keywords
    QString lower;
    QString label;
    CandidateKind kind = CandidateKind::Keyword;
    QString detail;
    QString schema;  // a relation offered qualified
    const CompletionIndex::Relation* relation = nullptr;
};

class Gatherer {
public:
    Gatherer(const QString& typed) : typed_(typed.toLower()) {}

    int MatchOf(const QString& lower) const {
        if (typed_.isEmpty() || lower.startsWith(typed_)) return 0;
        return lower.contains(typed_) ? 1 : -1;
    }

    void Add(int tier, const QString& label, CandidateKind kind, const QString& detail) {
        const QString lower = label.toLower();
        const int match = MatchOf(lower);
        if (match < 0) return;
        const QString key = QString::number(int(kind)) + lower;
        if (seen_.contains(key)) return;
        seen_.insert(key);
        pending_.push_back({match, tier, lower, label, kind, detail, {}, nullptr});
    }

    void AddRelation(int tier, const CompletionIndex::Relation& relation, bool qualified) {
        const QString& lower = qualified ? relation.lower : relation.name.toLower();
        const int match = MatchOf(lower);
        if (match < 0) return;
        pending_.push_back({match,
                            tier,
                            lower,
                            qualified ? relation.label : relation.name,
                            relation.info->kind == core::RelationKind::View ? CandidateKind::View
                                                                            : CandidateKind::Table,
                            {},
                            qualified && !relation.inDefaultSchema ? relation.schema : QString(),
                            &relation});
    }

    void AddColumns(int tier, const QList<ColumnChoice>& columns) {
        for (const ColumnChoice& column : columns)
            Add(tier, column.name, CandidateKind::Column, column.detail);
    }

    // Every relation as offered unqualified or qualified: a walk over ten thousand short labels
    // costs well under a millisecond.
    void AddAllRelations(int tier, const CompletionIndex& index, bool inQuote) {
        for (const CompletionIndex::Relation& relation : index.Relations())
            if (!inQuote || relation.inDefaultSchema) AddRelation(tier, relation, true);
    }

    // The distinct columns of the whole catalogue that start with what was typed, by bisection.
    void AddColumnsByPrefix(int tier, const CompletionIndex& index) {
        if (typed_.isEmpty()) return;
        const auto& columns = index.Columns();
        for (auto it = CompletionIndex::LowerBound(columns, typed_);
             it != columns.end() && it->lower.startsWith(typed_); ++it) {
            Add(tier, it->name, CandidateKind::Column, ColumnDetail(*it->relation, *it->info));
        }
    }

    void AddKeywords(int tier) {
        for (const QString& word : CompletionKeywords())
            Add(tier, word, CandidateKind::Keyword, {});
    }

    std::vector<Pending> Ranked(int limit) {
        const auto before = [](const Pending& a, const Pending& b) {
            if (a.match != b.match) return a.match < b.match;
            if (a.tier != b.tier) return a.tier < b.tier;
            if (a.lower != b.lower) return a.lower < b.lower;
            return a.label < b.label;
        };
        const size_t keep = std::min(pending_.size(), size_t(std::max(limit, 0)));
        std::partial_sort(pending_.begin(), pending_.begin() + qsizetype(keep), pending_.end(),
                          before);
        pending_.resize(keep);
        return std::move(pending_);
    }

private:
    QString typed_;
    QSet<QString> seen_;  // kind and name of what Add offered: each once
    std::vector<Pending> pending_;
};

// The statement's WITH queries and the catalogue's relations at tier, its schemas after them.
void AddRelations(Gatherer& gather, const StatementScope& scope, const CompletionIndex* index,
                  bool inQuote, int tier) {
    for (const CommonTable& table : scope.CommonTables())
        gather.Add(tier, table.name, CandidateKind::Table, {});
    if (!index) return;
    gather.AddAllRelations(tier, *index, inQuote);
    for (const QString& schema : index->Schemas())
        gather.Add(1, schema, CandidateKind::Schema, QStringLiteral("schema"));
}

QString KeywordText(const QString& word, const QString& typed) {
    const bool upper =
        std::any_of(typed.begin(), typed.end(), [](QChar c) { return c.isLetter(); }) &&
        typed == typed.toUpper();
    return upper ? word.toUpper() : word;
}

QString DetailOf(const Pending& pending) {
    if (!pending.relation) return pending.detail;
    const bool view = pending.relation->info->kind == core::RelationKind::View;
    return view ? QStringLiteral("view") : QStringLiteral("table");
}

}  // namespace

const QStringList& CompletionKeywords() {
    static const QStringList words = [] {
        QStringList list;
        // Words of the colouring's vocabulary, and those a query needs that it does not colour.
        for (const auto source : {SqlKeywords(), SqlLiterals(), SqlDangerous(), SqlFunctions()})
            for (const char* word : source) list.append(QString::fromLatin1(word));
        for (const char* word :
             {"on",   "having",  "with",      "case",   "when",      "then",   "else",
              "end",  "between", "outer",     "full",   "cross",     "offset", "using",
              "view", "index",   "recursive", "except", "intersect", "all",    "returning",
              "sum",  "avg",     "coalesce",  "cast"})
            list.append(QString::fromLatin1(word));
        // "*" is not a word, and the vocabulary's "outher" is a spelling no engine accepts.
        list.removeAll(QStringLiteral("*"));
        list.removeAll(QStringLiteral("outher"));
        list.removeDuplicates();
        return list;
    }();
    return words;
}

Completion CompleteAt(QStringView statement, int caret, const CompletionIndex* index, int limit) {
    caret = std::clamp(caret, 0, int(statement.size()));
    QList<SqlToken> tokens = TokenizeSql(statement);
    Place place = Locate(statement, tokens, caret);
    // A quote just typed pairs with the next name's opening quote and leaves the statement's end
    // inside a quote: read it as closed at the caret, so the rest of the statement stays code.
    QString mended;
    if (place.inQuote && !place.quoteOpen && tokens.last().open) {
        const QChar close = place.quote == QLatin1Char('[') ? QLatin1Char(']') : place.quote;
        mended = statement.left(caret).toString() + close + statement.mid(caret).toString();
        tokens = TokenizeSql(mended);
        place = Locate(mended, tokens, caret);
        place.quoteOpen = true;
    }
    Completion completion;
    completion.wordStart = place.wordStart;
    completion.typed = place.typed;
    completion.inQuote = place.inQuote;
    if (place.nothing) return completion;

    QList<SqlToken> code;
    int before = 0;
    const int wordTokenStart = place.wordToken >= 0 ? tokens[place.wordToken].start : caret;
    for (const SqlToken& t : tokens) {
        if (t.kind == TokenKind::Comment) continue;
        if (t.end <= wordTokenStart) ++before;
        code.append(t);
    }
    const StatementScope scope(std::move(code), index);
    Decision decision;
    if (!Qualified(scope, index, before, decision)) decision = ClauseAt(scope, before);
    completion.context = decision.context;

    Gatherer gather(place.typed);
    switch (decision.context) {
    case CompletionContext::None: break;
    case CompletionContext::Members:
        gather.AddColumns(0, decision.columns);
        for (const auto* relation : decision.relations) gather.AddRelation(0, *relation, false);
        break;
    case CompletionContext::InsertColumns: gather.AddColumns(0, decision.columns); break;
    case CompletionContext::Columns: {
        const QList<const TableRef*> visible = scope.VisibleAt(before);
        for (const TableRef* ref : visible) gather.AddColumns(0, scope.ColumnsOf(*ref));
        for (const TableRef* ref : visible)
            if (!ref->Handle().isEmpty())
                gather.Add(1, ref->Handle(), CandidateKind::Table,
                           ref->alias.isEmpty() ? QString() : ref->name);
        if (index && visible.isEmpty()) gather.AddColumnsByPrefix(1, *index);
        AddRelations(gather, scope, index, place.inQuote, 1);
        if (!place.inQuote) gather.AddKeywords(2);
        break;
    }
    case CompletionContext::Relations:
        AddRelations(gather, scope, index, place.inQuote, 0);
        if (!place.inQuote) gather.AddKeywords(2);
        break;
    case CompletionContext::General:
        if (!place.inQuote) gather.AddKeywords(0);
        break;
    }

    const core::SchemaInfo* schema = index ? &index->Schema() : nullptr;
    for (Pending& pending : gather.Ranked(limit)) {
        CompletionCandidate candidate;
        candidate.label = pending.label;
        candidate.kind = pending.kind;
        candidate.detail = DetailOf(pending);
        const QString name = pending.relation ? pending.relation->name : pending.label;
        if (pending.kind == CandidateKind::Keyword) {
            candidate.text = KeywordText(pending.label, place.typed);
        } else if (place.inQuote) {
            const QChar close = place.quote == QLatin1Char('[') ? QLatin1Char(']') : place.quote;
            candidate.text =
                EscapeInQuote(name, place.quote) + (place.quoteOpen ? QString(close) : QString());
        } else if (schema) {
            candidate.text = QuoteName(name, *schema);
            if (!pending.schema.isEmpty())
                candidate.text = QuoteName(pending.schema, *schema) + u'.' + candidate.text;
        } else {
            candidate.text = name;
        }
        completion.candidates.append(candidate);
    }
    return completion;
}

}  // namespace tbn::editor
