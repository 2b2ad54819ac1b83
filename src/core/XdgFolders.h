#pragma once
// The user's base folders (configuration, state, data) and the private folders TBN keeps in them.
#include <QString>

namespace tbn::core {

// The folder an XDG base-directory variable names, or defaultUnderHome below the home folder
// when it is unset or relative (a relative value is to be ignored).
QString XdgBaseFolder(const char* variable, const QString& defaultUnderHome);

// Creates each missing part of path readable by its owner only (0700), whatever the umask would
// give: what TBN keeps there may hold connection strings, and those may hold passwords. Returns 0,
// or the errno of the first part that could not be made, named in failedPart.
int MakePrivatePath(const QString& path, QString* failedPart = nullptr);

enum class ExistingFolder { KeepMode, MakePrivate };

// A folder TBN keeps its own files in (configuration, history, recovery): missing parts are made
// as MakePrivatePath makes them, and the result is as MakePrivatePath's. The folder itself (not
// the folders above it, which are the user's to arrange) must then be a real folder: a symbolic
// link there, even one to a folder, or anything but a folder raises tbn::Error (75), and nothing
// is done through it, so what a link points at is never changed. With MakePrivate an existing
// folder is set to 0700 through the folder itself (best effort: a folder of another user keeps
// its mode).
int MakeOwnFolder(const QString& path, ExistingFolder existing = ExistingFolder::KeepMode,
                  QString* failedPart = nullptr);

// False when nothing is at path; true for a real folder; raises as MakeOwnFolder does for a
// symbolic link or anything else.
bool OwnFolderExists(const QString& path);

}  // namespace tbn::core
