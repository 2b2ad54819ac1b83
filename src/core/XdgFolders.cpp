#include "core/XdgFolders.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tbn::core {

namespace {

[[noreturn]] void Refuse(const QString& path, bool link) {
    throw tbn::Error(
        ErrorCode::PathFileAccess,
        "Cannot use the folder \"" + path.toStdString() + "\": " +
            (link ? "it is a symbolic link; TBN keeps its files only in a folder of its own there"
                  : "it is not a folder"));
}

}  // namespace

QString XdgBaseFolder(const char* variable, const QString& defaultUnderHome) {
    const QString xdg = qEnvironmentVariable(variable);
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::homePath() + QLatin1Char('/') + defaultUnderHome;
}

int MakePrivatePath(const QString& path, QString* failedPart) {
    QString partial;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        partial += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(partial).constData(), 0700) != 0 && errno != EEXIST) {
            const int error = errno;
            if (failedPart) *failedPart = partial;
            return error;
        }
    }
    return 0;
}

int MakeOwnFolder(const QString& path, ExistingFolder existing, QString* failedPart) {
    if (const int error = MakePrivatePath(path, failedPart)) return error;
    // Opened rather than looked up, so that the check and the mode change meet the same folder
    // even if the name is swapped for a link in between.
    int fd;
    do
        fd = ::open(QFile::encodeName(path).constData(),
                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        struct stat info {};
        const bool link =
            ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
        if (link || error == ENOTDIR) Refuse(path, link);
        // Unreadable or gone meanwhile: the first file operation inside says why, as for a
        // folder that cannot be made.
        return 0;
    }
    if (existing == ExistingFolder::MakePrivate) (void)::fchmod(fd, 0700);
    ::close(fd);
    return 0;
}

bool OwnFolderExists(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode)) Refuse(path, S_ISLNK(info.st_mode));
    return true;
}

}  // namespace tbn::core
