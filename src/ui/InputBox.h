#pragma once
// Asks the user for one line of text, with a suggested answer already filled in.
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tbn::ui {

// The text as the user left it, or nothing when the question was cancelled.
std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                const QString& defaultText, QWidget* owner = nullptr);

// Test seam: while a responder is installed it answers instead of a person. An empty function
// restores the dialog.
struct InputBoxCall {
    QString prompt;
    QString title;
    QString defaultText;
};
using InputBoxResponder = std::function<std::optional<QString>(const InputBoxCall&)>;
void SetInputBoxResponder(InputBoxResponder responder);

}  // namespace tbn::ui
