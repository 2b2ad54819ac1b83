#pragma once
#include <QIcon>

namespace tbn::connections {

// The one icon of the saved-connection list: a small database drum, drawn rather than shipped.
QIcon ConnectionIcon();

}  // namespace tbn::connections
