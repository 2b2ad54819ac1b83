#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/FrameGeometry.h"
#include "app/UserSettings.h"
#include "app/frmMDI.h"
#include "connections/frmConnections.h"
#include "recovery/RecoveryFolder.h"

#include <QApplication>
#include <QFile>

namespace tbn::app {

namespace {
// Declared before the frame, so it runs after every query window has gone with its recovery file.
struct RecoverySessionEnd {
    ~RecoverySessionEnd() { tbn::recovery::EndRecoverySession(); }
};
}  // namespace

int RunTabulon(QApplication& app, const QString& target) {
    return RunTabulon(app, QFile::encodeName(target));
}

int RunTabulon(QApplication& app, const QByteArray& target) {
    frmMDI::SetConnectionManagerCommand(&frmConnections::ShowModal);
    ApplyUserSettings();
    const RecoverySessionEnd recoverySessionEnd;
    frmMDI frame;
    tbn::app::RestoreFrameGeometry(frame);
    if (target.isEmpty()) {
        frame.MDIForm_Load();
    } else {
        // The frame's whole start-up, with the named database opened where it would show the
        // manager (which may come after reopened texts have connected); from then on F8 shows the
        // manager as usual.
        const tbn::app::ConnectionChoice connection = tbn::app::ConnectionForArgument(target);
        frmMDI::SetConnectionManagerCommand([connection](frmMDI& shown) {
            frmMDI::SetConnectionManagerCommand(&frmConnections::ShowModal);
            frmConnections::OpenOrShowModal(shown, connection.name, connection.cnn);
        });
        frame.MDIForm_Load();
    }
    const int exitCode = app.exec();
    tbn::app::SaveFrameGeometry(frame);
    return exitCode;
}

}  // namespace tbn::app
