#include "run/StatementAtCaret.h"

#include "run/StatementScanner.h"

#include <algorithm>
#include <vector>

namespace tbn::run {

namespace {

struct Statement {
    TextSpan span;  // empty when only blanks and comments stood there
    int reach = 0;  // just past its ";", or the text's end
};

std::vector<Statement> Statements(const QString& text) {
    std::vector<Statement> statements;
    StatementScanner scanner(text);
    while (!scanner.AtEnd()) {
        Statement statement;
        int lastEnd = -1;  // end of the last piece that was neither blank, comment nor the ";"
        bool ended = false;
        while (!ended && scanner.SkipBlanksAndComments()) {
            const int pieceStart = scanner.position();
            if (lastEnd < 0) statement.span.start = pieceStart;
            ended = scanner.StepPiece();
            if (!ended) lastEnd = scanner.position();
        }
        if (lastEnd >= 0) statement.span.length = lastEnd - statement.span.start;
        statement.reach = scanner.position();
        statements.push_back(statement);
    }
    return statements;
}

}  // namespace

bool MayChangeSchema(const QString& text) {
    static const char* const kChangingWords[] = {"create", "alter", "drop", "attach", "detach"};
    StatementScanner scanner(text);
    while (scanner.SkipBlanksAndComments()) {
        const QStringView word = scanner.TakeWord();
        if (word.isEmpty()) {
            scanner.StepPiece();
            continue;
        }
        for (const char* changing : kChangingWords)
            if (word.compare(QLatin1String(changing), Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

std::vector<int> StatementStarts(const QString& text) {
    std::vector<int> starts;
    for (const Statement& statement : Statements(text))
        if (statement.span.length > 0) starts.push_back(statement.span.start);
    return starts;
}

TextSpan StatementAt(const QString& text, int caret) {
    const std::vector<Statement> statements = Statements(text);
    if (statements.empty()) return {};
    const int size = static_cast<int>(statements.size());
    int at = size - 1;
    for (int k = 0; k < size; ++k) {
        if (caret <= statements[k].reach) {
            at = k;
            break;
        }
    }
    for (int k = at; k >= 0; --k)
        if (statements[k].span.length > 0) return statements[k].span;
    for (int k = at + 1; k < size; ++k)
        if (statements[k].span.length > 0) return statements[k].span;
    return {};
}

}  // namespace tbn::run
