#include "ui/MsgBox.h"

#include "ui/Responder.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tbn::platform {

namespace {
QMessageBox::Icon iconFor(int style) {
    switch (style & 0x70) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}
} // namespace

void SetMsgBoxResponder(MsgBoxResponder r) { InstalledResponder<MsgBoxResponder>() = std::move(r); }

int MsgBox(const QString& prompt, int style, const QString& title) {
    if (const MsgBoxResponder& responder = InstalledResponder<MsgBoxResponder>())
        return responder(MsgBoxCall{prompt, style, title});

    QMessageBox box(iconFor(style), title, prompt, QMessageBox::NoButton, QApplication::activeWindow());
    const bool yesNo = (style & 0x7) == vbYesNo;
    QAbstractButton* first = nullptr;
    QAbstractButton* second = nullptr;
    if (yesNo) {
        first = box.addButton(QMessageBox::Yes);
        second = box.addButton(QMessageBox::No);
    } else {
        first = box.addButton(QMessageBox::Ok);
    }
    box.setDefaultButton(qobject_cast<QPushButton*>((style & vbDefaultButton2) && second ? second : first));
    // An empty title must stay empty rather than fall back to the application's name.
    box.setWindowTitle(title.isEmpty() ? QStringLiteral(" ") : title);
    box.exec();
    if (!yesNo) return vbOK;
    return box.clickedButton() == first ? vbYes : vbNo;
}

} // namespace tbn::platform
