#include "db/OdbcSources.h"

#include "db/ConnectionStringLexer.h"
#include "db/providers/OdbcHandles.h"
#include "db/providers/OdbcText.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tbn::db {

namespace {

// SQLDrivers and SQLDataSources share their shape: a name, a description, a direction. The
// description of a data source is its driver's name.
template <typename Enumerate>
std::vector<std::pair<std::string, std::string>> Entries(Enumerate enumerate) {
    std::vector<std::pair<std::string, std::string>> entries;
    try {
        odbc::Environment env = odbc::NewEnvironment();
        std::vector<SQLWCHAR> name(1024), description(4096);
        auto text = [](const std::vector<SQLWCHAR>& buffer, SQLSMALLINT length) {
            const auto units = std::min<std::size_t>(
                static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), buffer.size() - 1);
            return odbc::ToUtf8(
                std::u16string_view(reinterpret_cast<const char16_t*>(buffer.data()), units));
        };
        SQLUSMALLINT direction = SQL_FETCH_FIRST;
        for (;;) {
            SQLSMALLINT nameLength = 0, descriptionLength = 0;
            const SQLRETURN rc =
                enumerate(env.get(), direction, name.data(), static_cast<SQLSMALLINT>(name.size()),
                          &nameLength, description.data(),
                          static_cast<SQLSMALLINT>(description.size()), &descriptionLength);
            if (!odbc::Succeeded(rc)) break;
            entries.emplace_back(text(name, nameLength), text(description, descriptionLength));
            direction = SQL_FETCH_NEXT;
        }
    } catch (const Error&) {
        // No driver manager environment: no choices to offer.
    }
    return entries;
}

std::vector<std::string> Names(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const auto& entry : entries) names.push_back(entry.first);
    return names;
}

std::vector<std::pair<std::string, std::string>> DataSources() {
    return Entries([](SQLHENV env, SQLUSMALLINT direction, SQLWCHAR* name, SQLSMALLINT nameMax,
                      SQLSMALLINT* nameLength, SQLWCHAR* description, SQLSMALLINT descriptionMax,
                      SQLSMALLINT* descriptionLength) {
        return SQLDataSourcesW(env, direction, name, nameMax, nameLength, description,
                               descriptionMax, descriptionLength);
    });
}

}  // namespace

std::vector<std::string> OdbcDrivers() {
    return Names(Entries([](SQLHENV env, SQLUSMALLINT direction, SQLWCHAR* name,
                            SQLSMALLINT nameMax, SQLSMALLINT* nameLength, SQLWCHAR* attributes,
                            SQLSMALLINT attributesMax, SQLSMALLINT* attributesLength) {
        return SQLDriversW(env, direction, name, nameMax, nameLength, attributes, attributesMax,
                           attributesLength);
    }));
}

std::vector<std::string> OdbcDataSources() { return Names(DataSources()); }

std::string OdbcDataSourceDriver(std::string_view dataSource) {
    for (const auto& [name, driver] : DataSources())
        if (detail::SameKey(name, dataSource)) return driver;
    return {};
}

}  // namespace tbn::db
