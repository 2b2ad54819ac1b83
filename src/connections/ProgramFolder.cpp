#include "connections/ProgramFolder.h"

#include "core/XdgFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tbn::platform {

namespace {
QString& overrideFolder() {
    static QString folder;
    return folder;
}

bool UserMayWrite(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}
} // namespace

QString UserConfigFolder() {
    const QString folder = XdgBaseFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("/tbn");
    MakePrivatePath(folder);
    return folder;
}

QString StoreFolderFor(const QString& executableFolder) {
    return UserMayWrite(executableFolder) ? executableFolder : UserConfigFolder();
}

QString ProgramFolder() {
    return overrideFolder().isEmpty() ? StoreFolderFor(QCoreApplication::applicationDirPath()) : overrideFolder();
}

void SetProgramFolderForTesting(const QString& folder) { overrideFolder() = folder; }

} // namespace tbn::platform
