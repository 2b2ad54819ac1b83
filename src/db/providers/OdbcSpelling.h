#pragma once
// How an ODBC driver's engine spells names and row limits, from what the driver says of itself
// (SQLGetInfo).
#include "core/SchemaInfo.h"
#include "db/providers/OdbcLink.h"

#include <string>
#include <string_view>

namespace tbn::db::odbc {

// A text the driver gives through SQLGetInfo, as UTF-8; empty when it gives none.
std::string InfoText(const OdbcLink& link, SQLUSMALLINT type);

// The quote characters, identifier case and row-limit spelling of info.
void ReadSpelling(const OdbcLink& link, core::SchemaInfo& info);

// The row-limit spelling of the engine a driver names (SQL_DBMS_NAME): TOP for SQL Server and
// Sybase, FETCH FIRST for Oracle, DB2 and Informix, LIMIT for the rest.
core::RowLimitSpelling RowLimitOf(std::string_view dbmsName);

}  // namespace tbn::db::odbc
