#include "editor/Completion.h"

#include "editor/CompletionPlace.h"
#include "editor/CompletionRanking.h"
#include "editor/NameQuoting.h"
#include "editor/SqlTokens.h"
#include "editor/SqlWords.h"

#include <algorithm>

namespace tbn::editor {

namespace {

// The statement's WITH queries and the catalogue's relations at tier, its schemas after them.
void AddRelations(CandidateList& gather, const StatementScope& scope, const CompletionIndex* index,
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
    CaretPlace place = LocateCaret(statement, tokens, caret);
    // A quote just typed pairs with the next name's opening quote and leaves the statement's end
    // inside a quote: read it as closed at the caret, so the rest of the statement stays code.
    QString mended;
    if (place.inQuote && !place.quoteOpen && tokens.last().open) {
        const QChar close = place.quote == QLatin1Char('[') ? QLatin1Char(']') : place.quote;
        mended = statement.left(caret).toString() + close + statement.mid(caret).toString();
        tokens = TokenizeSql(mended);
        place = LocateCaret(mended, tokens, caret);
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
    const PlaceNeeds decision = NeedsAt(scope, index, before);
    completion.context = decision.context;

    CandidateList gather(place.typed);
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
