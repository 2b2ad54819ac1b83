#include "connections/CnnStore.h"

#include "core/FileLock.h"
#include "core/FileOps.h"
#include "core/ReplaceFile.h"
#include "core/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace tbn::connections {

namespace {

constexpr unsigned kOwnerOnly = 0600;
const QChar kTab = u'\t';

// The store's own file: a cnns.dat kept elsewhere through a symbolic link stays that file.
QString RealStorePath(const QString& folder) { return core::ResolveLinks(StorePath(folder)); }

// Held by every add, change and delete from before it reads the store until its write is done,
// so that two programs sharing the store take turns instead of undoing each other's changes.
// It sits beside the real file, where every program reaching that store through any link meets.
QString LockPath(const QString& realStore) { return realStore + QStringLiteral(".lock"); }

// Whatever stands under the scratch name is ours to remove, never to open: a stale temp.dat, or a
// link or FIFO planted to redirect or stall the rewrite. While cnns.dat is missing, temp.dat may
// be the only copy of the store (a rewrite that deleted the store before renaming, as older
// versions of such tools did); it is then left for the user.
void RemoveStaleTemp(const QString& folder) {
    const QString temp = TempPath(folder);
    if (core::EntryExists(temp) && core::FileExists(StorePath(folder))) core::RemoveFile(temp);
}

// Writes the whole new store beside the old one and swaps it in with one rename, so that a crash
// or a full disk at any moment leaves a complete cnns.dat.
void Rewrite(const QString& folder, const QString& realStore, const QStringList& lines) {
    core::ReplaceOptions options;
    options.newFileMode = kOwnerOnly;
    // temp.dat is the scratch file of a store in its own folder; beside a store kept elsewhere a
    // fresh name keeps clear of that folder's own files.
    if (realStore == QFileInfo(StorePath(folder)).absoluteFilePath())
        options.scratchName = QStringLiteral("temp.dat");
    core::ReplaceFile(realStore, core::EncodeLines(lines), options);
}

// Everything but the lines equal to `key`. An empty key never names an entry (empty lines are
// not entries), so it matches nothing rather than stripping the blank lines.
QStringList LinesWithout(const QStringList& lines, const QString& key, bool* removedAny) {
    QStringList kept;
    kept.reserve(lines.size());
    *removedAny = false;
    for (const QString& line : lines) {
        if (!key.isEmpty() && line == key)
            *removedAny = true;
        else
            kept.append(line);
    }
    return kept;
}

bool EndsWithLineEnd(const QByteArray& tail) {
    return tail.endsWith('\r') || tail.endsWith("\r\n");
}

}  // namespace

QString StorePath(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("cnns.dat"));
}
QString TempPath(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("temp.dat"));
}

QString RecordLine(const QString& name, const QString& cnn) { return name + kTab + cnn; }

QList<CnnEntry> ReadStore(const QString& folder) {
    QList<CnnEntry> entries;
    const QString store = StorePath(folder);
    if (!core::FileExists(store)) return entries;
    for (const QString& line : core::ReadLines(store)) {
        if (line.isEmpty()) continue;
        const qsizetype firstTab = line.indexOf(kTab);
        if (firstTab < 0) {
            entries.append({line, line, line});
        } else {
            entries.append({line.left(firstTab), line.mid(line.lastIndexOf(kTab) + 1), line});
        }
    }
    return entries;
}

void AddRecord(const QString& folder, const QString& recordLine) {
    if (recordLine.isEmpty()) return;
    const core::FileLock lock(LockPath(RealStorePath(folder)));
    core::FileHandle file = core::OpenForAppending(StorePath(folder), kOwnerOnly);
    const std::int64_t oldSize = file.Size();
    QByteArray bytes;
    if (oldSize > 0 && !EndsWithLineEnd(file.ReadAt(std::max<std::int64_t>(oldSize - 2, 0), 2)))
        bytes.append("\r\n");
    bytes.append(core::EncodeLine(recordLine));
    try {
        file.Write(bytes);
        file.Flush();
    } catch (...) {
        // A half-written record would glue itself to the next one; take the append back.
        try {
            file.Truncate(oldSize);
        } catch (...) {}
        throw;
    }
    file.Close();
}

void ChangeRecord(const QString& folder, const QString& oldLine, const QString& newLine) {
    if (newLine.isEmpty() || newLine == oldLine) return;
    const QString store = RealStorePath(folder);
    const core::FileLock lock(LockPath(store));
    RemoveStaleTemp(folder);
    bool removedAny = false;
    QStringList lines = LinesWithout(core::ReadLines(store), oldLine, &removedAny);
    lines.append(newLine);
    Rewrite(folder, store, lines);
}

void DeleteRecord(const QString& folder, const QString& line) {
    const QString store = RealStorePath(folder);
    const core::FileLock lock(LockPath(store));
    RemoveStaleTemp(folder);
    bool removedAny = false;
    const QStringList lines = LinesWithout(core::ReadLines(store), line, &removedAny);
    if (removedAny) Rewrite(folder, store, lines);
}

void KillTemp(const QString& folder) {
    const core::FileLock lock(LockPath(RealStorePath(folder)));
    RemoveStaleTemp(folder);
}

}  // namespace tbn::connections
