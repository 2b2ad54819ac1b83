#pragma once
#include <QIcon>
// The one icon of the saved-connection list: a small database drum, drawn rather than shipped.
QIcon ConnectionIcon();
