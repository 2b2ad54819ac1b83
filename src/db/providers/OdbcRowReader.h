#pragma once
// Reading one value of a statement's current row whole with SQLGetData, in as many pieces as it
// takes, for columns too long to bind and for bound values that did not fit their buffer.
#include "core/ValueKind.h"
#include "db/providers/OdbcHandles.h"

#include <string>

namespace tbn::db::odbc {

// The value of column (1-based) as UTF-8 in out; false for a null. Wide drivers are read as
// UTF-16 into wideScratch and converted once the value is whole, so a surrogate pair cut between
// pieces survives. Raises the statement's diagnostics.
bool ReadWholeValue(SQLHSTMT stmt, SQLUSMALLINT column, const Dialect& dialect,
                    std::u16string& wideScratch, std::string& out);

// The value of column (1-based) read as bytes and written as upper-case hex in out (see HexText.h);
// false for a null.
bool ReadWholeBytesAsHex(SQLHSTMT stmt, SQLUSMALLINT column, const Dialect& dialect,
                         std::string& bytesScratch, std::string& out);

bool IsBinaryType(SQLSMALLINT sqlType);
// Numbers for the numeric SQL types, Binary for the binary ones, Text for the rest.
core::ValueKind KindOfSqlType(SQLSMALLINT sqlType);

}  // namespace tbn::db::odbc
