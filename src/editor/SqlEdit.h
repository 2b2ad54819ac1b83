#pragma once
// The query window's text pane: a plain-text editor for SQL. The text itself behaves exactly as in
// a QPlainTextEdit (positions, selection, clipboard, the bytes saved); what this class adds is
// presentation and editing comfort around it: live colouring, a gutter of line numbers, the
// matching bracket marked, and line edits (Ctrl+/ comments, Tab and Shift+Tab indent, Enter keeps
// the indentation).
#include "core/SchemaInfo.h"

#include <QPlainTextEdit>
#include <memory>

namespace tbn::editor {

class SqlHighlighter;
class LineNumberGutter;

class SqlEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit SqlEdit(QWidget* parent = nullptr);
    ~SqlEdit() override;

    SqlHighlighter* highlighter() const { return highlighter_; }

    // The pane's bracket marks carry this property among its extra selections; whatever else is
    // marked there (the find bar's matches) is kept as it is.
    static constexpr int kBracketMarkProperty = 0x100000 + 25;

    // The gutter's width for the document's current line count, and its painting; the gutter
    // widget calls these.
    int GutterWidth() const;
    void PaintGutter(QPaintEvent* event);

    // The bracket marks currently shown (empty when the caret is at no bracket).
    QList<QTextEdit::ExtraSelection> BracketMarks() const { return bracketMarks_; }

    // The catalogue completion offers names from; none (the default) offers keywords alone. Kept
    // until replaced: completion never waits for a newer one.
    void SetCompletionSchema(std::shared_ptr<const core::SchemaInfo> schema) {
        completionSchema_ = std::move(schema);
    }
    const std::shared_ptr<const core::SchemaInfo>& CompletionSchema() const {
        return completionSchema_;
    }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    SqlHighlighter* highlighter_ = nullptr;
    LineNumberGutter* gutter_ = nullptr;
    QList<QTextEdit::ExtraSelection> bracketMarks_;
    std::shared_ptr<const core::SchemaInfo> completionSchema_;

    void UpdateGutterWidth();
    void PlaceGutter();
    void UpdateGutter(const QRect& rect, int dy);
    void MarkBrackets();
    void UpdateTabStop();
};

}  // namespace tbn::editor
