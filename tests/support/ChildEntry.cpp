#include "support/ChildEntry.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace tbn::test {

namespace {
const char kChildSwitch[] = "--tbn-child";

std::map<std::string, ChildEntry>& Entries() {
    static std::map<std::string, ChildEntry> entries;
    return entries;
}
}  // namespace

ChildEntryRegistration::ChildEntryRegistration(const char* name, ChildEntry entry) {
    Entries()[name] = entry;
}

int RunChildEntryIfAsked(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], kChildSwitch) != 0) return -1;
    const auto found = Entries().find(argv[2]);
    if (found == Entries().end()) {
        std::fprintf(stderr, "no child entry named %s\n", argv[2]);
        return 2;
    }
    QStringList arguments;
    for (int i = 3; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
    return found->second(arguments);
}

void StartChild(QProcess& process, const QString& name, const QStringList& arguments) {
    // applicationFilePath() needs the QApplication, which a test always has.
    process.start(QCoreApplication::applicationFilePath(),
                  QStringList{QString::fromLatin1(kChildSwitch), name} + arguments);
}

}  // namespace tbn::test
