#include "db/OdbcSources.h"

#include "db/providers/OdbcHandles.h"
#include "db/providers/OdbcText.h"

#include <vector>

namespace tbn::db {

namespace {

// SQLDrivers and SQLDataSources share their shape: a name, a description, a direction.
template <typename Enumerate>
std::vector<std::string> Names(Enumerate enumerate) {
    std::vector<std::string> names;
    try {
        odbc::Environment env = odbc::NewEnvironment();
        std::vector<SQLWCHAR> name(1024), description(4096);
        SQLUSMALLINT direction = SQL_FETCH_FIRST;
        for (;;) {
            SQLSMALLINT nameLength = 0, descriptionLength = 0;
            const SQLRETURN rc = enumerate(env.get(), direction, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                           &nameLength, description.data(), static_cast<SQLSMALLINT>(description.size()),
                                           &descriptionLength);
            if (!odbc::Succeeded(rc)) break;
            const auto units = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(nameLength, 0)), name.size() - 1);
            names.push_back(odbc::ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name.data()), units)));
            direction = SQL_FETCH_NEXT;
        }
    } catch (const Error&) {
        // No driver manager environment: no choices to offer.
    }
    return names;
}

} // namespace

std::vector<std::string> OdbcDrivers() {
    return Names([](SQLHENV env, SQLUSMALLINT direction, SQLWCHAR* name, SQLSMALLINT nameMax, SQLSMALLINT* nameLength,
                    SQLWCHAR* attributes, SQLSMALLINT attributesMax, SQLSMALLINT* attributesLength) {
        return SQLDriversW(env, direction, name, nameMax, nameLength, attributes, attributesMax, attributesLength);
    });
}

std::vector<std::string> OdbcDataSources() {
    return Names([](SQLHENV env, SQLUSMALLINT direction, SQLWCHAR* name, SQLSMALLINT nameMax, SQLSMALLINT* nameLength,
                    SQLWCHAR* description, SQLSMALLINT descriptionMax, SQLSMALLINT* descriptionLength) {
        return SQLDataSourcesW(env, direction, name, nameMax, nameLength, description, descriptionMax, descriptionLength);
    });
}

} // namespace tbn::db
