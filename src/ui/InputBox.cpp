#include "ui/InputBox.h"

#include "ui/Responder.h"

#include <QApplication>
#include <QInputDialog>

namespace tbn::ui {

void SetInputBoxResponder(InputBoxResponder responder) {
    InstalledResponder<InputBoxResponder>() = std::move(responder);
}

std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                const QString& defaultText, QWidget* owner) {
    if (const InputBoxResponder& responder = InstalledResponder<InputBoxResponder>())
        return responder(InputBoxCall{prompt, title, defaultText});
    bool ok = false;
    const QString text = QInputDialog::getText(owner ? owner : QApplication::activeWindow(), title,
                                               prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok) return std::nullopt;
    return text;
}

}  // namespace tbn::ui
