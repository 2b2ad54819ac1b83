#include "db/providers/OdbcColumnBuffers.h"

#include "db/providers/OdbcText.h"

#include <algorithm>

namespace tbn::db::odbc {

namespace {

// Longer columns are read in pieces: a buffer per row of a block for them would cost megabytes
// for values that are mostly short.
constexpr SQLULEN LongestBoundCharacters = 1024;
// The bound buffers of one block stay within this, however wide the rows.
constexpr std::size_t BlockBytes = 4u << 20;

std::string ColumnName(SQLHSTMT stmt, SQLUSMALLINT column, const Dialect& dialect,
                       ColumnInfo& info) {
    SQLSMALLINT length = 0, digits = 0, nullable = 0;
    if (dialect.wide) {
        std::vector<SQLWCHAR> name(256);
        for (;;) {
            if (!Succeeded(SQLDescribeColW(stmt, column, name.data(),
                                           static_cast<SQLSMALLINT>(name.size()), &length,
                                           &info.type, &info.size, &digits, &nullable)))
                throw Diagnostics(SQL_HANDLE_STMT, stmt, dialect, "SQLDescribeCol failed.");
            if (static_cast<std::size_t>(length) < name.size())
                return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name.data()),
                                                  static_cast<std::size_t>(length)));
            name.resize(static_cast<std::size_t>(length) + 1);
        }
    }
    std::vector<SQLCHAR> name(512);
    for (;;) {
        if (!Succeeded(SQLDescribeCol(stmt, column, name.data(),
                                      static_cast<SQLSMALLINT>(name.size()), &length, &info.type,
                                      &info.size, &digits, &nullable)))
            throw Diagnostics(SQL_HANDLE_STMT, stmt, dialect, "SQLDescribeCol failed.");
        if (static_cast<std::size_t>(length) < name.size())
            return std::string(reinterpret_cast<const char*>(name.data()),
                               static_cast<std::size_t>(length));
        name.resize(static_cast<std::size_t>(length) + 1);
    }
}

// The characters a column's text may take, 0 when unbounded or too long to bind. Binary values
// are read whole, as bytes (see OdbcRowStream).
SQLULEN BoundCharacters(const ColumnInfo& column) {
    switch (column.type) {
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_LONGVARBINARY:
    case SQL_BINARY:
    case SQL_VARBINARY: return 0;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR: return column.size <= LongestBoundCharacters ? column.size : 0;
    default: {
        // Numbers, dates and the like: their text is at most the display size.
        const SQLULEN display =
            column.displaySize > 0 ? static_cast<SQLULEN>(column.displaySize) : 0;
        return display <= LongestBoundCharacters ? display : 0;
    }
    }
}

// Bytes for one value's text and its terminator: a character may take four UTF-8 bytes, or two
// UTF-16 units.
SQLLEN CapacityBytes(SQLULEN characters, bool wide) {
    if (characters == 0) return 0;
    return static_cast<SQLLEN>(wide ? (characters * 2 + 1) * sizeof(SQLWCHAR) : characters * 4 + 1);
}

}  // namespace

std::vector<ColumnInfo> DescribeColumns(SQLHSTMT stmt, const Dialect& dialect) {
    SQLSMALLINT count = 0;
    if (!Succeeded(SQLNumResultCols(stmt, &count)))
        throw Diagnostics(SQL_HANDLE_STMT, stmt, dialect, "SQLNumResultCols failed.");
    std::vector<ColumnInfo> columns(static_cast<std::size_t>(std::max<SQLSMALLINT>(count, 0)));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        columns[i].name = ColumnName(stmt, number, dialect, columns[i]);
        // A driver that does not say leaves 0, which reads as "too long to bind".
        SQLColAttribute(stmt, number, SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr,
                        &columns[i].displaySize);
    }
    return columns;
}

bool ColumnBuffers::AllBindable(const std::vector<ColumnInfo>& columns) {
    return std::all_of(columns.begin(), columns.end(),
                       [](const ColumnInfo& column) { return BoundCharacters(column) > 0; });
}

std::size_t ColumnBuffers::RowsFor(const std::vector<ColumnInfo>& columns, bool wide,
                                   std::size_t most) {
    std::size_t rowBytes = 0;
    for (const ColumnInfo& column : columns)
        rowBytes += static_cast<std::size_t>(CapacityBytes(BoundCharacters(column), wide));
    if (rowBytes == 0) return most;
    return std::clamp<std::size_t>(BlockBytes / rowBytes, 1, most);
}

ColumnBuffers::ColumnBuffers(SQLHSTMT stmt, const std::vector<ColumnInfo>& columns, bool wide,
                             bool bind, std::size_t rows)
    : stmt_(stmt), wide_(wide), columns_(columns.size()) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        Column& column = columns_[i];
        const SQLLEN capacity = bind ? CapacityBytes(BoundCharacters(columns[i]), wide) : 0;
        if (capacity == 0) {
            ++unbound_;
            continue;
        }
        column.buffer.resize(rows * static_cast<std::size_t>(capacity));
        column.indicators.resize(rows);
        if (!Succeeded(SQLBindCol(stmt, static_cast<SQLUSMALLINT>(i + 1),
                                  wide ? SQL_C_WCHAR : SQL_C_CHAR, column.buffer.data(), capacity,
                                  column.indicators.data()))) {
            // Left to SQLGetData, as a driver that cannot bind it would have it.
            column = Column{};
            ++unbound_;
            continue;
        }
        column.capacityBytes = capacity;
    }
}

ColumnBuffers::~ColumnBuffers() {
    if (unbound_ < columns_.size()) SQLFreeStmt(stmt_, SQL_UNBIND);
}

bool ColumnBuffers::Truncated(std::size_t row, std::size_t column) const {
    const SQLLEN indicator = Indicator(row, column);
    const SQLLEN unit = wide_ ? static_cast<SQLLEN>(sizeof(SQLWCHAR)) : 1;
    return indicator == SQL_NO_TOTAL ||
           (indicator >= 0 && indicator + unit > columns_[column].capacityBytes);
}

std::string_view ColumnBuffers::Text(std::size_t row, std::size_t column,
                                     std::string& scratch) const {
    const Column& bound = columns_[column];
    const char* start = bound.buffer.data() + row * static_cast<std::size_t>(bound.capacityBytes);
    const auto bytes = static_cast<std::size_t>(std::max<SQLLEN>(Indicator(row, column), 0));
    if (!wide_) return {start, bytes};
    scratch.clear();
    AppendUtf8(scratch, reinterpret_cast<const char16_t*>(start), bytes / sizeof(char16_t));
    return scratch;
}

}  // namespace tbn::db::odbc
