#include "connections/CnnStore.h"

#include "core/FileOps.h"
#include "core/TextFile.h"

#include <QDir>
#include <algorithm>

namespace tbn::connections {

using namespace tbn::platform;

namespace {

constexpr unsigned kOwnerOnly = 0600;
const QChar kTab = u'\t';

// Writes the whole new store beside the old one and swaps it in with one rename, so that a crash
// or a full disk at any moment leaves a complete cnns.dat.
void Rewrite(const QString& folder, const QStringList& lines) {
    const QString store = StorePath(folder);
    const QString temp = TempPath(folder);
    const unsigned mode = FilePermissions(store);
    try {
        FileHandle file = OpenForWriting(temp, kOwnerOnly);
        file.Write(EncodeLines(lines));
        SetFilePermissions(temp, mode);
        file.Flush();
        file.Close();
        RenameFile(temp, store);
    } catch (...) {
        // The first error is the one worth reporting; a failing clean-up must not replace it.
        try {
            if (FileExists(temp)) RemoveFile(temp);
        } catch (...) {
        }
        throw;
    }
    SyncFolder(folder);
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

bool EndsWithLineEnd(const QByteArray& tail) { return tail.endsWith('\r') || tail.endsWith("\r\n"); }

} // namespace

QString StorePath(const QString& folder) { return QDir(folder).filePath(QStringLiteral("cnns.dat")); }
QString TempPath(const QString& folder) { return QDir(folder).filePath(QStringLiteral("temp.dat")); }

QString RecordLine(const QString& name, const QString& cnn) { return name + kTab + cnn; }

QList<CnnEntry> ReadStore(const QString& folder) {
    QList<CnnEntry> entries;
    const QString store = StorePath(folder);
    if (!FileExists(store)) return entries;
    for (const QString& line : ReadLines(store)) {
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
    FileHandle file = OpenForAppending(StorePath(folder), kOwnerOnly);
    const std::int64_t oldSize = file.Size();
    QByteArray bytes;
    if (oldSize > 0 && !EndsWithLineEnd(file.ReadAt(std::max<std::int64_t>(oldSize - 2, 0), 2)))
        bytes.append("\r\n");
    bytes.append(EncodeLine(recordLine));
    try {
        file.Write(bytes);
        file.Flush();
    } catch (...) {
        // A half-written record would glue itself to the next one; take the append back.
        try {
            file.Truncate(oldSize);
        } catch (...) {
        }
        throw;
    }
    file.Close();
}

void ChangeRecord(const QString& folder, const QString& oldLine, const QString& newLine) {
    if (newLine.isEmpty() || newLine == oldLine) return;
    KillTemp(folder);
    bool removedAny = false;
    QStringList lines = LinesWithout(ReadLines(StorePath(folder)), oldLine, &removedAny);
    lines.append(newLine);
    Rewrite(folder, lines);
}

void DeleteRecord(const QString& folder, const QString& line) {
    KillTemp(folder);
    bool removedAny = false;
    const QStringList lines = LinesWithout(ReadLines(StorePath(folder)), line, &removedAny);
    if (removedAny) Rewrite(folder, lines);
}

void KillTemp(const QString& folder) {
    // Without cnns.dat, temp.dat may be the only copy of the store (a rewrite that deleted the
    // store before renaming, as older versions of such tools did); it is left for the user.
    const QString temp = TempPath(folder);
    if (FileExists(temp) && FileExists(StorePath(folder))) RemoveFile(temp);
}

} // namespace tbn::connections
