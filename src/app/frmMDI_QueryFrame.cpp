// What a query window asks of the frame that holds it (QueryFrame). Apart from the rest of the
// frame, and calling nothing of the window: the window calls in here, never the other way round.
#include "app/frmMDI.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

void frmMDI::RemoveTab(quintptr frmHwnd) {
    if (tearingDown_) return;
    // The active window's state is the one a later window takes, within this run and the next.
    QMdiSubWindow* active = mdiArea_->activeSubWindow();
    if (active && reinterpret_cast<quintptr>(active->widget()) == frmHwnd)
        blnWindowsMaximized = active->isMaximized();
}

void frmMDI::PopUpQueryMenu(const QPoint& globalPosition) {
    mnuQuery->setDefaultAction(mnuQueryExecute);
    mnuQuery->exec(globalPosition);
    mnuQuery->setDefaultAction(nullptr);
}
