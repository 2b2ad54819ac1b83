#pragma once
// The query window's text pane: a plain-text editor for SQL. The text itself behaves exactly as in
// a QPlainTextEdit (positions, selection, clipboard, the bytes saved); what this class adds is
// presentation and editing comfort around it: live colouring, a gutter of line numbers, the
// matching bracket marked, line edits (Ctrl+/ comments, Tab and Shift+Tab indent, Enter keeps
// the indentation), and completion of keywords and catalogue names in a pop-up.
//
// Completion opens on Ctrl+Space, and by itself when a '.' or a word's second character is typed
// (typed keys only: never on a paste, a load, an undo or text set by the program; never in a
// string or a comment). While it is open, Up, Down, PageUp and PageDown move in it, Tab or Enter
// puts the current choice in place of the word typed so far (one undo step), Escape closes it;
// every other key goes to the pane, and the list narrows with the word or closes when nothing
// matches, when the caret leaves the word or when the pane loses the focus.
#include "core/SchemaInfo.h"

#include <QPlainTextEdit>
#include <memory>

namespace tbn::editor {

class SqlHighlighter;
class LineNumberGutter;
class CompletionIndex;
class CompletionPopup;

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
    // The catalogue is indexed here, once.
    void SetCompletionSchema(std::shared_ptr<const core::SchemaInfo> schema);
    const std::shared_ptr<const core::SchemaInfo>& CompletionSchema() const {
        return completionSchema_;
    }

    // Completion is on from the start; off, neither a key nor OpenCompletion opens it.
    void SetCompletionEnabled(bool on);
    // Opens completion at the caret as Ctrl+Space does; false when there is nothing to offer.
    bool OpenCompletion();
    void CloseCompletion();
    // The pop-up while it is open, else nullptr.
    const CompletionPopup* OpenCompletionPopup() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    SqlHighlighter* highlighter_ = nullptr;
    LineNumberGutter* gutter_ = nullptr;
    QList<QTextEdit::ExtraSelection> bracketMarks_;
    std::shared_ptr<const core::SchemaInfo> completionSchema_;
    std::unique_ptr<CompletionIndex> completionIndex_;
    CompletionPopup* popup_ = nullptr;    // made on first use
    int completionWordStart_ = -1;        // where the word the pop-up completes begins
    bool completionOpenedEmpty_ = false;  // opened with no word typed (after '.', Ctrl+Space)
    int dismissedWordStart_ = -1;         // the word Escape closed the pop-up on
    bool completionEditing_ = false;      // a key or a choice is being handled
    bool completionEnabled_ = true;

    enum class CompletionTrigger { Asked, Typed, Narrowed };
    void InitCompletion();
    void EditKey(QKeyEvent* event);
    bool CompletionWantsKey(const QKeyEvent* event) const;
    bool CompletionKey(QKeyEvent* event);
    void AfterKey(const QKeyEvent* event);
    bool ShowCompletion(CompletionTrigger trigger, QChar typed = {});
    void InsertCompletion(int row);

    void UpdateGutterWidth();
    void PlaceGutter();
    void UpdateGutter(const QRect& rect, int dy);
    void MarkBrackets();
    void UpdateTabStop();
};

}  // namespace tbn::editor
