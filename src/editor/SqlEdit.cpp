#include "editor/SqlEdit.h"

#include "editor/SqlHighlighter.h"

namespace tbn::editor {

SqlEdit::SqlEdit(QWidget* parent) : QPlainTextEdit(parent) {
    highlighter_ = new SqlHighlighter(document());
}

SqlEdit::~SqlEdit() = default;

void SqlEdit::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) highlighter_->UsePalette(palette());
}

}  // namespace tbn::editor
