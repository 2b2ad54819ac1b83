#pragma once
// Text cut for showing. Laying out a text costs time and memory in proportion to its whole length
// at every paint, however little of it fits on the screen, and texts of tens of millions of
// characters overflow the layout and come out blank. Where a text may be that long, what is drawn
// is its beginning and an ellipsis (U+2026); the text itself is kept whole by the caller.
#include <QString>
#include <string_view>

namespace tbn::core {

// `text` when it has at most `maxUnits` UTF-16 units; otherwise its beginning followed by an
// ellipsis, `maxUnits` units at most in all, never splitting a character. maxUnits >= 2.
QString ShownText(const QString& text, qsizetype maxUnits);

// The same for UTF-8 text, decoding only the beginning that can be shown, so the cost does not
// grow with the length of `utf8`.
QString ShownText(std::string_view utf8, qsizetype maxUnits);

// What a cell one line high draws of a UTF-8 text: its first line as ShownText cuts it, and an
// ellipsis after it when more lines follow. Its cost does not grow with the length of `utf8`.
QString ShownFirstLine(std::string_view utf8, qsizetype maxUnits);

}  // namespace tbn::core
