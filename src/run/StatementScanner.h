#pragma once
// The one reading of SQL text that the statement splitter and every check on a run's text share,
// so that they agree on what a quote or a comment hides: a ";" or a word inside one is no part of
// the statement around it. Positions are those of the pane's text box (UTF-16 units).
#include <QString>
#include <QStringView>

namespace tbn::run {

// Walks the text one lexical piece at a time. Quotes are '...' (E'...' with backslash escapes),
// "...", `...`, [...] and $tag$...$tag$; comments are -- to the line's end and /* ... */, not
// nested. Text that is never closed runs to the end. The text must outlive the scanner.
class StatementScanner {
public:
    explicit StatementScanner(const QString& text)
        : text_(text), size_(static_cast<int>(text.size())) {}

    int position() const { return i_; }
    bool AtEnd() const { return i_ >= size_; }

    // Skips blanks and comments; true when something else follows.
    bool SkipBlanksAndComments();
    // Steps over a word that starts here (a letter or "_" first) and returns it; empty when none
    // does.
    QStringView TakeWord();
    // Steps over one piece that is not a blank or comment start: a quoted text, a dollar-quoted
    // body, or one character. Returns true when that piece was a ";".
    bool StepPiece();

private:
    bool At(const char* token) const;
    void SkipQuoted(QChar quote, bool backslashEscapes);
    void SkipDollarQuoted();

    const QString& text_;
    const int size_;
    int i_ = 0;
};

}  // namespace tbn::run
