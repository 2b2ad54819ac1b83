#include "connections/ProgramFolder.h"

#include "core/XdgFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tbn::connections {

namespace {
QString& overrideFolder() {
    static QString folder;
    return folder;
}

bool UserMayWrite(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}
}  // namespace

QString UserConfigFolder() {
    const QString folder =
        core::XdgBaseFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("/tbn");
    core::MakeOwnFolder(folder);
    return folder;
}

bool IsSystemInstall(const QString& executableFolder) {
    const QString folder = QDir::cleanPath(executableFolder);
    for (const QLatin1String prefix : {QLatin1String("/usr"), QLatin1String("/opt")})
        if (folder == prefix || folder.startsWith(prefix + QLatin1Char('/'))) return true;
    return false;
}

QString StoreFolderFor(const QString& executableFolder) {
    // Root may write to /usr/bin, but an installed program's folder belongs to its package: a store
    // there would be left behind by the package's removal, among files no user keeps.
    if (IsSystemInstall(executableFolder)) return UserConfigFolder();
    return UserMayWrite(executableFolder) ? executableFolder : UserConfigFolder();
}

QString ProgramFolder() {
    return overrideFolder().isEmpty() ? StoreFolderFor(QCoreApplication::applicationDirPath())
                                      : overrideFolder();
}

void SetProgramFolderForTesting(const QString& folder) { overrideFolder() = folder; }

}  // namespace tbn::connections
