#include "ui/MousePointer.h"

#include <QApplication>
#include <QCursor>

namespace tbn::ui {

namespace {
int currentCode = vbDefault;
int busyWork = 0;
}  // namespace

void SetMousePointer(int code) {
    const int wanted = code == vbHourglass ? vbHourglass : vbDefault;
    if (wanted == currentCode) return;
    currentCode = wanted;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    if (wanted == vbHourglass)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

int MousePointer() { return currentCode; }

void BusyPointer::Begin() {
    ++busyWork;
    SetMousePointer(vbHourglass);
}

void BusyPointer::End() {
    if (--busyWork == 0) SetMousePointer(vbDefault);
}

}  // namespace tbn::ui
