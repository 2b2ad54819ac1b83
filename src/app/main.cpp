#include "app/CommandLine.h"
#include "app/ProgramIcon.h"
#include "app/Startup.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {
int Misuse(const tbn::app::CommandLine& line) {
    std::fprintf(stderr, "TBN: %s\n\n%s", qPrintable(line.problem),
                 qPrintable(tbn::app::HelpText()));
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    using tbn::app::CommandLine;
    // Answered before anything needs a display, so they work from any shell.
    const CommandLine early = tbn::app::ParseArguments(argc, argv);
    if (early.action == CommandLine::Action::Help) {
        std::fputs(qPrintable(tbn::app::HelpText()), stdout);
        return 0;
    }
    if (early.action == CommandLine::Action::Version) {
        std::fputs(qPrintable(tbn::app::VersionText()), stdout);
        return 0;
    }
    // Without any display Qt would abort with a long message; say it in one line instead.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(
            stderr,
            "TBN needs a display and none is set (DISPLAY is empty); start it under a virtual one: "
            "xvfb-run -a -s '-screen 0 1280x800x24' %s\n",
            argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TBN"));
    QApplication::setWindowIcon(tbn::app::ProgramIcon());
    // Lets the desktop match the running program to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tabulon"));
    // The toolkit has taken its own options (-platform, -style, ...) out of argv; what is left is
    // ours.
    const CommandLine line = tbn::app::ParseArguments(argc, argv);
    if (line.action == CommandLine::Action::Misuse) return Misuse(line);
    return tbn::app::RunTabulon(app, line.targetBytes);
}
