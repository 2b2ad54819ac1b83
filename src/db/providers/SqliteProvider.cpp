#include "db/providers/SqliteProvider.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "db/ConnectionStringLexer.h"
#include "db/ProviderCatalogue.h"
#include "db/providers/SqliteBusyWait.h"
#include "db/providers/SqliteSession.h"

#include <charconv>
#include <filesystem>

namespace tbn::db {

namespace {

using detail::SameKey;

const ProviderKey& SqliteKey(std::string_view name) { return ProviderOf(Engine::Sqlite).Key(name); }

int OpenFlags(const ConnectionString& properties) {
    const std::string mode = SqliteKey("Mode").ValueIn(properties).value_or("ReadWrite");
    if (SameKey(mode, "ReadOnly")) return SQLITE_OPEN_READONLY;
    if (SameKey(mode, "ReadWrite")) return SQLITE_OPEN_READWRITE;
    if (SameKey(mode, "ReadWriteCreate")) return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    throw Error(ErrorCode::MalformedConnectionString,
                "The SQLite Mode \"" + mode +
                    "\" is not one of ReadOnly, ReadWrite, ReadWriteCreate.");
}

int BusyTimeout(const ConnectionString& properties) {
    const std::optional<std::string> text = SqliteKey("Busy Timeout").ValueIn(properties);
    if (!text) return SqliteDefaultBusyTimeoutMs;
    int ms = 0;
    const char* end = text->data() + text->size();
    const auto [stop, ec] = std::from_chars(text->data(), end, ms);
    if (ec != std::errc() || stop != end || ms < 0)
        throw Error(ErrorCode::MalformedConnectionString,
                    "The SQLite Busy Timeout \"" + *text +
                        "\" is not a whole number of milliseconds.");
    return ms;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(path), ec);
}

}  // namespace

std::unique_ptr<Session> OpenSqliteSession(const ConnectionString& properties) {
    const std::string path = SqliteKey("Data Source").ValueIn(properties).value_or("");
    if (path.empty())
        throw Error(ErrorCode::MissingDataSource, "The connection string names no Data Source: "
                                                  "give the SQLite database file, or :memory:.");
    if (path.find('\0') != std::string::npos)
        throw Error(ErrorCode::MalformedConnectionString,
                    "The SQLite Data Source contains a NUL character.");
    const int flags = OpenFlags(properties);
    const int busyTimeout = BusyTimeout(properties);
    const std::string context = "Cannot open the SQLite database \"" + path + "\"";

    sqlite3* raw = nullptr;
    // A connection is only ever used from the thread that opened it, so SQLite's per-call locking
    // would only cost time: on a million rows it is a fifth of the fetch.
    // A file: URI is how a file whose name is not valid UTF-8 reaches here (%XX for each odd byte).
    int rc =
        sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI, nullptr);
    auto busyWait = std::make_shared<sqlite::BusyWait>(busyTimeout);
    sqlite::DatabasePtr db = sqlite::AdoptDatabase(raw, busyWait);
    if (db) sqlite3_extended_result_codes(db.get(), 1);
    if (rc != SQLITE_OK) {
        Error error = sqlite::LastError(db.get(), context);
        if ((flags & SQLITE_OPEN_CREATE) == 0 && (rc & 0xFF) == SQLITE_CANTOPEN &&
            !FileExists(path))
            throw Error(error.Number(),
                        error.Description() +
                            " (the file does not exist; Mode=ReadWriteCreate creates a new one)");
        throw error;
    }
    sqlite3_busy_handler(db.get(), &sqlite::BusyWait::Handler, busyWait.get());

    // SQLite reads the file only when first needed; reading the schema now makes a file that is
    // not a database fail here, with its name, rather than at the first query.
    sqlite3_stmt* probe = nullptr;
    rc = sqlite3_prepare_v2(db.get(), "SELECT 1 FROM sqlite_schema LIMIT 0", -1, &probe, nullptr);
    sqlite::StatementPtr probeOwner(probe);
    if (rc != SQLITE_OK) throw sqlite::LastError(db.get(), context);

    return std::make_unique<sqlite::SqliteSession>(std::move(db), std::move(busyWait));
}

}  // namespace tbn::db
