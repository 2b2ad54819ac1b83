#include "app/Startup.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // Without any display Qt would abort with a long message; say it in one line instead.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "TBN needs a display and none is set (DISPLAY is empty); start it under a virtual one: "
                             "xvfb-run -a -s '-screen 0 1280x800x24' %s\n", argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TBN"));
    return RunTabulon(app);
}
