#pragma once
// The system clipboard: plain text, and text carried with richer forms of the same content.
#include <QByteArray>
#include <QString>
#include <vector>

namespace tbn::ui::Clipboard {

// One more form of what the clipboard holds, by its MIME type ("text/html", "text/csv").
struct Form {
    QString mimeType;
    QByteArray data;
};

void Clear();
void SetText(const QString& text);
// Puts the text and the other forms on the clipboard in one step: a paste takes the richest form
// it understands, and a plain-text paste sees exactly the text.
void SetTextAndForms(const QString& text, const std::vector<Form>& forms);
QString GetText();
QByteArray GetForm(const QString& mimeType);  // empty when the clipboard does not hold it
}  // namespace tbn::ui::Clipboard
