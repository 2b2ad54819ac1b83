#pragma once
// Edits on the lines a cursor's selection touches (or the cursor's own line), each one undo step.
#include <QTextCursor>

namespace tbn::editor {

// Every touched line that is not blank starts (after its leading blanks) with "-- ": remove the
// marker from each; otherwise put "-- " before each such line's first non-blank character.
void ToggleLineComments(QTextCursor cursor);

// Indents each touched line by four spaces, or takes one tab or up to four leading spaces away.
void IndentLines(QTextCursor cursor);
void UnindentLines(QTextCursor cursor);

// True when the selection runs over more than one line (Tab then indents instead of typing).
bool SelectsSeveralLines(const QTextCursor& cursor);

// Replaces the selection with a line break followed by the current line's leading blanks.
void NewLineKeepingIndent(QTextCursor cursor);

}  // namespace tbn::editor
