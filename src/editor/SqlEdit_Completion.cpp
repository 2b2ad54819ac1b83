// The pane's side of completion: when the pop-up opens, narrows and closes, and the keys it takes.
#include "editor/Completion.h"
#include "editor/CompletionIndex.h"
#include "editor/CompletionPopup.h"
#include "editor/SqlEdit.h"
#include "editor/SqlHighlighter.h"
#include "editor/SqlTokens.h"

#include <QKeyEvent>
#include <QTextBlock>

namespace tbn::editor {

namespace {

Qt::KeyboardModifiers Mods(const QKeyEvent* key) { return key->modifiers() & ~Qt::KeypadModifier; }

bool IsCompletionShortcut(const QKeyEvent* key) {
    return key->key() == Qt::Key_Space && Mods(key) == Qt::ControlModifier;
}

bool IsListKey(const QKeyEvent* key) {
    if (Mods(key) != Qt::NoModifier) return false;
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: return true;
    default: return false;
    }
}

// Whether the character just typed before the caret may open completion, judged from its line
// alone: most keys are typed in the middle or at the start of a word, or in a string or comment,
// and those must cost the pane no more than that line.
bool MayOpenAfter(const QTextCursor& caret, QChar typed) {
    const QTextBlock block = caret.block();
    const QString line = block.text();
    const int at = caret.position() - block.position() - 1;  // the typed character
    if (at < 0 || at >= line.size()) return false;
    bool quoted = false;
    for (const SqlSpan& span : ScanSqlLine(line, SqlHighlighter::StateBefore(block)).spans) {
        if (span.start > at) break;
        if (at >= span.start + span.length) continue;
        if (span.kind == SpanKind::String || span.kind == SpanKind::Comment) return false;
        quoted = span.kind == SpanKind::QuotedName;
    }
    if (typed == QLatin1Char('.') || quoted) return true;
    return at >= 1 && IsSqlWordChar(line[at - 1]);
}

}  // namespace

void SqlEdit::InitCompletion() {
    // A change that no key of the pane made (a paste from the menu, a file loaded, the program's
    // own text) ends the completion; a click elsewhere moves the caret out of the word.
    connect(document(), &QTextDocument::contentsChange, this, [this] {
        if (!completionEditing_) CloseCompletion();
    });
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (!completionEditing_ && OpenCompletionPopup())
            ShowCompletion(CompletionTrigger::Narrowed);
    });
}

void SqlEdit::SetCompletionSchema(std::shared_ptr<const core::SchemaInfo> schema) {
    completionSchema_ = std::move(schema);
    completionIndex_ =
        completionSchema_ ? std::make_unique<CompletionIndex>(completionSchema_) : nullptr;
    if (OpenCompletionPopup()) ShowCompletion(CompletionTrigger::Narrowed);
}

const CompletionPopup* SqlEdit::OpenCompletionPopup() const {
    return popup_ && popup_->isVisible() ? popup_ : nullptr;
}

void SqlEdit::SetCompletionEnabled(bool on) {
    completionEnabled_ = on;
    if (!on) CloseCompletion();
}

bool SqlEdit::OpenCompletion() { return ShowCompletion(CompletionTrigger::Asked); }

void SqlEdit::CloseCompletion() {
    if (popup_) popup_->hide();
}

bool SqlEdit::ShowCompletion(CompletionTrigger trigger, QChar typed) {
    const bool open = OpenCompletionPopup();
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() || isReadOnly() || !completionEnabled_) {
        CloseCompletion();
        return false;
    }
    const int caret = cursor.position();
    const StatementText statement = StatementAt(*document(), caret);
    Completion completion =
        CompleteAt(statement.text, caret - statement.start, completionIndex_.get());
    const int wordStart = statement.start + completion.wordStart;

    bool keep = completion.context != CompletionContext::None && !completion.candidates.isEmpty();
    if (trigger != CompletionTrigger::Asked) {
        // The one name left is the word as typed: nothing to complete.
        if (completion.candidates.size() == 1 &&
            completion.candidates.front().label.compare(completion.typed, Qt::CaseInsensitive) == 0)
            keep = false;
    }
    if (trigger == CompletionTrigger::Typed) {
        // A dot opens what a qualifier holds, never the keywords after "1.".
        if (typed == QLatin1Char('.'))
            keep = keep && completion.context == CompletionContext::Members;
        else
            keep = keep && IsSqlWordChar(typed) && completion.typed.size() >= 2 &&
                   wordStart != dismissedWordStart_;
    }
    if (trigger == CompletionTrigger::Narrowed && open) {
        // The caret left the word, or the word was erased.
        if (wordStart != completionWordStart_) keep = false;
        if (completion.typed.isEmpty() && !completionOpenedEmpty_) keep = false;
    }
    if (!keep) {
        CloseCompletion();
        return false;
    }
    if (!open || trigger == CompletionTrigger::Asked) {
        completionWordStart_ = wordStart;
        completionOpenedEmpty_ = completion.typed.isEmpty();
    }
    if (trigger == CompletionTrigger::Asked) dismissedWordStart_ = -1;
    if (!popup_) {
        popup_ = new CompletionPopup(this);
        connect(popup_, &CompletionPopup::Clicked, this, &SqlEdit::InsertCompletion);
    }
    popup_->setFont(font());
    QTextCursor start = cursor;
    start.setPosition(wordStart);
    const QRect at = cursorRect(start);
    popup_->ShowCandidates(std::move(completion.candidates),
                           QRect(viewport()->mapToGlobal(at.topLeft()), at.size()));
    return true;
}

bool SqlEdit::CompletionWantsKey(const QKeyEvent* event) const {
    return (completionEnabled_ && IsCompletionShortcut(event)) ||
           (OpenCompletionPopup() && IsListKey(event));
}

bool SqlEdit::CompletionKey(QKeyEvent* event) {
    if (completionEnabled_ && IsCompletionShortcut(event)) {
        ShowCompletion(CompletionTrigger::Asked);
    } else if (!OpenCompletionPopup() || !IsListKey(event)) {
        return false;
    } else {
        switch (event->key()) {
        case Qt::Key_Up: popup_->MoveBy(-1); break;
        case Qt::Key_Down: popup_->MoveBy(1); break;
        case Qt::Key_PageUp: popup_->MoveBy(-popup_->PageRows()); break;
        case Qt::Key_PageDown: popup_->MoveBy(popup_->PageRows()); break;
        case Qt::Key_Escape:
            dismissedWordStart_ = completionWordStart_;
            CloseCompletion();
            break;
        default: InsertCompletion(popup_->CurrentRow()); break;  // Tab, Return, Enter
        }
    }
    event->accept();
    return true;
}

void SqlEdit::AfterKey(const QKeyEvent* event) {
    if (OpenCompletionPopup()) ShowCompletion(CompletionTrigger::Narrowed);
    if (OpenCompletionPopup() || !completionEnabled_) return;
    const QString text = event->text();
    if (text.size() != 1 || (Mods(event) & ~Qt::ShiftModifier) != Qt::NoModifier) return;
    if ((text[0] == QLatin1Char('.') || IsSqlWordChar(text[0])) &&
        MayOpenAfter(textCursor(), text[0]))
        ShowCompletion(CompletionTrigger::Typed, text[0]);
}

void SqlEdit::InsertCompletion(int row) {
    if (!popup_ || row < 0 || row >= popup_->Candidates().size()) return CloseCompletion();
    const QString text = popup_->Candidates()[row].text;
    QTextCursor cursor = textCursor();
    const int caret = cursor.position();
    completionEditing_ = true;
    cursor.beginEditBlock();
    cursor.setPosition(std::min(completionWordStart_, caret));
    cursor.setPosition(caret, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    cursor.endEditBlock();
    setTextCursor(cursor);
    completionEditing_ = false;
    CloseCompletion();
}

void SqlEdit::focusOutEvent(QFocusEvent* event) {
    CloseCompletion();
    QPlainTextEdit::focusOutEvent(event);
}

}  // namespace tbn::editor
