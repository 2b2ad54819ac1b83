#pragma once
// What TBN's command line asks for: TBN [--help | --version | FILE.db | 'CONNECTION STRING'].
// Plain functions on the argument list, so --help and --version are answered before any window
// system is needed, and tests call them without an application object.
#include "connections/OneTimeConnection.h"

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
};

// `arguments` without the program's name. --help (-h) and --version win wherever they stand;
// after "--" every argument is a target, even one that starts with '-'. Other arguments that start
// with '-' are unknown options (the toolkit's own, such as -platform, must be taken out first);
// at most one target.
CommandLine ParseCommandLine(const QStringList& arguments);

QString HelpText();
QString VersionText();

// The query window's caption and connection string for a command-line target, as the manager's
// one-time box makes them.
using connections::ConnectionFor;
using connections::OneTimeConnection;

} // namespace tbn::app
