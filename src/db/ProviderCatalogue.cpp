#include "db/ProviderCatalogue.h"

#include "db/ConnectionStringLexer.h"
#include "db/OdbcSources.h"

#include <algorithm>
#include <stdexcept>

namespace tbn::db {

using detail::SameKey;

namespace {

std::vector<ProviderInfo> Catalogue() {
    return {
        {.engine = Engine::Sqlite,
         .name = "SQLite",
         .caption = "SQLite database file",
         .keys = {{.name = "Data Source", .kind = KeyKind::File},
                  {.name = "Mode",
                   .kind = KeyKind::Choice,
                   .choices = {"", "ReadWrite", "ReadOnly", "ReadWriteCreate"}},
                  {.name = "Busy Timeout"}}},
        // Any other key goes to libpq as written, so libpq's own keywords work as well; Mode is
        // TBN's own (db/ReadOnlyMode.h).
        {.engine = Engine::PostgreSql,
         .name = "PostgreSQL",
         .caption = "PostgreSQL server",
         .keys = {{.name = "Host", .aliases = {"Server"}, .engineKey = "host"},
                  {.name = "Port", .engineKey = "port"},
                  {.name = "Database", .aliases = {"Initial Catalog"}, .engineKey = "dbname"},
                  {.name = "User ID", .aliases = {"Username", "UID"}, .engineKey = "user"},
                  {.name = "Password",
                   .aliases = {"PWD"},
                   .kind = KeyKind::Secret,
                   .engineKey = "password"},
                  {.name = "SSL Mode",
                   .kind = KeyKind::Choice,
                   .choices = {"", "disable", "allow", "prefer", "require", "verify-ca",
                               "verify-full"},
                   .engineKey = "sslmode"},
                  {.name = "Connect Timeout", .engineKey = "connect_timeout"},
                  {.name = "Application Name", .engineKey = "application_name"},
                  {.name = "Mode", .kind = KeyKind::Choice, .choices = {"", "ReadOnly"}}}},
        // Every key but Provider goes to the driver as written, except that the other providers'
        // spellings of the login become ODBC's own.
        {.engine = Engine::Odbc,
         .name = "ODBC",
         .aliases = {"MSDASQL"},
         .caption = "ODBC driver or data source",
         .keys = {{.name = "Driver", .kind = KeyKind::Choice, .source = ChoiceSource::OdbcDrivers},
                  {.name = "DSN", .kind = KeyKind::Choice, .source = ChoiceSource::OdbcDataSources},
                  {.name = "UID", .aliases = {"User ID", "Username", "User"}},
                  {.name = "PWD", .aliases = {"Password"}, .kind = KeyKind::Secret},
                  {.name = "Database"},
                  {.name = "Server"},
                  {.name = "Port"},
                  {.name = "Mode", .kind = KeyKind::Choice, .choices = {"", "ReadOnly"}}}},
    };
}

}  // namespace

bool ProviderKey::Names(std::string_view key) const {
    return SameKey(key, name) ||
           std::any_of(aliases.begin(), aliases.end(),
                       [key](std::string_view alias) { return SameKey(key, alias); });
}

std::optional<std::string> ProviderKey::ValueIn(const ConnectionString& properties) const {
    const std::vector<ConnectionProperty>& all = properties.Properties();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (Names(it->Key)) return it->Value;
    return std::nullopt;
}

const ProviderKey* ProviderInfo::Find(std::string_view key) const {
    for (const ProviderKey& known : keys)
        if (known.Names(key)) return &known;
    return nullptr;
}

const ProviderKey& ProviderInfo::Key(std::string_view keyName) const {
    for (const ProviderKey& known : keys)
        if (known.name == keyName) return known;
    throw std::logic_error("The provider catalogue has no key \"" + std::string(keyName) +
                           "\" for " + std::string(name) + ".");
}

const std::vector<ProviderInfo>& Providers() {
    static const std::vector<ProviderInfo> providers = Catalogue();
    return providers;
}

const ProviderInfo& ProviderOf(Engine engine) {
    for (const ProviderInfo& provider : Providers())
        if (provider.engine == engine) return provider;
    throw std::logic_error("The provider catalogue lacks an engine.");
}

const ProviderInfo* FindProvider(std::string_view name) {
    for (const ProviderInfo& provider : Providers()) {
        if (SameKey(name, provider.name)) return &provider;
        for (std::string_view alias : provider.aliases)
            if (SameKey(name, alias)) return &provider;
    }
    return nullptr;
}

const ProviderInfo* ChooseProvider(const ConnectionString& properties, std::string* named) {
    if (const std::optional<std::string> provider = properties.Get({"Provider"})) {
        if (named) *named = *provider;
        return FindProvider(*provider);
    }
    const ProviderInfo& odbc = ProviderOf(Engine::Odbc);
    const bool odbcKeys =
        odbc.Key("Driver").ValueIn(properties) || odbc.Key("DSN").ValueIn(properties);
    const ProviderInfo& chosen = odbcKeys ? odbc : ProviderOf(Engine::Sqlite);
    if (named) *named = chosen.name;
    return &chosen;
}

std::vector<std::string> ChoicesOf(const ProviderKey& key) {
    std::vector<std::string> choices;
    switch (key.source) {
    case ChoiceSource::Fixed: choices.assign(key.choices.begin(), key.choices.end()); break;
    case ChoiceSource::OdbcDrivers:
        choices.emplace_back();
        for (std::string& driver : OdbcDrivers()) choices.push_back(std::move(driver));
        break;
    case ChoiceSource::OdbcDataSources:
        choices.emplace_back();
        for (std::string& source : OdbcDataSources()) choices.push_back(std::move(source));
        break;
    }
    return choices;
}

}  // namespace tbn::db
