#include "app/Startup.h"

#include "app/frmMDI.h"
#include "connections/frmConnections.h"

#include <QApplication>

int RunTabulon(QApplication& app) {
    frmMDI::SetConnectionManagerCommand(&frmConnections::ShowModal);
    frmMDI frame;
    frame.MDIForm_Load();
    return app.exec();
}
