#include "ui/Modal.h"

#include <QDialog>

namespace tbn::platform {

namespace {
ModalResponder& responder() {
    static ModalResponder instance;
    return instance;
}
} // namespace

void SetModalResponder(ModalResponder r) { responder() = std::move(r); }

int ExecModal(QDialog& dialog) {
    if (responder()) return responder()(dialog);
    return dialog.exec();
}

} // namespace tbn::platform
