#pragma once
// The query window's text pane: a plain-text editor for SQL. The text itself behaves exactly as in
// a QPlainTextEdit (positions, selection, clipboard, the bytes saved); what this class adds is
// presentation around it: live colouring.
#include <QPlainTextEdit>

namespace tbn::editor {

class SqlHighlighter;

class SqlEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit SqlEdit(QWidget* parent = nullptr);
    ~SqlEdit() override;

    SqlHighlighter* highlighter() const { return highlighter_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    SqlHighlighter* highlighter_ = nullptr;
};

}  // namespace tbn::editor
