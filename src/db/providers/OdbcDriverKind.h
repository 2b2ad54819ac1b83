#pragma once
// Whether a connected driver implements ODBC's wide (UTF-16) calls. The driver manager converts
// between the wide and narrow calls through the process locale's character set, which loses
// anything outside it (everything but ASCII under the C locale), so each driver is spoken to in
// the flavour it implements: wide calls for Unicode drivers, narrow calls carrying UTF-8 bytes for
// ANSI-only drivers such as the SQLite3 one.
#include <sql.h>

namespace tbn::db::odbc {

// True unless the driver's library is found loaded and lacks SQLExecDirectW; the library is found
// by the file name the driver reports (SQL_DRIVER_NAME).
bool DriverHasWideCalls(SQLHDBC dbc);

} // namespace tbn::db::odbc
