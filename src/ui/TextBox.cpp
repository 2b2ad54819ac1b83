#include "ui/TextBox.h"

#include "core/LineBreaks.h"
#include "core/PropertyErrors.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace tbn::ui {

namespace {
// The document's text with one '\n' per break, position for position as its cursors count.
// toPlainText() would also turn non-breaking spaces into spaces, which must reach a query intact.
QString InsideText(const QPlainTextEdit* edit) {
    QString text = edit->document()->toRawText();
    for (QChar& ch : text)
        if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator) ch = QLatin1Char('\n');
    return text;
}
}  // namespace

TextBox::TextBox(QLineEdit* edit) : line_(edit) {}

TextBox::TextBox(QPlainTextEdit* edit) : plain_(edit) {}

QWidget* TextBox::widget() const {
    if (line_) return line_;
    return plain_;
}

QString TextBox::Text() const { return line_ ? line_->text() : core::ToCrLf(InsideText(plain_)); }

void TextBox::SetText(const QString& text) {
    if (line_) {
        line_->setText(text);
        line_->setCursorPosition(0);
        return;
    }
    plain_->setPlainText(core::ToLf(text));
    QTextCursor cursor = plain_->textCursor();
    cursor.movePosition(QTextCursor::Start);
    plain_->setTextCursor(cursor);
}

int TextBox::SelStart() const {
    if (line_) return line_->hasSelectedText() ? line_->selectionStart() : line_->cursorPosition();
    return core::ToOutsidePosition(InsideText(plain_), plain_->textCursor().selectionStart());
}

void TextBox::SetSelStart(int start) {
    if (start < 0) core::RaiseInvalidPropertyValue();
    if (line_) {
        line_->setCursorPosition(std::min<int>(start, static_cast<int>(line_->text().size())));
        return;
    }
    QTextCursor cursor = plain_->textCursor();
    cursor.setPosition(core::ToInsidePosition(InsideText(plain_), start, core::BreakSnap::Before));
    plain_->setTextCursor(cursor);
}

int TextBox::SelLength() const {
    if (line_) return static_cast<int>(line_->selectedText().size());
    const QString text = InsideText(plain_);
    const QTextCursor cursor = plain_->textCursor();
    return core::ToOutsidePosition(text, cursor.selectionEnd()) -
           core::ToOutsidePosition(text, cursor.selectionStart());
}

void TextBox::SetSelLength(int length) {
    if (length < 0) core::RaiseInvalidPropertyValue();
    const int start = SelStart();
    if (line_) {
        const int available = static_cast<int>(line_->text().size()) - start;
        const int clamped = std::min(length, available);
        if (clamped > 0)
            line_->setSelection(start, clamped);
        else
            line_->setCursorPosition(start);
        return;
    }
    const QString text = InsideText(plain_);
    QTextCursor cursor = plain_->textCursor();
    cursor.setPosition(core::ToInsidePosition(text, start, core::BreakSnap::Before));
    // A length that ends between CR and LF takes the whole break rather than half of it.
    cursor.setPosition(core::ToInsidePosition(text, start + length, core::BreakSnap::After),
                       QTextCursor::KeepAnchor);
    plain_->setTextCursor(cursor);
}

QString TextBox::SelText() const {
    if (line_) return line_->selectedText();
    const QTextCursor cursor = plain_->textCursor();
    const QString text = InsideText(plain_);
    return core::ToCrLf(
        text.mid(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()));
}

void TextBox::SetSelText(const QString& text) {
    if (line_) {
        line_->insert(text);
        return;
    }
    QTextCursor cursor = plain_->textCursor();
    cursor.insertText(core::ToLf(text));
    plain_->setTextCursor(cursor);
}

}  // namespace tbn::ui
