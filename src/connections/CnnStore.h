#pragma once
// The saved connections: cnns.dat in the program folder, one record per line (name, TAB,
// connection string; nothing quoted or escaped), read and written as in TextFile.h. temp.dat in
// the same folder is the scratch file of a rewrite. Plain functions on the folder path, called by
// the connection manager; every failure raises tbn::Error (see FileOps.h).
//
// Safety of a rewrite (change and delete): the new content is written to temp.dat, flushed to the
// disk, given the store's permission bits and renamed over cnns.dat in one atomic step (see
// core/ReplaceFile.h). cnns.dat is never missing; when any step fails, cnns.dat is complete
// and unchanged, temp.dat is removed where possible, and the error is raised. An add that fails
// is taken back, so the store holds either its old content or the old content plus the new record.
//
// Several programs may share one store: add, change and delete each hold an exclusive lock on
// cnns.dat.lock beside the store for their whole read, change and write, waiting for it up to
// ten seconds and raising PermissionDenied (70) after that. A change or delete is therefore made
// from the store as it is once the lock is held, and never undoes another program's change.
// Reading takes no lock: a rewrite swaps the whole file in at once.
//
// A cnns.dat that is a symbolic link stays one: its target is the store, updated in its own
// folder (with a fresh hidden scratch name there instead of temp.dat), and locked as
// <target>.lock. A store the program may not write is refused with the system's reason.
#include <QList>
#include <QString>

namespace tbn::connections {

struct CnnEntry {
    QString name;  // first TAB-separated field of the line
    QString cnn;   // last field; the whole line when it holds no TAB
    QString line;  // the line exactly as read: the key for ChangeRecord and DeleteRecord
};

QString StorePath(const QString& folder);  // folder/cnns.dat
QString TempPath(const QString& folder);   // folder/temp.dat

// name, TAB, connection string.
QString RecordLine(const QString& name, const QString& cnn);

// One entry per non-empty line, in file order (the list sorts). No cnns.dat: no entries.
QList<CnnEntry> ReadStore(const QString& folder);

// Appends `recordLine` and CR LF, creating cnns.dat readable and writable by its owner only
// (0600). A last line left without its end by another tool is ended first, so the two records stay
// apart. An empty record line adds nothing.
void AddRecord(const QString& folder, const QString& recordLine);

// Replaces every line equal to `oldLine` by one `newLine` at the end of the file; the other lines,
// empty ones included, keep their order. When `newLine` is empty or equal to `oldLine`, neither
// file is touched.
void ChangeRecord(const QString& folder, const QString& oldLine, const QString& newLine);

// Removes every line equal to `line`; when there is none, cnns.dat is not rewritten.
void DeleteRecord(const QString& folder, const QString& line);

// Removes a temp.dat left behind by an interrupted rewrite, under the store's lock. Change and
// delete do the same first. Whatever has that name goes, without being followed or opened (a link
// or a FIFO included); only a folder of that name stays, and the rewrite then fails. While
// cnns.dat is missing, temp.dat is kept: it may then be the only copy of the store.
void KillTemp(const QString& folder);

}  // namespace tbn::connections
