#pragma once
// The columns of one row set and the buffers bound to them. A column of bounded size is bound to
// a column-wise buffer with room for a block of rows, so one fetch fills many rows without a call
// per value; a long or unbounded column (LOBs, text without a length) is left unbound, for
// SQLGetData in pieces. Bound values come as the same text SQLGetData gives: SQL_C_WCHAR from
// wide drivers, SQL_C_CHAR (UTF-8) from narrow ones.
#include "db/providers/OdbcHandles.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tbn::db::odbc {

struct ColumnInfo {
    std::string name;  // UTF-8
    SQLSMALLINT type = 0;
    SQLULEN size = 0;        // as SQLDescribeCol gives it
    SQLLEN displaySize = 0;  // SQL_DESC_DISPLAY_SIZE, characters
};

// SQLDescribeCol and the display size of every column of the statement's current result.
std::vector<ColumnInfo> DescribeColumns(SQLHSTMT stmt, const Dialect& dialect);

class ColumnBuffers {
public:
    // Binds each column whose text fits a modest buffer (when bind is true), with room for rows
    // rows; the others stay unbound. Unbinds in the destructor, so the statement may go on.
    ColumnBuffers(SQLHSTMT stmt, const std::vector<ColumnInfo>& columns, bool wide, bool bind,
                  std::size_t rows);
    ~ColumnBuffers();
    ColumnBuffers(const ColumnBuffers&) = delete;
    ColumnBuffers& operator=(const ColumnBuffers&) = delete;

    bool AllBound() const { return unbound_ == 0; }
    bool Bound(std::size_t column) const { return columns_[column].capacityBytes > 0; }
    // Whether every column has a bounded size (and would be bound).
    static bool AllBindable(const std::vector<ColumnInfo>& columns);
    // The rows a block can hold, from the bytes one row of bound buffers takes.
    static std::size_t RowsFor(const std::vector<ColumnInfo>& columns, bool wide, std::size_t most);

    // For a bound column, in row of the last block:
    bool IsNull(std::size_t row, std::size_t column) const {
        return Indicator(row, column) == SQL_NULL_DATA;
    }
    // The value did not fit its buffer (it is cut there); it must be read again whole.
    bool Truncated(std::size_t row, std::size_t column) const;
    // The value as UTF-8: a view into the buffer for narrow drivers, else converted into scratch.
    std::string_view Text(std::size_t row, std::size_t column, std::string& scratch) const;

private:
    struct Column {
        std::vector<char> buffer;  // rows x capacityBytes, column-wise
        std::vector<SQLLEN> indicators;
        SQLLEN capacityBytes = 0;  // 0: unbound
    };
    SQLLEN Indicator(std::size_t row, std::size_t column) const {
        return columns_[column].indicators[row];
    }

    SQLHSTMT stmt_;
    bool wide_;
    std::vector<Column> columns_;
    std::size_t unbound_ = 0;
};

}  // namespace tbn::db::odbc
