#include "editor/CompletionPlace.h"

#include <QSet>

namespace tbn::editor {

namespace {

bool Contains(const SqlToken& t, int caret, bool endInside) {
    return t.start < caret && (caret < t.end || (endInside && caret == t.end));
}

// The word just before a code position, in lower case, or empty.
QString WordBefore(const QList<SqlToken>& code, int before) {
    return before > 0 ? code[before - 1].LowerWord() : QString();
}

// "INTO name (" or "INTO schema.name (": the table the '(' at open lists the columns of.
bool InsertTarget(const StatementScope& scope, int open, PlaceNeeds& decision) {
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
PlaceNeeds ClauseAt(const StatementScope& scope, int before) {
    const QList<SqlToken>& code = scope.Code();
    PlaceNeeds decision;
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
               PlaceNeeds& decision) {
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

}  // namespace

CaretPlace LocateCaret(QStringView statement, const QList<SqlToken>& tokens, int caret) {
    CaretPlace place;
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

PlaceNeeds NeedsAt(const StatementScope& scope, const CompletionIndex* index, int before) {
    PlaceNeeds needs;
    if (!Qualified(scope, index, before, needs)) needs = ClauseAt(scope, before);
    return needs;
}

}  // namespace tbn::editor
