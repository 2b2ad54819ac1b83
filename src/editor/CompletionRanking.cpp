#include "editor/CompletionRanking.h"

#include <algorithm>

namespace tbn::editor {

int CandidateList::MatchOf(const QString& lower) const {
    if (typed_.isEmpty() || lower.startsWith(typed_)) return 0;
    return lower.contains(typed_) ? 1 : -1;
}

void CandidateList::Add(int tier, const QString& label, CandidateKind kind, const QString& detail) {
    const QString lower = label.toLower();
    const int match = MatchOf(lower);
    if (match < 0) return;
    const QString key = QString::number(int(kind)) + lower;
    if (seen_.contains(key)) return;
    seen_.insert(key);
    pending_.push_back({match, tier, lower, label, kind, detail, {}, nullptr});
}

void CandidateList::AddRelation(int tier, const CompletionIndex::Relation& relation,
                                bool qualified) {
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

void CandidateList::AddColumns(int tier, const QList<ColumnChoice>& columns) {
    for (const ColumnChoice& column : columns)
        Add(tier, column.name, CandidateKind::Column, column.detail);
}

// A walk over ten thousand short labels costs well under a millisecond; the columns, twenty times
// as many, are only ever reached by bisection.
void CandidateList::AddAllRelations(int tier, const CompletionIndex& index, bool inQuote) {
    for (const CompletionIndex::Relation& relation : index.Relations())
        if (!inQuote || relation.inDefaultSchema) AddRelation(tier, relation, true);
}

void CandidateList::AddColumnsByPrefix(int tier, const CompletionIndex& index) {
    if (typed_.isEmpty()) return;
    const auto& columns = index.Columns();
    for (auto it = CompletionIndex::LowerBound(columns, typed_);
         it != columns.end() && it->lower.startsWith(typed_); ++it)
        Add(tier, it->name, CandidateKind::Column, ColumnDetail(*it->relation, *it->info));
}

void CandidateList::AddKeywords(int tier) {
    for (const QString& word : CompletionKeywords()) Add(tier, word, CandidateKind::Keyword, {});
}

std::vector<Pending> CandidateList::Ranked(int limit) {
    const auto before = [](const Pending& a, const Pending& b) {
        if (a.match != b.match) return a.match < b.match;
        if (a.tier != b.tier) return a.tier < b.tier;
        if (a.lower != b.lower) return a.lower < b.lower;
        return a.label < b.label;
    };
    const size_t keep = std::min(pending_.size(), size_t(std::max(limit, 0)));
    std::partial_sort(pending_.begin(), pending_.begin() + qsizetype(keep), pending_.end(), before);
    pending_.resize(keep);
    return std::move(pending_);
}

}  // namespace tbn::editor
