#include "editor/SqlEdit.h"

namespace tbn::editor {

SqlEdit::SqlEdit(QWidget* parent) : QPlainTextEdit(parent) {}

SqlEdit::~SqlEdit() = default;

}  // namespace tbn::editor
