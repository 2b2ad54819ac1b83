#pragma once
// A sort of a result's records on a worker thread, so that the window stays responsive while a
// large result is sorted. It holds the view it sorts (the store cannot change under it). Lives on
// the user-interface thread: Ended is emitted once, from the event loop, when the order is ready.
// Destroying a sort that has not ended cancels it and waits for the worker, which stops within a
// few thousand comparisons.
#include "results/RecordOrder.h"
#include "results/ResultView.h"

#include <QObject>
#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace tbn::query {

class SortRun : public QObject {
    Q_OBJECT
public:
    // Sorts view's records by value column storeCol (a store column, 1 for the first value).
    SortRun(results::ResultView view, std::int64_t storeCol, results::SortDirection direction,
            QObject* parent = nullptr);
    ~SortRun() override;

    const results::ResultView& View() const { return view_; }
    std::int64_t Column() const { return col_; }
    results::SortDirection Direction() const { return direction_; }
    bool HasEnded() const { return ended_; }
    // After Ended: the store rows of the records in sorted order, or null and why it failed.
    std::shared_ptr<const std::vector<std::int64_t>> Order() const { return order_; }
    std::exception_ptr Failure() const { return failure_; }

signals:
    void Ended();

private:
    void WorkerFinished();

    results::ResultView view_;
    std::int64_t col_;
    results::SortDirection direction_;
    std::atomic<bool> cancel_{false};
    std::optional<std::vector<std::int64_t>> sorted_;  // the worker's, until it has finished
    std::exception_ptr failure_;                       // likewise
    std::shared_ptr<const std::vector<std::int64_t>> order_;
    bool ended_ = false;
    std::thread worker_;  // last: it starts once everything it uses is in place
};

}  // namespace tbn::query
