#pragma once
// What a query run does away from the user-interface thread: the text's statements run one at a
// time on a session lent by the query window, each row set walked into a cell store of its own
// laid out as the grid shows it (field names in row 0, record numbers in column 0, one empty row
// after the last record), with a StatementOutcome for each statement as it ends. A run to a file
// runs the text as one command instead and writes its row set (the last) straight through the
// file's writer, a row at a time, with no store at all.
//
// Threads: Work() runs once, on the worker thread. RequestCancel, StopNotifying, RowsSoFar,
// RowsSoFarStore, Finished, EndedSoFar and TakeEnded may be called from any thread at any time;
// everything else only once Finished() is true and the worker thread has been joined (which is what
// makes its results visible).
#include "db/Connection.h"
#include "db/Recordset.h"
#include "results/CellStore.h"
#include "run/FileDestination.h"
#include "run/FinishNotice.h"
#include "run/RunState.h"
#include "run/StatementOutcome.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tbn::run {

enum class RunEnding {
    Rows,       // a row set, walked to its end
    Statement,  // the text had no row set
    Failed,     // the engine or the fill raised Failure()
    Cancelled,  // stopped on request; a row set begun before that is in the store
};

// A statement as it ended: its line, and its row set when it returned one (the records read so far
// when it stopped part-way). Nothing changes the store once it is handed out.
struct EndedStatement {
    StatementOutcome outcome;
    std::shared_ptr<results::CellStore> rows;
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
    // Called on the worker thread each time a statement has ended, until StopNotifying().
    void NotifyWhenStatementEnds(std::function<void()> notify);
    // Called on the worker thread once for each row set, when its first record is stored, until
    // StopNotifying().
    void NotifyWhenRowsArrive(std::function<void()> notify);
    void StopNotifying();

    void Work() noexcept;

    // The fill stops at its next row; the engine is asked by whoever holds its cancel handle.
    void RequestCancel() { state_.To(RunPhase::Cancelling); }
    bool CancelRequested() const { return state_.Passed(RunPhase::Cancelling); }

    // Records fetched so far, every row set of the run counted.
    std::int64_t RowsSoFar() const { return rowsSoFar_.load(std::memory_order_relaxed); }
    // The row set being filled as a grid shows it while the run goes on: the header and the
    // records stored so far and one empty row, sharing the worker's blocks (CellStore::
    // ShareStored). Null before the run's first row set begins and for a run to a file. rowSet,
    // when given, receives the row set's number in the run (1 for the first), which tells a later
    // row set from a larger share of the same one.
    std::shared_ptr<results::CellStore> RowsSoFarStore(int* rowSet = nullptr) const;
    // Every statement that has ended, in the order of the text; those not taken yet by TakeEnded.
    std::vector<EndedStatement> EndedSoFar() const;
    std::vector<EndedStatement> TakeEnded();
    bool Finished() const { return state_.Phase() == RunPhase::Ended; }

    // Results, after the worker has been joined.
    RunEnding Ending() const { return ending_; }
    // The run's row set as the grid shows it at the end: the last one of a complete run, else the
    // one of the statement the run stopped in, if it had begun one. For a run to a file, whether
    // the row set was written (or begun).
    bool HasRowSet() const { return hasRowSet_; }
    std::shared_ptr<results::CellStore> RowSet() const { return rowSet_; }
    // Moves that row set out; for a job whose statements nobody took (TakeEnded, EndedSoFar).
    results::CellStore TakeStore() { return rowSet_ ? std::move(*rowSet_) : results::CellStore(); }
    std::int64_t RowSetRecords() const { return rowSetRecords_; }
    std::int64_t RowsChanged() const { return rowsChanged_; }
    std::exception_ptr Failure() const { return failure_; }
    double Seconds() const { return seconds_; }
    tbn::db::Recordset& recordset() { return recordset_; }  // open at its end after Rows only

private:
    bool RunEach();                              // false when a cancel stopped it before its end
    enum class Step { Ran, NoneLeft, Stopped };  // Stopped: by a cancel
    Step RunStatement(tbn::db::StatementResults& statements, std::size_t index);
    bool RunWhole();
    bool Fill(tbn::db::Cursor& cursor, EndedStatement& ended);  // the same
    bool FillFile();
    std::size_t FallbackStart(std::size_t index);  // where the splitter says statement index starts
    void Publish(EndedStatement ended);

    std::shared_ptr<tbn::db::Connection> connection_;
    std::string commandText_;
    tbn::db::Recordset recordset_;
    std::unique_ptr<ResultFile> toFile_;
    std::vector<std::size_t> splitStarts_;  // made when first needed
    bool split_ = false;

    RunState state_{RunPhase::Running};  // Running, Cancelling, Ended
    std::atomic<std::int64_t> rowsSoFar_{0};
    FinishNotice notice_;
    FinishNotice statementNotice_;  // told at every statement's end, not only the last
    FinishNotice rowsNotice_;       // told at every row set's first record
    // The row set being filled, for the user-interface thread; set once per row set, so its lock
    // costs the fill nothing per row.
    mutable std::mutex fillingLock_;
    std::shared_ptr<results::CellStore> filling_;
    int fillingNumber_ = 0;
    mutable std::mutex endedLock_;
    std::vector<EndedStatement> ended_;
    std::size_t taken_ = 0;

    RunEnding ending_ = RunEnding::Failed;
    bool hasRowSet_ = false;
    std::shared_ptr<results::CellStore> rowSet_;
    std::int64_t rowSetRecords_ = 0;
    std::int64_t rowsChanged_ = 0;
    std::exception_ptr failure_;
    double seconds_ = 0;
};

}  // namespace tbn::run
