#include "db/providers/OdbcRowStream.h"

#include "db/providers/OdbcRowReader.h"

namespace tbn::db::odbc {

namespace {

// Rows per fetch: enough that the calls per row vanish, few enough that a block's buffers stay
// small.
constexpr std::size_t BlockRows = 512;

void SetPointerAttribute(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value) {
    SQLSetStmtAttr(stmt, attribute, value, 0);
}

}  // namespace

RowStream::RowStream(SQLHSTMT stmt, const Dialect& dialect, SQLUINTEGER getDataExtensions)
    : stmt_(stmt), dialect_(dialect), columns_(DescribeColumns(stmt, dialect)) {
    // A bound value that did not fit is read again with SQLGetData, which the driver must allow
    // on bound columns and on any column in any order; without that, every value is read that way.
    const SQLUINTEGER rereads = SQL_GD_BOUND | SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER;
    const bool bind = (getDataExtensions & rereads) == rereads;
    // Blocks only when every column is bound: positioning on each row of a block to read its long
    // values costs more than it saves. A bound value that did not fit is still read again, which
    // within a block needs SQL_GD_BLOCK; without it a fetch brings one row.
    if (bind && (getDataExtensions & SQL_GD_BLOCK) && ColumnBuffers::AllBindable(columns_))
        blockRows_ = ColumnBuffers::RowsFor(columns_, dialect.wide, BlockRows);
    if (blockRows_ > 1) {
        if (Succeeded(SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE,
                                     reinterpret_cast<SQLPOINTER>(blockRows_), 0)))
            SetPointerAttribute(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_);
        else
            blockRows_ = 1;
    }
    buffers_ = std::make_unique<ColumnBuffers>(stmt_, columns_, dialect.wide, bind, blockRows_);
    cells_.resize(columns_.size());
    texts_.resize(columns_.size());
}

RowStream::~RowStream() {
    buffers_.reset();
    if (blockRows_ > 1) {
        SetPointerAttribute(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr);
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(1)), 0);
    }
}

std::vector<std::string> RowStream::Names() const {
    std::vector<std::string> names;
    names.reserve(columns_.size());
    for (const ColumnInfo& column : columns_) names.push_back(column.name);
    return names;
}

std::vector<core::ValueKind> RowStream::Kinds() const {
    std::vector<core::ValueKind> kinds;
    kinds.reserve(columns_.size());
    for (const ColumnInfo& column : columns_) kinds.push_back(KindOfSqlType(column.type));
    return kinds;
}

bool RowStream::Next() {
    if (started_ && row_ + 1 < fetched_) {
        ++row_;
    } else {
        started_ = true;
        if (!FetchBlock()) return false;
    }
    ReadRow();
    return true;
}

bool RowStream::FetchBlock() {
    row_ = 0;
    fetched_ = 0;
    const SQLRETURN rc =
        blockRows_ > 1 ? SQLFetchScroll(stmt_, SQL_FETCH_NEXT, 0) : SQLFetch(stmt_);
    if (rc == SQL_NO_DATA) return false;
    if (!Succeeded(rc)) throw Diagnostics(SQL_HANDLE_STMT, stmt_, dialect_, "SQLFetch failed.");
    if (blockRows_ == 1) fetched_ = 1;
    return fetched_ > 0;
}

void RowStream::ReadRow() {
    bool positioned = blockRows_ == 1;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        Cell& cell = cells_[c];
        if (buffers_->Bound(c) && (buffers_->IsNull(row_, c) || !buffers_->Truncated(row_, c))) {
            cell.null = buffers_->IsNull(row_, c);
            cell.text = cell.null ? std::string_view() : buffers_->Text(row_, c, texts_[c]);
            continue;
        }
        // Long, or cut short in its buffer: read whole. Within a block, SQLGetData reads the row
        // the cursor is positioned on.
        if (!positioned) {
            if (!Succeeded(SQLSetPos(stmt_, static_cast<SQLSETPOSIROW>(row_ + 1), SQL_POSITION,
                                     SQL_LOCK_NO_CHANGE)))
                throw Diagnostics(SQL_HANDLE_STMT, stmt_, dialect_, "SQLSetPos failed.");
            positioned = true;
        }
        const auto number = static_cast<SQLUSMALLINT>(c + 1);
        // Drivers give binary values as text in forms of their own (X'..', lower-case hex, raw
        // bytes), so they are asked for the bytes.
        cell.null = IsBinaryType(columns_[c].type)
                        ? !ReadWholeBytesAsHex(stmt_, number, dialect_, bytes_, texts_[c])
                        : !ReadWholeValue(stmt_, number, dialect_, wide_, texts_[c]);
        cell.text = cell.null ? std::string_view() : std::string_view(texts_[c]);
    }
}

}  // namespace tbn::db::odbc
