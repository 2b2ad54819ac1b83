#include "ui/Events.h"

#include <QCoreApplication>

namespace tbn::platform {
void DoEvents() { QCoreApplication::processEvents(); }
}
