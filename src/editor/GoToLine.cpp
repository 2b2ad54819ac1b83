#include "editor/GoToLine.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <algorithm>

namespace tbn::editor {

bool GoToLine(QPlainTextEdit& editor, const QString& answer) {
    bool number = false;
    const qlonglong line = answer.trimmed().toLongLong(&number);
    if (!number) return false;
    const int blocks = editor.document()->blockCount();
    const auto block = static_cast<int>(std::clamp<qlonglong>(line, 1, blocks)) - 1;
    QTextCursor cursor(editor.document()->findBlockByNumber(block));
    editor.setTextCursor(cursor);
    editor.centerCursor();
    return true;
}

}  // namespace tbn::editor
