#include "db/providers/OdbcRowReader.h"

#include "db/providers/OdbcText.h"

namespace tbn::db::odbc {

namespace {

// Reads one value as Unit text (char16_t for SQL_C_WCHAR, char for SQL_C_CHAR) into pieces;
// false for a null.
template <typename Unit>
bool ReadPieces(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT cType, std::basic_string<Unit>& pieces,
                const Dialect& dialect) {
    constexpr std::size_t chunkUnits = 8192;
    constexpr SQLLEN chunkBytes = static_cast<SQLLEN>(chunkUnits * sizeof(Unit));
    pieces.clear();
    for (;;) {
        const std::size_t start = pieces.size();
        pieces.resize(start + chunkUnits);
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, cType, pieces.data() + start, chunkBytes, &indicator);
        if (rc == SQL_NO_DATA) {  // every piece has been read already
            pieces.resize(start);
            return true;
        }
        if (!Succeeded(rc)) throw Diagnostics(SQL_HANDLE_STMT, stmt, dialect, "SQLGetData failed.");
        if (indicator == SQL_NULL_DATA) return false;
        // A piece that does not fit fills the buffer but for its terminator; the indicator then
        // holds the remaining length or SQL_NO_TOTAL, never the piece's own.
        if (rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator >= chunkBytes)) {
            pieces.resize(start + chunkUnits - 1);
            continue;
        }
        pieces.resize(start + static_cast<std::size_t>(indicator) / sizeof(Unit));
        return true;
    }
}

} // namespace

bool ReadWholeValue(SQLHSTMT stmt, SQLUSMALLINT column, const Dialect& dialect, std::u16string& wideScratch,
                    std::string& out) {
    if (!dialect.wide) return ReadPieces(stmt, column, SQL_C_CHAR, out, dialect);
    out.clear();
    if (!ReadPieces(stmt, column, SQL_C_WCHAR, wideScratch, dialect)) return false;
    AppendUtf8(out, wideScratch.data(), wideScratch.size());
    return true;
}

} // namespace tbn::db::odbc
