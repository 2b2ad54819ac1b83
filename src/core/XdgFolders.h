#pragma once
// The user's base folders (configuration, state, data) and the private folders TBN keeps in them.
#include <QString>

namespace tbn::platform {

// The folder an XDG base-directory variable names, or defaultUnderHome below the home folder
// when it is unset or relative (a relative value is to be ignored).
QString XdgBaseFolder(const char* variable, const QString& defaultUnderHome);

// Creates each missing part of path readable by its owner only (0700), whatever the umask would
// give: what TBN keeps there may hold connection strings, and those may hold passwords. Returns 0,
// or the errno of the first part that could not be made, named in failedPart.
int MakePrivatePath(const QString& path, QString* failedPart = nullptr);

} // namespace tbn::platform
