#pragma once
// A test can run part of itself in other processes: the test program is started again with
// --tbn-child <name> <arguments>, and main() hands over to the entry registered under that name
// instead of running the tests. The child has no QApplication; it talks to the test through its
// standard input and output.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tbn::test {

using ChildEntry = int (*)(const QStringList& arguments);

// Registers `entry` under `name` while static objects are built: declare one at namespace scope.
struct ChildEntryRegistration {
    ChildEntryRegistration(const char* name, ChildEntry entry);
};

// Runs the entry named by argv[2] when argv[1] is --tbn-child; returns -1 when it is not (the
// tests should run), otherwise the entry's exit code.
int RunChildEntryIfAsked(int argc, char** argv);

// Starts the test program as child `name`; the caller waits for it and reads its output.
void StartChild(QProcess& process, const QString& name, const QStringList& arguments);

}  // namespace tbn::test
