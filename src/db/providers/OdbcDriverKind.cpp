#include "db/providers/OdbcDriverKind.h"

#include <charconv>
#include <cstdint>

#include <dlfcn.h>
#include <link.h>
#include <sqlext.h>

#include <cctype>
#include <string>
#include <string_view>

namespace tbn::db::odbc {

namespace {

struct Search {
    std::string_view fileName;
    std::string path;
};

int MatchLoadedObject(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<Search*>(data);
    const std::string_view path = info->dlpi_name ? info->dlpi_name : "";
    const std::size_t slash = path.rfind('/');
    const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    // Some drivers give their file name without the "lib" it carries on disk (sqlite3odbc.so).
    const bool same = base == search->fileName ||
                      (base.size() == search->fileName.size() + 3 && base.substr(0, 3) == "lib" &&
                       base.substr(3) == search->fileName);
    if (!same) return 0;
    search->path.assign(path);
    return 1;
}

}  // namespace

bool DriverHasWideCalls(SQLHDBC dbc) {
    // The driver names its own library file; the driver manager has already loaded it.
    char name[512] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DRIVER_NAME, name, sizeof name, &length))) return true;
    Search search{name, {}};
    if (!dl_iterate_phdr(MatchLoadedObject, &search)) return true;
    void* library = dlopen(search.path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!library) return true;
    const bool wide = dlsym(library, "SQLExecDirectW") != nullptr;
    dlclose(library);
    return wide;
}

bool BoundsLoginByConnTimeoutKey(std::string_view driver) { return IsMariaDbDriver(driver); }

bool IsMariaDbDriver(std::string_view driver) {
    std::string lower(driver);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("mariadb") != std::string::npos || lower.find("maodbc") != std::string::npos;
}

std::optional<std::string> OptionWithMultiStatements(const std::optional<std::string>& given) {
    constexpr std::uint64_t multiStatements = 67108864;  // CLIENT_MULTI_STATEMENTS
    std::uint64_t flags = 0;
    if (given) {
        const std::string_view text(*given);
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), flags);
        if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    }
    return std::to_string(flags | multiStatements);
}

std::optional<ReadOnlySwitch> ReadOnlySwitchOf(std::string_view dbmsName) {
    // PRAGMA query_only keeps every database of the connection from being changed, the
    // temporary one included; the others hold for transactions begun the default way, which is
    // every statement run with auto-commit on.
    if (dbmsName == "SQLite")
        return ReadOnlySwitch{"PRAGMA query_only = 1", "PRAGMA query_only", "1"};
    if (dbmsName == "PostgreSQL")
        return ReadOnlySwitch{"SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY",
                              "SHOW default_transaction_read_only", "on"};
    if (dbmsName == "MariaDB")
        return ReadOnlySwitch{"SET SESSION TRANSACTION READ ONLY", "SELECT @@tx_read_only", "1"};
    // MySQL 8 renamed the variable; 5.7 knows both names.
    if (dbmsName == "MySQL")
        return ReadOnlySwitch{"SET SESSION TRANSACTION READ ONLY", "SELECT @@transaction_read_only",
                              "1"};
    return std::nullopt;
}

}  // namespace tbn::db::odbc
