#pragma once
// Moving a text pane's caret to a line the user names. Lines count from 1, one per block of the
// document: the numbering of the line-number gutter and of the error positions.
#include <QString>

class QPlainTextEdit;

namespace tbn::editor {

// Moves the caret to the start of line `answer` (blanks around it allowed), a number past either
// end meaning the first or the last line, and shows it. False, and the caret left where it was,
// when the answer is no number.
bool GoToLine(QPlainTextEdit& editor, const QString& answer);

}  // namespace tbn::editor
