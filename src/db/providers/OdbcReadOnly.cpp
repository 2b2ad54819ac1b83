#include "db/providers/OdbcReadOnly.h"

#include "core/Error.h"
#include "db/providers/OdbcDriverKind.h"
#include "db/providers/OdbcHandles.h"

#include <sqlext.h>

#include <string_view>

namespace tbn::db::odbc {

namespace {

bool AccessModeSet(SQLHDBC dbc) {
    return Succeeded(SQLSetConnectAttrW(
        dbc, SQL_ATTR_ACCESS_MODE,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_MODE_READ_ONLY)), 0));
}

std::string_view Info(SQLHDBC dbc, SQLUSMALLINT type, char (&buffer)[128]) {
    SQLSMALLINT length = 0;
    if (!Succeeded(SQLGetInfo(dbc, type, buffer, sizeof buffer, &length))) return {};
    return std::string_view(buffer);
}

}  // namespace

void AskReadOnlyAccess(SQLHDBC dbc) { AccessModeSet(dbc); }

bool EnforceReadOnly(Session& session, SQLHDBC dbc) {
    // Some drivers take the attribute only once connected; asking again costs nothing.
    AccessModeSet(dbc);
    char buffer[128] = {};
    if (const std::optional<ReadOnlySwitch> engineSwitch =
            ReadOnlySwitchOf(Info(dbc, SQL_DBMS_NAME, buffer))) {
        try {
            session.Execute(engineSwitch->turnOn);
            const std::unique_ptr<Cursor> state = session.Execute(engineSwitch->check);
            return state && state->FieldCount() == 1 && !state->AtEnd() &&
                   state->Value(0) == engineSwitch->onValue;
        } catch (const Error&) {
            // An engine too old for its switch: the connection serves, and the window says the
            // writes it asked to be kept from are not.
            return false;
        }
    }
    return Info(dbc, SQL_DATA_SOURCE_READ_ONLY, buffer) == "Y";
}

}  // namespace tbn::db::odbc
