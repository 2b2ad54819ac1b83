#pragma once
// The query window's text pane: a plain-text editor for SQL. The text itself behaves exactly as in
// a QPlainTextEdit (positions, selection, clipboard, the bytes saved).
#include <QPlainTextEdit>

namespace tbn::editor {

class SqlEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit SqlEdit(QWidget* parent = nullptr);
    ~SqlEdit() override;
};

}  // namespace tbn::editor
