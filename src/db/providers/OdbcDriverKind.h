#pragma once
// Whether a connected driver implements ODBC's wide (UTF-16) calls. The driver manager converts
// between the wide and narrow calls through the process locale's character set, which loses
// anything outside it (everything but ASCII under the C locale), so each driver is spoken to in
// the flavour it implements: wide calls for Unicode drivers, narrow calls carrying UTF-8 bytes for
// ANSI-only drivers such as the SQLite3 one.
#include <sql.h>

#include <string_view>

namespace tbn::db::odbc {

// True unless the driver's library is found loaded and lacks SQLExecDirectW; the library is found
// by the file name the driver reports (SQL_DRIVER_NAME).
bool DriverHasWideCalls(SQLHDBC dbc);

// MariaDB Connector/ODBC ignores SQL_ATTR_LOGIN_TIMEOUT while it waits for the server's greeting,
// so a server that takes the connection but never answers (stopped, or behind a dead link) holds
// SQLDriverConnect for good; its own CONN_TIMEOUT key bounds that wait. True for a driver named, or
// given as a library file, like that one.
bool BoundsLoginByConnTimeoutKey(std::string_view driver);

}  // namespace tbn::db::odbc
