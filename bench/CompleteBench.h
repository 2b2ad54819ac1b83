#pragma once
// What the sections of bench/complete share: the catalogue they work on and each section's entry
// point (a QApplication must exist). A section prints its own lines.
#include <QString>

namespace bench {

// An SQLite database of `tables` tables of 20 columns each, made in folder (once per run): names
// in five families of equal size (sales_0001, stock_0001, staff_0001, orders_0001, users_0001),
// columns shared by every table and columns of their own, some indexes and foreign keys. Returns
// the file's path.
QString MakeCatalogueDatabase(const QString& folder, int tables);

// The catalogue read on a worker thread against a bare count over the same pragmas, and the
// longest stall of a 10 ms timer on this thread meanwhile.
void LoadSection(const QString& database, int rounds);

// From a keystroke to a ready pop-up in varied contexts, against the same keys with completion
// off.
void KeystrokeSection(const QString& database, int rounds);

}  // namespace bench
