#pragma once
// What a connection typed for one use opens, whether on the command line or in the manager's
// one-time box: the query window's caption and its connection string.
#include "connections/ConnectionChoice.h"

namespace tbn::connections {

// An existing file, or a text without '=', is an SQLite database file: named by its absolute path
// and opened without creating it. Anything else is a connection string for one use, named
// "(temp) " and the string.
ConnectionChoice ConnectionFor(const QString& target);

}  // namespace tbn::connections
