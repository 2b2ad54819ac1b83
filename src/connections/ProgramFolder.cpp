#include "connections/ProgramFolder.h"

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

QString ConfigHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative value is to be ignored, as XDG base directories are.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::homePath() + QStringLiteral("/.config");
}

// QDir::mkpath would create the folders with the umask's mode, readable by everyone.
void MakePrivatePath(const QString& path) {
    QString partial;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        partial += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(partial);
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return;
    }
}

bool UserMayWrite(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}
} // namespace

QString UserConfigFolder() {
    const QString folder = ConfigHome() + QStringLiteral("/tbn");
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
