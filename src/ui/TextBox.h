#pragma once
// The text-box view that windows use on a QLineEdit or QPlainTextEdit: multi-line text is
// exchanged with CR LF line breaks and positions count CR LF as two characters, so the text handed
// to a query, a file or the clipboard is exactly what the user sees. Positions are UTF-16 units.
// A position never falls inside a CR LF: a start there moves before the break, an end after it.
// A negative start or length raises tbn::Error 380 "Invalid property value".
#include <QString>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace tbn::ui {

class TextBox {
public:
    explicit TextBox(QLineEdit* edit);
    explicit TextBox(QPlainTextEdit* edit);

    QString Text() const;
    void SetText(const QString& text);  // caret goes to the start, as a full replacement does
    int SelStart() const;
    void SetSelStart(int start);  // collapses the selection; clamped to the text
    int SelLength() const;
    void SetSelLength(int length);  // from SelStart; clamped to the text
    QString SelText() const;
    void SetSelText(const QString& text);  // replaces the selection, caret after the new text

    QWidget* widget() const;

private:
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* plain_ = nullptr;
};

}  // namespace tbn::ui
