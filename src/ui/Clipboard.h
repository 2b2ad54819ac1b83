#pragma once
// The system clipboard, plain text only.
#include <QString>

namespace tbn::ui::Clipboard {
void Clear();
void SetText(const QString& text);
QString GetText();
}  // namespace tbn::ui::Clipboard
