#pragma once
// What a query run does away from the user-interface thread: the engine call on a session lent by
// the query window, then the walk over the rows into a cell store laid out as the grid shows it
// (field names in row 0, record numbers in column 0, one empty row after the last record), or,
// for a run to a file, straight through the file's writer, a row at a time, with no store at all.
//
// Threads: Work() runs once, on the worker thread. RequestCancel, StopNotifying, RowsSoFar and
// Finished may be called from any thread at any time; everything else only once Finished() is
// true and the worker thread has been joined (which is what makes its results visible).
#include "db/Connection.h"
#include "db/Recordset.h"
#include "results/CellStore.h"
#include "run/FileDestination.h"
#include "run/FinishNotice.h"
#include "run/RunState.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace tbn::run {

enum class RunEnding {
    Rows,       // a row set, walked to its end
    Statement,  // the text had no row set
    Failed,     // the engine or the fill raised Failure()
    Cancelled,  // stopped on request; a row set begun before that is in the store
};

class RunJob {
public:
    // connection is the lent one (SessionLease::lent()), shared so that a worker left behind
    // keeps it.
    // toFile, when given, takes the rows instead of the store: the row set is written through it
    // and the file put in place only once the last row is in (a run that does not get there
    // leaves the file as it was).
    RunJob(std::shared_ptr<tbn::db::Connection> connection, std::string commandText,
           std::unique_ptr<ResultFile> toFile = nullptr);

    // Set before the worker starts; called on the worker thread as its last act, unless
    // StopNotifying() came first.
    void NotifyWhenFinished(std::function<void()> notify) {
        notice_.NotifyWhenFinished(std::move(notify));
    }
    void StopNotifying() { notice_.StopNotifying(); }

    void Work() noexcept;

    // The fill stops at its next row; the engine is asked by whoever holds its cancel handle.
    void RequestCancel() { state_.To(RunPhase::Cancelling); }
    bool CancelRequested() const { return state_.Passed(RunPhase::Cancelling); }

    std::int64_t RowsSoFar() const { return rowsSoFar_.load(std::memory_order_relaxed); }
    bool Finished() const { return state_.Phase() == RunPhase::Ended; }

    // Results, after the worker has been joined.
    RunEnding Ending() const { return ending_; }
    // The store holds a header and rows; for a run to a file, the row set was written (or begun).
    bool HasRowSet() const { return hasRowSet_; }
    results::CellStore TakeStore() { return std::move(store_); }
    std::int64_t RowsChanged() const { return rowsChanged_; }
    std::exception_ptr Failure() const { return failure_; }
    double Seconds() const { return seconds_; }
    tbn::db::Recordset& recordset() { return recordset_; }  // open at its end after Rows only

private:
    bool Run();   // false when a cancel stopped it before its end
    bool Fill();  // the same
    bool FillFile();

    std::shared_ptr<tbn::db::Connection> connection_;
    std::string commandText_;
    tbn::db::Recordset recordset_;
    results::CellStore store_;
    std::unique_ptr<ResultFile> toFile_;

    RunState state_{RunPhase::Running};  // Running, Cancelling, Ended
    std::atomic<std::int64_t> rowsSoFar_{0};
    FinishNotice notice_;

    RunEnding ending_ = RunEnding::Failed;
    bool hasRowSet_ = false;
    std::int64_t rowsChanged_ = 0;
    std::exception_ptr failure_;
    double seconds_ = 0;
};

}  // namespace tbn::run
