#include "db/providers/LastRowSet.h"

#include "db/providers/BufferedCursor.h"

#include <algorithm>

namespace tbn::db {

std::unique_ptr<Cursor> LastRowSet(StatementResults& results, std::int64_t& rowsChanged,
                                   const std::function<bool()>& lastOfText) {
    rowsChanged = 0;
    std::unique_ptr<Cursor> kept;
    while (results.Next()) {
        std::unique_ptr<Cursor> rows = results.TakeRows();
        if (!rows) {
            rowsChanged += std::max<std::int64_t>(results.RowsChanged(), 0);
            continue;
        }
        if (lastOfText()) return rows;
        kept = BufferedCursor::Drain(*rows);
    }
    return kept;
}

}  // namespace tbn::db
