// bench/editor: the SQL pane under a day's typing. Each section prints its figures against a
// baseline measured in the same run.
#include "EditorBench.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::ReplaceAllSection();
    std::fflush(stdout);
    return 0;
}
