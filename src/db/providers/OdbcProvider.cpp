#include "db/providers/OdbcProvider.h"

#include "core/ErrorCodes.h"
#include "db/ConnectionStringLexer.h"
#include "db/OdbcSources.h"
#include "db/ProviderCatalogue.h"
#include "db/ReadOnlyMode.h"
#include "db/providers/OdbcDriverKind.h"
#include "db/providers/OdbcReadOnly.h"
#include "db/providers/OdbcSession.h"
#include "db/providers/OdbcText.h"

#include <optional>
#include <vector>

namespace tbn::db {

namespace {

using detail::SameKey;

bool NeedsBraces(std::string_view value) {
    if (value.empty()) return false;
    if (value.front() == ' ' || value.back() == ' ') return true;
    return value.find_first_of(";{}= ") != std::string_view::npos;
}

// A data source keeps its own OPTION, which a value in the string would replace whole; only a
// string that names the driver, or gives OPTION itself, gets the flag.
ConnectionString WithMultiStatements(const ConnectionString& properties, std::string_view driver) {
    if (!odbc::IsMariaDbDriver(driver)) return properties;
    std::string key = "OPTION";
    for (const ConnectionProperty& property : properties.Properties())
        if (SameKey(property.Key, "Option") || SameKey(property.Key, "Options")) key = property.Key;
    const std::optional<std::string> given = properties.Get({key});
    if (!given && properties.Get({"DSN"})) return properties;
    ConnectionString effective = properties;
    if (std::optional<std::string> option = odbc::OptionWithMultiStatements(given))
        effective.Set(key, std::move(*option));
    return effective;
}

}  // namespace

std::string OdbcConnectionText(const ConnectionString& properties) {
    const ProviderInfo& provider = ProviderOf(Engine::Odbc);
    std::string text;
    for (const ConnectionProperty& property : properties.Properties()) {
        if (SameKey(property.Key, "Provider")) continue;
        // Another provider's spelling of a key becomes ODBC's own; every other key goes as written.
        std::string_view key = property.Key;
        if (const ProviderKey* known = provider.Find(key); known && !SameKey(key, known->name))
            key = known->name;
        text.append(key);
        text.push_back('=');
        if (NeedsBraces(property.Value)) {
            text.push_back('{');
            for (char c : property.Value) {
                text.push_back(c);
                if (c == '}') text.push_back('}');
            }
            text.push_back('}');
        } else {
            text += property.Value;
        }
        text.push_back(';');
    }
    return text;
}

std::unique_ptr<Session> OpenOdbcSession(const ConnectionString& properties) {
    auto link = std::make_shared<odbc::OdbcLink>();
    const ProviderInfo& provider = ProviderOf(Engine::Odbc);
    link->password = provider.Key("PWD").ValueIn(properties).value_or("");
    link->user = provider.Key("UID").ValueIn(properties).value_or("");
    link->env = odbc::NewEnvironment();
    link->dbc = std::make_unique<odbc::DbcHandle>(link->env.get());
    SQLHANDLE dbc = link->dbc->get();
    // Drivers that ignore the login timeout say so with a warning; that is not worth failing for.
    SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(OdbcLoginTimeoutSeconds)),
                       0);

    const bool readOnly = AsksReadOnly(properties);
    if (readOnly) odbc::AskReadOnlyAccess(dbc);

    std::optional<std::string> driver = properties.Get({"Driver"});
    if (!driver) driver = OdbcDataSourceDriver(properties.Get({"DSN"}).value_or(""));
    std::string text = OdbcConnectionText(WithMultiStatements(properties, *driver));
    if (!properties.Get({"CONN_TIMEOUT"}) && odbc::BoundsLoginByConnTimeoutKey(*driver))
        text += "CONN_TIMEOUT=" + std::to_string(OdbcLoginTimeoutSeconds) + ";";
    std::u16string in = odbc::ToUtf16(text);
    std::vector<SQLWCHAR> out(4096);
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc =
        SQLDriverConnectW(dbc, nullptr, odbc::Wide(in), SQL_NTS, out.data(),
                          static_cast<SQLSMALLINT>(out.size()), &outLength, SQL_DRIVER_NOPROMPT);
    if (!odbc::Succeeded(rc))
        throw odbc::Diagnostics(SQL_HANDLE_DBC, dbc, link->dialect(),
                                "The ODBC driver manager could not connect.");
    link->dbc->SetConnected();
    link->wide = odbc::DriverHasWideCalls(dbc);
    // Drivers that do not answer are taken at their narrowest: no SQLGetData beside bound
    // columns, and possibly several results per text.
    SQLGetInfo(dbc, SQL_GETDATA_EXTENSIONS, &link->getDataExtensions,
               sizeof link->getDataExtensions, nullptr);
    char several[2] = {};
    if (odbc::Succeeded(SQLGetInfo(dbc, SQL_MULT_RESULT_SETS, several, sizeof several, nullptr)))
        link->severalResults = several[0] != 'N';
    auto session = std::make_unique<odbc::OdbcSession>(link);
    if (readOnly) link->readOnlyEnforced = odbc::EnforceReadOnly(*session, dbc);
    return session;
}

}  // namespace tbn::db
