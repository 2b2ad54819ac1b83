#pragma once
// What completion offers at a caret: the context the caret is in (read from the statement around
// it alone) and the names that fit it, ranked. A plain function of the statement's text, the caret
// and the catalogue's index; the pane's pop-up only shows what it returns.
//
// Contexts: after "alias." or "table." the columns of that relation (the alias given with or
// without AS, quoted or not), after "schema." its relations and after "schema.table." that table's
// columns; in a select list, WHERE, GROUP BY, ORDER BY, HAVING, JOIN ... ON and UPDATE ... SET the
// columns of the tables in FROM and JOIN (and of UPDATE's table) before everything else; inside
// "INSERT INTO t (" the columns of t; after FROM, JOIN, UPDATE and INTO the tables and views. The
// names of a WITH query and of a subquery in FROM count as relations, with the columns their
// column list or select list gives.
//
// Ranking: names that start with what was typed (in any case) before those that merely contain
// it; within each, what the context asks for before the rest, the rest before keywords, then by
// name.
#include "editor/CompletionIndex.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace tbn::editor {

enum class CandidateKind { Keyword, Schema, Table, View, Column };

struct CompletionCandidate {
    QString label;  // as shown: the name, schema.name outside the default schemas
    QString text;   // what replaces the word typed so far, quoted where the engine needs it
    CandidateKind kind = CandidateKind::Keyword;
    QString detail;  // a column's relation and type, a relation's kind
};

enum class CompletionContext {
    None,           // in a string, a comment or a number: nothing to offer
    General,        // keywords
    Columns,        // columns of the tables in scope, then relations, then keywords
    Relations,      // tables and views, then schemas, then keywords
    Members,        // after a qualifier: what it holds, nothing else
    InsertColumns,  // the columns of INSERT's table
};

struct Completion {
    CompletionContext context = CompletionContext::None;
    int wordStart = 0;     // where the word typed so far begins (after an opening quote)
    QString typed;         // the word typed so far, up to the caret
    bool inQuote = false;  // the word is inside a quoted name
    QList<CompletionCandidate> candidates;  // best first, at most the limit asked for
};

inline constexpr int kMaxCandidates = 500;

// statement: the text of the statement around the caret (see StatementAt), caret an offset in it.
// index may be null: keywords alone are offered then.
Completion CompleteAt(QStringView statement, int caret, const CompletionIndex* index,
                      int limit = kMaxCandidates);

// The words completion offers as keywords, in lower case, each once.
const QStringList& CompletionKeywords();

}  // namespace tbn::editor
