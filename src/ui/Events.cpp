#include "ui/Events.h"

#include <QCoreApplication>

namespace tbn::ui {
void DoEvents() { QCoreApplication::processEvents(); }
}  // namespace tbn::ui
