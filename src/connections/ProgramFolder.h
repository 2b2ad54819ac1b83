#pragma once
// The folder that holds the TBN executable, where cnns.dat and temp.dat live. Tests point it at a
// temporary folder so they never touch the build's own store.
#include <QString>

namespace tbn::platform {
QString ProgramFolder();
void SetProgramFolderForTesting(const QString& folder);  // empty: back to the executable's folder
}
