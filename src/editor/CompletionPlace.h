#pragma once
// Where a caret stands in a statement's tokens, and what that place asks completion for: the
// word typed so far, and the clause or qualifier before it.
#include "editor/Completion.h"
#include "editor/CompletionScope.h"
#include "editor/SqlTokens.h"

namespace tbn::editor {

// Where the caret is among the tokens: the word it ends, if any.
struct CaretPlace {
    bool nothing = false;  // in a string, a comment or a number
    int wordToken = -1;    // in all tokens
    int wordStart = 0;
    QString typed;
    bool inQuote = false;
    bool quoteOpen = false;  // the quoted name has no closing quote yet
    QChar quote;
};

CaretPlace LocateCaret(QStringView statement, const QList<SqlToken>& tokens, int caret);

// What the place after the first `before` code tokens asks for.
struct PlaceNeeds {
    CompletionContext context = CompletionContext::General;
    QList<ColumnChoice> columns;                        // Members and InsertColumns
    QList<const CompletionIndex::Relation*> relations;  // Members of a schema
};

PlaceNeeds NeedsAt(const StatementScope& scope, const CompletionIndex* index, int before);

}  // namespace tbn::editor
