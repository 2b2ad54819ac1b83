#pragma once
// The one description of the providers and their connection-string keys: for each key its
// canonical name, the other spellings read from a string, the kind of value it takes and, where
// the engine calls it something else, the engine's own name. The provider factory, the providers
// and the data-link form all read it, so a spelling one of them knows, all of them know.
// Names and aliases match without regard to ASCII case. The catalogue is fixed at start-up and
// may be read from any thread.
#include "db/ConnectionString.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tbn::db {

enum class Engine { Sqlite, PostgreSql, Odbc };

enum class KeyKind { Text, Secret, File, Choice };

// Where a Choice key's values come from.
enum class ChoiceSource { Fixed, OdbcDrivers, OdbcDataSources };

struct ProviderKey {
    std::string_view name;                    // canonical: what a composed string writes
    std::vector<std::string_view> aliases{};  // other spellings read from a string
    KeyKind kind = KeyKind::Text;
    std::vector<std::string_view> choices{};  // Fixed choices; the first, "", means "not set"
    ChoiceSource source = ChoiceSource::Fixed;
    std::string_view engineKey{};  // the engine's name for it (a libpq keyword); "" when none

    bool Names(std::string_view key) const;  // key is the name or one of the aliases
    // The last value given under any of its spellings.
    std::optional<std::string> ValueIn(const ConnectionString& properties) const;
};

struct ProviderInfo {
    Engine engine;
    std::string_view name;                    // the value of Provider=
    std::vector<std::string_view> aliases{};  // other values of Provider= that choose it
    std::string_view caption;                 // how a list of providers shows it
    std::vector<ProviderKey> keys;            // in the order a form shows them

    const ProviderKey* Find(std::string_view key) const;  // by any spelling; null when unknown
    // By canonical name, for the provider's own code; a name the catalogue lacks is a defect of
    // the program and raises std::logic_error.
    const ProviderKey& Key(std::string_view name) const;
};

// SQLite, PostgreSQL, ODBC: the providers this build can open, in the order a list shows them.
const std::vector<ProviderInfo>& Providers();
const ProviderInfo& ProviderOf(Engine engine);
const ProviderInfo* FindProvider(std::string_view name);  // by name or alias; null when unknown

// The provider a connection string chooses: the one its Provider names (null, with the name as
// written in *named, when that is not a known provider), otherwise ODBC when it gives a Driver or
// a DSN, otherwise SQLite.
const ProviderInfo* ChooseProvider(const ConnectionString& properties, std::string* named);

// The values a Choice key offers now, "" (not set) first. The ODBC lists are asked of the driver
// manager on every call, so a driver installed while the program runs shows up next time.
std::vector<std::string> ChoicesOf(const ProviderKey& key);

}  // namespace tbn::db
