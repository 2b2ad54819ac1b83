#pragma once
// Whether a connected driver implements ODBC's wide (UTF-16) calls. The driver manager converts
// between the wide and narrow calls through the process locale's character set, which loses
// anything outside it (everything but ASCII under the C locale), so each driver is spoken to in
// the flavour it implements: wide calls for Unicode drivers, narrow calls carrying UTF-8 bytes for
// ANSI-only drivers such as the SQLite3 one.
#include <sql.h>

#include <optional>
#include <string>
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

// A driver named, or given as a library file, like MariaDB Connector/ODBC.
bool IsMariaDbDriver(std::string_view driver);

// MariaDB Connector/ODBC runs a text of several statements only with its multi-statement flag, a
// bit of its OPTION key; without it the server takes the second statement for a syntax error. The
// value OPTION then takes: the one given with the bit added, or the bit alone; nullopt when the
// value given is not a number, which is left to the driver as it is.
std::optional<std::string> OptionWithMultiStatements(const std::optional<std::string>& given);

// The engine's own switch that makes it refuse writes for the rest of a session, for the engines
// whose drivers take SQL_ATTR_ACCESS_MODE as a hint only (the SQLite3 driver, psqlODBC, MariaDB
// Connector/ODBC all do), and a query whose one value says whether it is on. Chosen by the name
// the engine gives itself (SQL_DBMS_NAME), so it serves every driver and data source of that
// engine; nullopt for an engine without one known here.
struct ReadOnlySwitch {
    std::string_view turnOn;
    std::string_view check;
    std::string_view onValue;  // what check gives while the switch is on
};
std::optional<ReadOnlySwitch> ReadOnlySwitchOf(std::string_view dbmsName);

}  // namespace tbn::db::odbc
