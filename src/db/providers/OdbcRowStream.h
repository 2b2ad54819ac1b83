#pragma once
// Walks a statement's current row set a row at a time while fetching it in blocks: with the
// driver's leave (SQL_GETDATA_EXTENSIONS) a fetch fills a few hundred rows of bound buffers, and
// values that are long or did not fit are read whole with SQLGetData; otherwise a row per fetch.
// Nothing is kept beyond the current block.
#include "core/ValueKind.h"
#include "db/providers/OdbcColumnBuffers.h"

#include <memory>
#include <string>
#include <vector>

namespace tbn::db::odbc {

class RowStream {
public:
    // Describes and binds the statement's current result. The statement is borrowed: it must
    // outlive the stream, which leaves it unbound with a row array of one.
    RowStream(SQLHSTMT stmt, const Dialect& dialect, SQLUINTEGER getDataExtensions);
    ~RowStream();
    RowStream(const RowStream&) = delete;
    RowStream& operator=(const RowStream&) = delete;

    std::vector<std::string> Names() const;
    std::vector<core::ValueKind> Kinds() const;  // from each column's SQL type
    std::size_t FieldCount() const { return columns_.size(); }
    // Moves to the next row, the first on the first call; false once the row set is over.
    // Raises the driver's failure.
    bool Next();
    bool IsNull(std::size_t index) const { return cells_[index].null; }
    std::string_view Value(std::size_t index) const { return cells_[index].text; }

private:
    struct Cell {
        bool null = true;
        std::string_view text;
    };
    bool FetchBlock();
    void ReadRow();

    SQLHSTMT stmt_;
    Dialect dialect_;
    std::vector<ColumnInfo> columns_;
    std::size_t blockRows_ = 1;
    std::unique_ptr<ColumnBuffers> buffers_;
    SQLULEN fetched_ = 0;  // rows of the last block
    std::size_t row_ = 0;  // in the last block
    bool started_ = false;
    std::vector<Cell> cells_;
    std::vector<std::string> texts_;  // per column: converted or re-read text
    std::u16string wide_;
    std::string bytes_;  // a binary value read raw, before it becomes hex
};

}  // namespace tbn::db::odbc
