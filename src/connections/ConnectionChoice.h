#pragma once
// What the user chose to connect to, in the manager or on the command line: a saved connection, or
// a string (or a database file) for one use. The name is the query window's caption.
#include <QString>

namespace tbn::connections {

struct ConnectionChoice {
    QString name;
    QString cnn;
};

}  // namespace tbn::connections
