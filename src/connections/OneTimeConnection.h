#pragma once
// What a connection typed for one use opens, whether on the command line or in the manager's
// one-time box: the query window's caption and its connection string.
#include <QString>

namespace tbn::connections {

struct OneTimeConnection {
    QString name;
    QString cnn;
};

// An existing file, or a text without '=', is an SQLite database file: named by its absolute path
// and opened without creating it. Anything else is a connection string for one use, named
// "(temp) " and the string.
OneTimeConnection ConnectionFor(const QString& target);

} // namespace tbn::connections
