#pragma once
// Mode=ReadOnly over ODBC. The driver is asked first (SQL_ATTR_ACCESS_MODE), but ODBC lets a
// driver take that as a hint about locking and nothing more, and the common ones do; so where the
// engine behind the driver has a switch of its own, that is turned on too (OdbcDriverKind.h).
#include "db/Session.h"

#include <sql.h>

namespace tbn::db::odbc {

// Before SQLDriverConnect: the driver is told that the connection will not write.
void AskReadOnlyAccess(SQLHDBC dbc);

// After it, on the session made over dbc: the engine's switch, and whether the engine now
// refuses writes, as it says when asked (or, for an engine without a known switch, as the driver
// says of the data source). A switch the engine refuses leaves the answer false; it raises
// nothing.
bool EnforceReadOnly(Session& session, SQLHDBC dbc);

}  // namespace tbn::db::odbc
