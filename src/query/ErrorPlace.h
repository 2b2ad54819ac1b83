#pragma once
// Finding, in the query pane, the place an engine blamed for a failed run. Positions are those of
// the pane's text box: UTF-16 units of the text with CR LF line breaks, a CR LF counting two.
#include <QString>
#include <cstddef>

namespace tbn::query {

// The position in commandText of the character that starts at byteOffset of its UTF-8 form (the
// form the engine was given); the text's end when the offset lies past it.
int CommandPosition(const QString& commandText, std::size_t byteOffset);

struct LineColumn {
    int line = 1;    // from 1
    int column = 1;  // from 1, in the same units as positions
};
// A line ends at CR LF, a lone CR or a lone LF, as the pane shows them.
LineColumn LineAndColumnAt(const QString& text, int position);

// " (line L, column C)", as it is added to the failure's description.
QString PlaceSuffix(const LineColumn& place);

// How much of text, from position, the engine's complaint most likely concerns: a word, a quoted
// name or string, or else the one character there; 0 at a line's or the text's end.
int TokenLengthAt(const QString& text, int position);

} // namespace tbn::query
