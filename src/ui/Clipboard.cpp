#include "ui/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace tbn::ui::Clipboard {
void Clear() { QGuiApplication::clipboard()->clear(); }
void SetText(const QString& text) { QGuiApplication::clipboard()->setText(text); }
QString GetText() { return QGuiApplication::clipboard()->text(); }
}  // namespace tbn::ui::Clipboard
