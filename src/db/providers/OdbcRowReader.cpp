#include "db/providers/OdbcRowReader.h"

#include "db/providers/OdbcText.h"

#include <string>
#include <vector>

namespace tbn::db::odbc {

namespace {

std::string ColumnName(SQLHSTMT stmt, SQLUSMALLINT column, const Dialect& dialect) {
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    if (dialect.wide) {
        std::vector<SQLWCHAR> name(256);
        for (;;) {
            if (!Succeeded(SQLDescribeColW(stmt, column, name.data(), static_cast<SQLSMALLINT>(name.size()), &length,
                                           &type, &size, &digits, &nullable)))
                throw Diagnostics(SQL_HANDLE_STMT, stmt, dialect, "SQLDescribeCol failed.");
            if (static_cast<std::size_t>(length) < name.size())
                return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name.data()), static_cast<std::size_t>(length)));
            name.resize(static_cast<std::size_t>(length) + 1);
        }
    }
    std::vector<SQLCHAR> name(512);
    for (;;) {
        if (!Succeeded(SQLDescribeCol(stmt, column, name.data(), static_cast<SQLSMALLINT>(name.size()), &length, &type,
                                      &size, &digits, &nullable)))
            throw Diagnostics(SQL_HANDLE_STMT, stmt, dialect, "SQLDescribeCol failed.");
        if (static_cast<std::size_t>(length) < name.size())
            return std::string(reinterpret_cast<const char*>(name.data()), static_cast<std::size_t>(length));
        name.resize(static_cast<std::size_t>(length) + 1);
    }
}

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

std::unique_ptr<BufferedCursor> ReadRowSet(SQLHSTMT stmt, const Dialect& dialect) {
    SQLSMALLINT columns = 0;
    if (!Succeeded(SQLNumResultCols(stmt, &columns))) throw Diagnostics(SQL_HANDLE_STMT, stmt, dialect, "SQLNumResultCols failed.");
    std::vector<std::string> names;
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) names.push_back(ColumnName(stmt, c, dialect));
    auto rows = std::make_unique<BufferedCursor>(std::move(names));
    std::u16string widePieces;
    std::string value;
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA) break;
        if (!Succeeded(rc)) throw Diagnostics(SQL_HANDLE_STMT, stmt, dialect, "SQLFetch failed.");
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
            bool present;
            if (dialect.wide) {
                present = ReadPieces(stmt, c, SQL_C_WCHAR, widePieces, dialect);
                // Converted once the value is whole, so a surrogate pair cut between pieces survives.
                value.clear();
                if (present) AppendUtf8(value, widePieces.data(), widePieces.size());
            } else {
                present = ReadPieces(stmt, c, SQL_C_CHAR, value, dialect);
            }
            if (present)
                rows->AppendValue(value);
            else
                rows->AppendNull();
        }
    }
    return rows;
}

} // namespace tbn::db::odbc
