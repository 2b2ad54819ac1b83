#pragma once
// The names completion may offer at a place, gathered with how well each matches what was typed
// and how much the place asks for it, then ranked: names that start with what was typed before
// those that contain it, then by tier (what the place asks for, other names, keywords), then by
// name. Only the best are kept, so a list of ten thousand tables sorts no further than that.
#include "editor/Completion.h"
#include "editor/CompletionScope.h"

#include <QSet>
#include <vector>

namespace tbn::editor {

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

class CandidateList {
public:
    // typed: the word typed so far; a name that neither starts with nor contains it (in any
    // case) is never added.
    explicit CandidateList(const QString& typed) : typed_(typed.toLower()) {}

    // A name, once per kind.
    void Add(int tier, const QString& label, CandidateKind kind, const QString& detail);
    // A relation by its name alone, or as its label (qualified outside the default schemas).
    void AddRelation(int tier, const CompletionIndex::Relation& relation, bool qualified);
    void AddColumns(int tier, const QList<ColumnChoice>& columns);
    // Every relation of the catalogue; inside a quote, only those that need no qualifier.
    void AddAllRelations(int tier, const CompletionIndex& index, bool inQuote);
    // The catalogue's distinct column names that start with what was typed (none for no word).
    void AddColumnsByPrefix(int tier, const CompletionIndex& index);
    void AddKeywords(int tier);

    // The best `limit` in rank order; the list is spent.
    std::vector<Pending> Ranked(int limit);

private:
    QString typed_;
    QSet<QString> seen_;  // kind and name of what Add offered: each once
    std::vector<Pending> pending_;

    int MatchOf(const QString& lower) const;
};

}  // namespace tbn::editor
