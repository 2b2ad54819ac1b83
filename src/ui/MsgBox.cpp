#include "ui/MsgBox.h"

#include "ui/Responder.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <algorithm>

namespace tbn::ui {

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

// The title carries the report's context, and the window manager would cut it in the middle
// where the box is narrower: room for the title in a bold face and the title bar's buttons.
void KeepTitleWhole(QMessageBox& box, const QString& title) {
    if (title.isEmpty()) return;
    QFont bold = box.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int wanted = metrics.horizontalAdvance(title) + 8 * metrics.height();
    if (const QScreen* screen = box.screen())
        wanted = std::min(wanted, screen->availableGeometry().width() * 9 / 10);
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}
}  // namespace

void SetMsgBoxResponder(MsgBoxResponder r) { InstalledResponder<MsgBoxResponder>() = std::move(r); }

int MsgBox(const QString& prompt, int style, const QString& title) {
    if (const MsgBoxResponder& responder = InstalledResponder<MsgBoxResponder>())
        return responder(MsgBoxCall{prompt, style, title});

    QMessageBox box(iconFor(style), title, prompt, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const bool yesNo = (style & 0x7) == vbYesNo || (style & 0x7) == vbYesNoCancel;
    QAbstractButton* first = nullptr;
    QAbstractButton* second = nullptr;
    QAbstractButton* cancel = nullptr;
    if (yesNo) {
        first = box.addButton(QMessageBox::Yes);
        second = box.addButton(QMessageBox::No);
        // Escape and the title bar's close button are Cancel where there is one.
        if ((style & 0x7) == vbYesNoCancel)
            box.setEscapeButton(cancel = box.addButton(QMessageBox::Cancel));
    } else {
        first = box.addButton(QMessageBox::Ok);
    }
    box.setDefaultButton(
        qobject_cast<QPushButton*>((style & vbDefaultButton2) && second ? second : first));
    // An empty title must stay empty rather than fall back to the application's name.
    box.setWindowTitle(title.isEmpty() ? QStringLiteral(" ") : title);
    KeepTitleWhole(box, title);
    box.exec();
    if (!yesNo) return vbOK;
    if (cancel && box.clickedButton() == cancel) return vbCancel;
    return box.clickedButton() == first ? vbYes : vbNo;
}

}  // namespace tbn::ui
