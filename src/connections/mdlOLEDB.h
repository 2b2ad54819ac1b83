#pragma once
// Building a connection string with the data-link dialog.
#include <QString>

class QWidget;

namespace mdlOLEDB {
// Opens the data-link dialog modal to owner: for a new data source when strCnn is empty, otherwise
// on the properties strCnn describes. Returns the built string, or "" when the user cancelled or
// the dialog failed (the failure is reported under "mdlOLEDB >> EditCnn").
QString EditCnn(QWidget* owner, const QString& strCnn);
}  // namespace mdlOLEDB
