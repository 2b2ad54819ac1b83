#pragma once
// What a query run does away from the user-interface thread: the engine call on a session lent by
// the query window, then the walk over the rows into a cell store laid out as the grid shows it
// (field names in row 0, record numbers in column 0, one empty row after the last record).
//
// Threads: Work() runs once, on the worker thread. RequestCancel, Sever, StopNotifying, RowsSoFar
// and Finished may be called from any thread at any time; everything else only once Finished()
// is true and the worker thread has been joined (which is what makes its results visible).
#include "db/Connection.h"
#include "db/Recordset.h"
#include "results/CellStore.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
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
    // connection holds the lent session (and the connection string, for opening it again).
    RunJob(tbn::db::Connection connection, std::string commandText);

    // Set before the worker starts; called on the worker thread as its last act, unless
    // StopNotifying() came first.
    void NotifyWhenFinished(std::function<void()> notify);
    void StopNotifying();

    void Work() noexcept;

    void RequestCancel() { cancelRequested_.store(true, std::memory_order_relaxed); }
    bool CancelRequested() const { return cancelRequested_.load(std::memory_order_relaxed); }

    enum class SeverOutcome { AlreadyDone, Severed, NoWay };
    // Breaks the lent session's link through handle unless the work is already over; when it is
    // broken and reopen is true, the worker opens the connection again from its string once the
    // engine call has returned.
    SeverOutcome Sever(tbn::db::CancelHandle& handle, bool reopen);

    std::int64_t RowsSoFar() const { return rowsSoFar_.load(std::memory_order_relaxed); }
    bool Finished() const { return finished_.load(std::memory_order_acquire); }

    // Results, after the worker has been joined.
    RunEnding Ending() const { return ending_; }
    bool HasRowSet() const { return hasRowSet_; }  // the store holds a header and rows
    results::CellStore TakeStore() { return std::move(store_); }
    std::int64_t RowsChanged() const { return rowsChanged_; }
    std::exception_ptr Failure() const { return failure_; }
    double Seconds() const { return seconds_; }
    bool Reopened() const { return reopened_; }
    std::exception_ptr ReopenFailure() const { return reopenFailure_; }
    tbn::db::Connection& connection() { return connection_; }
    tbn::db::Recordset& recordset() { return recordset_; }  // open at its end after Rows only

private:
    void Run();
    void Fill();
    void Reopen() noexcept;
    void Notify();

    tbn::db::Connection connection_;
    std::string commandText_;
    tbn::db::Recordset recordset_;
    results::CellStore store_;

    std::atomic<bool> cancelRequested_{false};
    std::atomic<std::int64_t> rowsSoFar_{0};
    std::mutex stageLock_;  // orders a sever against the end of the work
    bool workDone_ = false;
    bool reopenAfterSever_ = false;
    std::atomic<bool> finished_{false};
    std::mutex notifyLock_;
    std::function<void()> notify_;

    RunEnding ending_ = RunEnding::Failed;
    bool hasRowSet_ = false;
    bool stoppedEarly_ = false;
    std::int64_t rowsChanged_ = 0;
    std::exception_ptr failure_;
    double seconds_ = 0;
    bool reopened_ = false;
    std::exception_ptr reopenFailure_;
};

} // namespace tbn::run
