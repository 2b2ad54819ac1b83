#pragma once
// Where the connection store (cnns.dat and its scratch file temp.dat) lives, and the user's own
// configuration folder.
//
// The store stays beside the TBN executable when the user may write to that folder (a build tree,
// a portable copy). An installed program's folder belongs to the system, so the store then lives
// per user in UserConfigFolder(), even for root, who may write anywhere. Tests point
// ProgramFolder() at a temporary folder so they never touch the build's own store.
#include <QString>

namespace tbn::connections {

// $XDG_CONFIG_HOME/tbn, or ~/.config/tbn when XDG_CONFIG_HOME is unset or not an absolute path.
// Missing folders on the way are created readable by their owner only (0700); an existing folder
// keeps its mode. The path is returned even when it cannot be created: the first file operation
// in it then reports why. Raises tbn::Error when the folder is a symbolic link or no folder.
QString UserConfigFolder();

// True for a folder under /usr (/usr/local included) or /opt, where installed programs live.
bool IsSystemInstall(const QString& executableFolder);

// The store folder of an executable that lives in `executableFolder`: that folder when it is not
// a system install and the user may create and rename files in it, otherwise UserConfigFolder().
QString StoreFolderFor(const QString& executableFolder);

// StoreFolderFor(the executable's folder), or the folder set for testing.
QString ProgramFolder();
void SetProgramFolderForTesting(const QString& folder);  // empty: back to the rule above

}  // namespace tbn::connections
