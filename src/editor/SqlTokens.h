#pragma once
// The statement around a caret and its tokens, for completion: which text to read and what each
// piece of it is. Strings, quoted names and comments are told apart by the pane's own scanner, so
// completion and colouring never disagree about what is code.
#include <QList>
#include <QString>
#include <QStringView>

class QTextDocument;

namespace tbn::editor {

enum class TokenKind { Word, QuotedName, String, Number, Symbol, Comment };

struct SqlToken {
    TokenKind kind = TokenKind::Symbol;
    int start = 0;  // in the text tokenized
    int end = 0;    // one past the last character, delimiters included
    // Word: as written; QuotedName: the name without its delimiters, doubled quotes undone;
    // Symbol: its one character; the others: empty.
    QString text;
    bool open = false;  // a string, quoted name or block comment the text ends inside
    QChar quote;        // the opening delimiter of a quoted name

    bool IsName() const { return kind == TokenKind::Word || kind == TokenKind::QuotedName; }
    bool Is(char symbol) const {
        return kind == TokenKind::Symbol && text[0] == QLatin1Char(symbol);
    }
    // A word spelt so in any case.
    bool IsWord(const char* lowerWord) const {
        return kind == TokenKind::Word &&
               text.compare(QLatin1String(lowerWord), Qt::CaseInsensitive) == 0;
    }
    QString LowerWord() const { return kind == TokenKind::Word ? text.toLower() : QString(); }
};

// A character of a word or an unquoted name.
inline bool IsSqlWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// Every token of a text that starts in code, comments included, in order; blanks are not tokens.
QList<SqlToken> TokenizeSql(QStringView text);

// The statement a caret is in: from just after the previous ';' in code to the next one (or the
// text's ends), with where it starts in the whole text. A statement is read at most
// kStatementSearchLines lines either side of the caret, so a script without any ';' costs no more
// than that.
inline constexpr int kStatementSearchLines = 300;
struct StatementText {
    QString text;  // line breaks as '\n'
    int start = 0;
};
StatementText StatementAt(QStringView text, int caret);
// The same for a document the pane colours: each line is read from the state its highlighter left
// on the line before, so only the statement's own lines are scanned.
StatementText StatementAt(const QTextDocument& document, int caret);

}  // namespace tbn::editor
