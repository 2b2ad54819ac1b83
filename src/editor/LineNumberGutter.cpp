#include "editor/LineNumberGutter.h"

#include "editor/SqlEdit.h"

namespace tbn::editor {

LineNumberGutter::LineNumberGutter(SqlEdit* editor) : QWidget(editor), editor_(editor) {
    setObjectName(QStringLiteral("lineNumbers"));
}

QSize LineNumberGutter::sizeHint() const { return {editor_->GutterWidth(), 0}; }

void LineNumberGutter::paintEvent(QPaintEvent* event) { editor_->PaintGutter(event); }

}  // namespace tbn::editor
