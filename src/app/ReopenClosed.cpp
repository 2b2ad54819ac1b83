#include "app/ReopenClosed.h"

#include "app/QueryWindowOpening.h"
#include "app/frmMDI.h"
#include "connections/CnnStore.h"
#include "connections/ProgramFolder.h"
#include "run/ClosedWindows.h"

namespace tbn::app {

namespace {
QString SavedConnectionString(const QString& name) {
    try {
        for (const connections::CnnEntry& entry :
             connections::ReadStore(connections::ProgramFolder()))
            if (entry.name == name) return entry.cnn;
    } catch (const tbn::Error&) {
        // A store that cannot be read lends nothing; the string the history kept is tried instead.
    }
    return {};
}
}  // namespace

void ReopenClosedWindow(frmMDI& frame, OpeningEnded ended) {
    const std::optional<run::ClosedWindow> closed = run::ClosedWindows::Program().TakeLast();
    if (!closed) return;
    QString cnn = closed->cnn;
    if (!closed->wholeCnn)
        if (const QString saved = SavedConnectionString(closed->name); !saved.isEmpty())
            cnn = saved;
    OpenQueryWindowWithText(frame, closed->name, cnn, closed->text, std::move(ended));
}

}  // namespace tbn::app
