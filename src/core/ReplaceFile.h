#pragma once
// The one safe way to give a file new content. Used for the connection store and query files.
//
// - A symbolic link is resolved once and its target replaced: the link stays a link.
// - A missing file is created exclusively (never through a link) with the new content; a file
//   that cannot be completed is removed again.
// - An existing file must be one the program may write, else the system's reason is raised and
//   the file left alone. Its content is written to a scratch file beside it (created
//   exclusively, never followed through a link nor opened when something else has its name),
//   flushed, given the file's permission bits and renamed over it in one atomic step: when any
//   step fails the old file is complete and unchanged and the scratch file removed.
// - Where the caller allows it, a file with several names (hard links) or in a folder that
//   refuses the scratch file is written in place instead, so every name sees the new content.
//   That write cannot be atomic: room for it is reserved first, so a full disk stops it before
//   the old content is touched, but a failure during the write leaves the file partly written.
//
// Failures raise tbn::Error (see FileOps.h). Processes that may replace the same file at the
// same time must take turns themselves (FileLock.h).
#include "core/FileOps.h"

#include <QByteArray>
#include <QString>

namespace tbn::core {

struct ReplaceOptions {
    // The scratch file's name in the target's folder; empty: a fresh hidden name is made.
    QString scratchName;
    // Permission bits of a file that does not exist yet (before the umask).
    unsigned newFileMode = 0666;
    // Write in place rather than fail or break hard links (see above).
    bool inPlaceWhenNeeded = false;
    // A missing file, too, is written to a scratch file and renamed into place, so that its name
    // never shows a partly written file (a crash during the first write leaves no file at all).
    // Only for a folder of the program's own, where nobody else may plant a name meanwhile. The
    // file gets newFileMode as given, whatever the umask.
    bool createThroughScratch = false;
};

void ReplaceFile(const QString& path, const QByteArray& bytes, const ReplaceOptions& options = {});

// A new, empty file beside `target` (in its folder, under a hidden name nobody can guess, mode
// 0600), for content written a piece at a time and renamed over the target once complete; its
// path goes to *scratchPath. Raises when the folder refuses it.
FileHandle CreateScratchBeside(const QString& target, QString* scratchPath);

// The file a path names once symbolic links are followed, as an absolute path; the path itself
// (absolute) when it is no link. The target need not exist. Raises when links go round in circles.
QString ResolveLinks(const QString& path);

}  // namespace tbn::core
