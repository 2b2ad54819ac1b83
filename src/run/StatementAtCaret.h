#pragma once
// Finding the one statement of the query pane that the caret stands in, so that it alone can run,
// and whether a text may change the schema, so that the catalogue is read again after it.
// Positions are those of the pane's text box (UTF-16 units, a CR LF counting two).
#include <QString>
#include <vector>

namespace tbn::run {

struct TextSpan {
    int start = 0;
    int length = 0;  // 0: no statement
};

// A statement ends at a ";" that stands outside quotes ('...', "...", `...`, [...], $tag$...$tag$)
// and comments (-- to the line's end, /* ... */, not nested). The span holds the statement without
// the blanks and comments before it and without its ";" and the blanks before that. The caret
// belongs to the statement whose ";" is the first one at or after it, a caret right after a ";"
// to the statement that ";" ends; where that holds no statement (blanks or comments after the last
// one), the nearest statement before is taken, else the one after. Text that is never closed (a
// quote, a comment) runs to the end.
TextSpan StatementAt(const QString& text, int caret);

// Where each statement of the text starts, split as StatementAt splits it, in order; a piece
// holding only blanks and comments is no statement.
std::vector<int> StatementStarts(const QString& text);

// Whether running the text may change the database's schema: it holds one of the words CREATE,
// ALTER, DROP, ATTACH or DETACH outside quotes and comments, read as StatementAt reads them.
bool MayChangeSchema(const QString& text);

}  // namespace tbn::run
