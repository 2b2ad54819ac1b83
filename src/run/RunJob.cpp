#include "run/RunJob.h"

#include <chrono>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

namespace tbn::run {

RunJob::RunJob(std::shared_ptr<tbn::db::Connection> connection, std::string commandText)
    : connection_(std::move(connection)), commandText_(std::move(commandText)) {}

void RunJob::Work() noexcept {
    const auto start = std::chrono::steady_clock::now();
    bool complete = false;
    try {
        complete = Run();
    } catch (...) {
        failure_ = std::current_exception();
    }
    seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // A cursor left part-way is closed here, so that every engine call of the run stays on this
    // thread (a PostgreSQL cursor reads what is still on its way).
    if (failure_ || !complete) recordset_.Close();
    if (CancelRequested() && (failure_ || !complete))
        ending_ = RunEnding::Cancelled;
    else if (failure_)
        ending_ = RunEnding::Failed;
    else
        ending_ = hasRowSet_ ? RunEnding::Rows : RunEnding::Statement;
    state_.To(RunPhase::Ended);
    notice_.Tell();
}

bool RunJob::Run() {
    if (CancelRequested()) return false;
    recordset_.Open(commandText_, *connection_, tbn::db::adOpenStatic, tbn::db::adLockOptimistic,
                    -1);
    if (recordset_.State() == tbn::db::adStateClosed) {
        rowsChanged_ = connection_->session().RowsChanged();
        return true;
    }
    return Fill();
}

bool RunJob::Fill() {
    // The walk reads the cursor itself: the Field wrappers check the record set's state again on
    // every cell, which a million rows feel. A null reads as "", which is its cell's text; only
    // empty values pay for asking whether they are null, so the grid can draw nulls apart.
    tbn::db::Cursor& cursor = *recordset_.cursor();
    const std::size_t fieldCount = cursor.FieldCount();
    if (fieldCount == 0) return true;
    std::vector<std::optional<std::string_view>> values(fieldCount + 1);
    std::vector<core::ValueKind> kinds(fieldCount + 1);  // the record number's stays Text
    for (std::size_t c = 0; c < fieldCount; ++c) values[c + 1] = cursor.FieldName(c);
    store_ = results::CellStore(2, static_cast<std::int64_t>(fieldCount) + 1);
    store_.WriteRow(0, results::RowValues{0, values});
    hasRowSet_ = true;

    char number[24];
    for (std::int64_t r = 1; !cursor.AtEnd(); ++r) {
        if (CancelRequested()) return false;
        const auto written = std::to_chars(number, number + sizeof number, r);
        values[0] = std::string_view(number, static_cast<std::size_t>(written.ptr - number));
        for (std::size_t c = 0; c < fieldCount; ++c) {
            const std::string_view value = cursor.Value(c);
            if (value.empty() && cursor.IsNull(c))
                values[c + 1].reset();
            else
                values[c + 1] = value;
            kinds[c + 1] = cursor.Kind(c);
        }
        store_.WriteRowAndAppend(r, results::RowValues{0, values, kinds});
        rowsSoFar_.store(r, std::memory_order_relaxed);
        cursor.Next();
    }
    return true;
}

}  // namespace tbn::run
