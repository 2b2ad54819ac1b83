#include "db/providers/SqliteHandles.h"

#include <string>

namespace tbn::db::sqlite {

DatabasePtr AdoptDatabase(sqlite3* db, std::shared_ptr<void> keepAlive) {
    // close_v2 defers the close while a statement is still unfinalized instead of failing with
    // SQLITE_BUSY and leaking the handle.
    return DatabasePtr(
        db, [keepAlive = std::move(keepAlive)](sqlite3* handle) { sqlite3_close_v2(handle); });
}

Error LastError(sqlite3* db, std::string_view context) {
    std::string description;
    if (!context.empty()) {
        description.assign(context);
        description += ": ";
    }
    if (!db) {
        description += "out of memory";
        return Error(SQLITE_NOMEM, std::move(description));
    }
    description += sqlite3_errmsg(db);
    return Error(sqlite3_extended_errcode(db), std::move(description));
}

}  // namespace tbn::db::sqlite
