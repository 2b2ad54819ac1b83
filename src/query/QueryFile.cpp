#include "query/QueryFile.h"

#include "core/Error.h"
#include "core/FileOps.h"
#include "core/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace tbn::query {

using namespace tbn::platform;

namespace {

// A hidden, unpredictable name beside the target: the rename must stay on one file system, and
// an exclusive create must never clobber a file of the user's.
FileHandle CreateScratchBeside(const QFileInfo& target, QString* scratchPath) {
    for (int attempt = 0;; ++attempt) {
        *scratchPath = target.dir().filePath(QStringLiteral(".%1.%2.tmp")
                                                 .arg(target.fileName())
                                                 .arg(QRandomGenerator::global()->generate(), 8, 16,
                                                      QLatin1Char('0')));
        try {
            return OpenForWriting(*scratchPath, 0600, IfExists::Fail);
        } catch (const tbn::Error&) {
            if (attempt < 8 && FileExists(*scratchPath)) continue;
            throw;
        }
    }
}

void WriteNew(const QString& path, const QByteArray& bytes) {
    FileHandle file = OpenForWriting(path, 0666, IfExists::Fail);
    try {
        file.Write(bytes);
        file.Flush();
        file.Close();
    } catch (...) {
        file = FileHandle();
        try {
            RemoveFile(path);
        } catch (...) {
        }
        throw;
    }
}

void Replace(const QFileInfo& target, const QByteArray& bytes) {
    const QString path = target.filePath();
    const unsigned mode = FilePermissions(path);
    QString scratch;
    FileHandle file = CreateScratchBeside(target, &scratch);
    try {
        file.Write(bytes);
        SetFilePermissions(scratch, mode);
        file.Flush();
        file.Close();
        RenameFile(scratch, path);
    } catch (...) {
        file = FileHandle();
        try {
            RemoveFile(scratch);
        } catch (...) {
        }
        throw;
    }
    SyncFolder(target.absolutePath());
}

} // namespace

void WriteQueryFile(const QString& path, const QString& text) {
    const QByteArray bytes = EncodeLine(text);
    QFileInfo target(path);
    if (target.isSymLink() && target.exists()) target = QFileInfo(target.canonicalFilePath());
    if (FileExists(target.filePath()))
        Replace(target, bytes);
    else
        WriteNew(target.filePath(), bytes);
}

QString ReadQueryFile(const QString& path) {
    QString text;
    for (const QString& line : ReadLines(path)) {
        if (!text.isEmpty()) text += QStringLiteral("\r\n");
        text += line;
    }
    return text;
}

} // namespace tbn::query
