#include "connections/ProgramFolder.h"

#include <QCoreApplication>

namespace tbn::platform {

namespace {
QString& overrideFolder() {
    static QString folder;
    return folder;
}
} // namespace

QString ProgramFolder() {
    return overrideFolder().isEmpty() ? QCoreApplication::applicationDirPath() : overrideFolder();
}

void SetProgramFolderForTesting(const QString& folder) { overrideFolder() = folder; }

} // namespace tbn::platform
