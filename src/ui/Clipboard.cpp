#include "ui/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace tbn::ui::Clipboard {
void Clear() { QGuiApplication::clipboard()->clear(); }
void SetText(const QString& text) { QGuiApplication::clipboard()->setText(text); }
void SetTextAndForms(const QString& text, const std::vector<Form>& forms) {
    auto* data = new QMimeData;  // the clipboard takes it over
    data->setText(text);
    for (const Form& form : forms) data->setData(form.mimeType, form.data);
    QGuiApplication::clipboard()->setMimeData(data);
}
QString GetText() { return QGuiApplication::clipboard()->text(); }
QByteArray GetForm(const QString& mimeType) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data ? data->data(mimeType) : QByteArray();
}
}  // namespace tbn::ui::Clipboard
