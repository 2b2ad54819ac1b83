#pragma once
// What TBN's command line asks for: TBN [--help | --version | FILE.db | 'CONNECTION STRING'].
// Plain functions on the argument list, so --help and --version are answered before any window
// system is needed, and tests call them without an application object.
#include "connections/OneTimeConnection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tbn::app {

struct CommandLine {
    enum class Action {
        Run,      // start: on `target` when it is not empty, else with the connection manager
        Help,     // print HelpText() and exit 0
        Version,  // print VersionText() and exit 0
        Misuse,   // print `problem` and HelpText() to the error stream, exit 2
    };
    Action action = Action::Run;
    QString target;
    QString problem;
    QByteArray targetBytes;  // ParseArguments only: the target as the system gave it
};

// `arguments` without the program's name. --help (-h) and --version win wherever they stand;
// after "--" every argument is a target, even one that starts with '-'. Other arguments that start
// with '-' are unknown options (the toolkit's own, such as -platform, must be taken out first);
// at most one target.
CommandLine ParseCommandLine(const QStringList& arguments);
// The same over main's argv (argv[0] the program's name), keeping the target's bytes as well: a
// file name need not be valid text in the system's encoding, and its decoded form then names no
// file.
CommandLine ParseArguments(int argc, const char* const* argv);

QString HelpText();
QString VersionText();

// The query window's caption and connection string for a command-line target, as the manager's
// one-time box makes them.
using connections::ConnectionChoice;
using connections::ConnectionFor;
// The same for an argument as the system gave it: a file name that is not valid text in the
// system's encoding still opens that very file (through an SQLite file: URI), named with its
// undecodable bytes shown as replacement characters.
ConnectionChoice ConnectionForArgument(const QByteArray& argument);

}  // namespace tbn::app
