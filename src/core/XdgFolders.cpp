#include "core/XdgFolders.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <sys/stat.h>

namespace tbn::platform {

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

} // namespace tbn::platform
