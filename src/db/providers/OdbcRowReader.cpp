#include "db/providers/OdbcRowReader.h"

#include "db/providers/HexText.h"
#include "db/providers/OdbcText.h"

namespace tbn::db::odbc {

namespace {

// Reads one value as Unit text (char16_t for SQL_C_WCHAR, char for SQL_C_CHAR) or as bytes
// (char for SQL_C_BINARY) into pieces; false for a null.
template <typename Unit> bool ReadPieces(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT cType,
                                         std::basic_string<Unit>& pieces, const Dialect& dialect) {
    // Text pieces end in a terminator that takes a unit of the buffer; bytes do not.
    const std::size_t terminator = cType == SQL_C_BINARY ? 0 : 1;
    constexpr std::size_t chunkUnits = 8192;
    constexpr SQLLEN chunkBytes = static_cast<SQLLEN>(chunkUnits * sizeof(Unit));
    pieces.clear();
    for (;;) {
        const std::size_t start = pieces.size();
        pieces.resize(start + chunkUnits);
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(stmt, column, cType, pieces.data() + start, chunkBytes, &indicator);
        if (rc == SQL_NO_DATA) {  // every piece has been read already
            pieces.resize(start);
            return true;
        }
        if (!Succeeded(rc)) throw Diagnostics(SQL_HANDLE_STMT, stmt, dialect, "SQLGetData failed.");
        if (indicator == SQL_NULL_DATA) return false;
        // A piece that does not fit fills the buffer (but for a text's terminator); the indicator
        // then holds the remaining length or SQL_NO_TOTAL, never the piece's own.
        const bool whole = terminator ? indicator < chunkBytes : indicator <= chunkBytes;
        if (rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || !whole)) {
            pieces.resize(start + chunkUnits - terminator);
            continue;
        }
        pieces.resize(start + static_cast<std::size_t>(indicator) / sizeof(Unit));
        return true;
    }
}

}  // namespace

bool ReadWholeValue(SQLHSTMT stmt, SQLUSMALLINT column, const Dialect& dialect,
                    std::u16string& wideScratch, std::string& out) {
    if (!dialect.wide) return ReadPieces(stmt, column, SQL_C_CHAR, out, dialect);
    out.clear();
    if (!ReadPieces(stmt, column, SQL_C_WCHAR, wideScratch, dialect)) return false;
    AppendUtf8(out, wideScratch.data(), wideScratch.size());
    return true;
}

bool ReadWholeBytesAsHex(SQLHSTMT stmt, SQLUSMALLINT column, const Dialect& dialect,
                         std::string& bytesScratch, std::string& out) {
    out.clear();
    if (!ReadPieces(stmt, column, SQL_C_BINARY, bytesScratch, dialect)) return false;
    AppendHex(out, bytesScratch.data(), bytesScratch.size());
    return true;
}

bool IsBinaryType(SQLSMALLINT sqlType) {
    return sqlType == SQL_BINARY || sqlType == SQL_VARBINARY || sqlType == SQL_LONGVARBINARY;
}

core::ValueKind KindOfSqlType(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return core::ValueKind::Number;
    default: return IsBinaryType(sqlType) ? core::ValueKind::Binary : core::ValueKind::Text;
    }
}

}  // namespace tbn::db::odbc
