#include "db/providers/SqliteHandles.h"

#include <string>

namespace tbn::db::sqlite {

DatabasePtr AdoptDatabase(sqlite3* db) {
    // close_v2 defers the close while a statement is still unfinalized instead of failing with
    // SQLITE_BUSY and leaking the handle.
    return DatabasePtr(db, [](sqlite3* handle) { sqlite3_close_v2(handle); });
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

void AppendHex(std::string& out, const void* bytes, std::size_t size) {
    static constexpr char digits[] = "0123456789ABCDEF";
    const auto* p = static_cast<const unsigned char*>(bytes);
    const std::size_t start = out.size();
    out.resize(start + 2 * size);
    char* dst = out.data() + start;
    for (std::size_t i = 0; i < size; ++i) {
        *dst++ = digits[p[i] >> 4];
        *dst++ = digits[p[i] & 0x0F];
    }
}

} // namespace tbn::db::sqlite
