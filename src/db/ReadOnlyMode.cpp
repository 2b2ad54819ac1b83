#include "db/ReadOnlyMode.h"

#include "db/ConnectionStringLexer.h"

namespace tbn::db {

bool IsReadOnlyMode(std::string_view mode) { return detail::SameKey(mode, "ReadOnly"); }

bool AsksReadOnly(const ConnectionString& properties) {
    const std::optional<std::string> mode = properties.Get({"Mode"});
    return mode && IsReadOnlyMode(*mode);
}

bool AsksReadOnly(std::string_view connectionString) noexcept {
    try {
        return AsksReadOnly(ConnectionString::Parse(connectionString));
    } catch (...) {
        return false;
    }
}

}  // namespace tbn::db
