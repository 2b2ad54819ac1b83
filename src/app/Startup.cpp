#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/FrameGeometry.h"
#include "app/frmMDI.h"
#include "connections/frmConnections.h"

#include <QApplication>

int RunTabulon(QApplication& app, const QString& target) {
    frmMDI::SetConnectionManagerCommand(&frmConnections::ShowModal);
    frmMDI frame;
    tbn::app::RestoreFrameGeometry(frame);
    if (target.isEmpty()) {
        frame.MDIForm_Load();
    } else {
        // The frame's own start-up, with the named database in place of the manager.
        frame.SetMenu(false);
        frame.show();
        const tbn::app::OneTimeConnection connection = tbn::app::ConnectionFor(target);
        frmConnections::OpenOrShowModal(frame, connection.name, connection.cnn);
    }
    const int exitCode = app.exec();
    tbn::app::SaveFrameGeometry(frame);
    return exitCode;
}
