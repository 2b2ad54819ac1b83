#include "core/ReplaceFile.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/FileOps.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace tbn::core {

namespace {

constexpr int kMostLinksFollowed = 40;  // as many as the system follows before giving up

std::string Quoted(const QString& path) { return '"' + path.toStdString() + '"'; }

FileHandle CreateScratch(const QFileInfo& target, const QString& scratchName,
                         QString* scratchPath) {
    for (int attempt = 0;; ++attempt) {
        *scratchPath = target.dir().filePath(
            !scratchName.isEmpty()
                ? scratchName
                : QStringLiteral(".%1.%2.tmp")
                      .arg(target.fileName())
                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        try {
            return OpenForWriting(*scratchPath, 0600, IfExists::Fail);
        } catch (const tbn::Error&) {
            if (scratchName.isEmpty() && attempt < 8 && EntryExists(*scratchPath)) continue;
            throw;
        }
    }
}

// Runs `steps` on `file`, which this program has just created at `path`; when a step fails, the
// file is closed and removed again and that step's error raised.
template <class Steps> void CompleteOrRemove(FileHandle& file, const QString& path, Steps&& steps) {
    try {
        steps();
    } catch (...) {
        // The first error is the one worth reporting; a failing clean-up must not replace it.
        file = FileHandle();
        try {
            RemoveFile(path);
        } catch (...) {}
        throw;
    }
}

void WriteNew(const QString& path, const QByteArray& bytes, unsigned mode) {
    FileHandle file = OpenForWriting(path, mode, IfExists::Fail);
    CompleteOrRemove(file, path, [&] {
        file.Write(bytes);
        file.Flush();
        file.Close();
    });
}

// Writes over the old content from the start and cuts what is left, so that the room reserved
// for the new content is kept rather than freed by cutting first.
void WriteInPlace(const QString& path, const QByteArray& bytes) {
    FileHandle file = OpenForOverwriting(path);
    file.Reserve(bytes.size());
    file.Write(bytes);
    file.Truncate(bytes.size());
    file.Flush();
    file.Close();
}

void ReplaceThroughScratch(FileHandle file, const QString& scratch, const QString& target,
                           const QByteArray& bytes, unsigned mode) {
    CompleteOrRemove(file, scratch, [&] {
        file.Write(bytes);
        file.SetPermissions(mode);
        file.Flush();
        file.Close();
        RenameFile(scratch, target);
    });
    SyncFolder(QFileInfo(target).absolutePath());
}

}  // namespace

// With no name given, a hidden, unpredictable one beside the target: the rename must stay on one
// file system, and a name nobody can guess cannot be planted in advance.
FileHandle CreateScratchBeside(const QString& target, QString* scratchPath) {
    return CreateScratch(QFileInfo(target), QString(), scratchPath);
}

QString ResolveLinks(const QString& path) {
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop < kMostLinksFollowed; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymLink()) return current;
        current = info.symLinkTarget();
    }
    throw tbn::Error(ErrorCode::PathFileAccess,
                     "Cannot follow " + Quoted(path) + ": Too many levels of symbolic links");
}

void ReplaceFile(const QString& path, const QByteArray& bytes, const ReplaceOptions& options) {
    const QString target = ResolveLinks(path);
    const EntryStatus status = StatusOf(target);
    if (!status.exists && options.createThroughScratch) {
        QString scratch;
        FileHandle file = CreateScratch(QFileInfo(target), options.scratchName, &scratch);
        ReplaceThroughScratch(std::move(file), scratch, target, bytes, options.newFileMode);
        return;
    }
    if (!status.exists) {
        WriteNew(target, bytes, options.newFileMode);
        return;
    }
    if (!status.ordinaryFile)
        throw tbn::Error(ErrorCode::PathFileAccess,
                         "Cannot replace " + Quoted(target) + ": not an ordinary file");
    RequireWritable(target);
    if (options.inPlaceWhenNeeded && status.links > 1) {
        WriteInPlace(target, bytes);
        return;
    }
    QString scratch;
    FileHandle file;
    try {
        file = CreateScratch(QFileInfo(target), options.scratchName, &scratch);
    } catch (const tbn::Error& e) {
        // The folder refuses a new file but the file itself may be written.
        if (!options.inPlaceWhenNeeded || e.Number() != ErrorCode::PermissionDenied) throw;
        WriteInPlace(target, bytes);
        return;
    }
    ReplaceThroughScratch(std::move(file), scratch, target, bytes, status.permissions);
}

}  // namespace tbn::core
