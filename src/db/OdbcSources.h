#pragma once
// What unixODBC knows on this machine, for the connection-string builder: the installed drivers
// and the data sources (user and system). Empty lists when the driver manager has nothing or
// cannot be asked; this never raises, since a builder without choices is still usable.
#include <string>
#include <string_view>
#include <vector>

namespace tbn::db {

std::vector<std::string> OdbcDrivers();      // driver names as Driver= takes them
std::vector<std::string> OdbcDataSources();  // data source names as DSN= takes them
// The name of the driver a data source uses (its name compared without regard to case); empty
// when there is no such data source.
std::string OdbcDataSourceDriver(std::string_view dataSource);

}  // namespace tbn::db
