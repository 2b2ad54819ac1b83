#pragma once
// The program's own icon, the one the desktop entry names, built into the program as a resource:
// for the frame, the query windows (their system-menu button, also at the left of the menu bar
// while a query window is maximized) and every dialog.
#include <QIcon>

namespace tbn::app {
QIcon ProgramIcon();
}
