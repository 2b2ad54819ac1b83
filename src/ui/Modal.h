#pragma once
// Runs a dialog modally. Tests install a responder that plays the person at the dialog: it gets
// the real, fully built dialog (not shown), may fill it and press its buttons, and returns the
// dialog's result; the dialog's own logic runs as it would for a person.
#include <functional>

class QDialog;

namespace tbn::ui {

int ExecModal(QDialog& dialog);

using ModalResponder = std::function<int(QDialog&)>;
void SetModalResponder(ModalResponder responder);  // empty: real modal runs again

}  // namespace tbn::ui
