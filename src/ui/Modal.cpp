#include "ui/Modal.h"

#include "ui/Responder.h"

#include <QDialog>

namespace tbn::ui {

void SetModalResponder(ModalResponder r) { InstalledResponder<ModalResponder>() = std::move(r); }

int ExecModal(QDialog& dialog) {
    if (const ModalResponder& responder = InstalledResponder<ModalResponder>())
        return responder(dialog);
    return dialog.exec();
}

}  // namespace tbn::ui
