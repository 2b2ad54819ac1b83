#pragma once
// What unixODBC knows on this machine, for the connection-string builder: the installed drivers
// and the data sources (user and system). Empty lists when the driver manager has nothing or
// cannot be asked; this never raises, since a builder without choices is still usable.
#include <string>
#include <vector>

namespace tbn::db {

std::vector<std::string> OdbcDrivers();      // driver names as Driver= takes them
std::vector<std::string> OdbcDataSources();  // data source names as DSN= takes them

} // namespace tbn::db
