#include "app/ProgramIcon.h"

namespace tbn::app {

QIcon ProgramIcon() {
    QIcon icon;
    // Rendered from the same drawing as the installed icon (cmake/Icons.cmake); a ready size is
    // sharper than one the toolkit scales. The files are read only when a size is first drawn.
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tabulon-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace tbn::app
