#include "query/SortRun.h"

namespace tbn::query {

SortRun::SortRun(results::ResultView view, std::int64_t storeCol, results::SortDirection direction,
                 QObject* parent)
    : QObject(parent), view_(std::move(view)), col_(storeCol), direction_(direction),
      worker_([this] {
          try {
              sorted_ =
                  results::SortRecords(*view_.store, view_.records, col_, direction_, &cancel_);
          } catch (...) {
              failure_ = std::current_exception();  // out of memory, say
          }
          // Posted, never called: the window's objects belong to its own thread. A sort destroyed
          // first joins this thread, and its pending call goes with it.
          QMetaObject::invokeMethod(
              this, [this] { WorkerFinished(); }, Qt::QueuedConnection);
      }) {}

SortRun::~SortRun() {
    cancel_.store(true, std::memory_order_relaxed);
    if (worker_.joinable()) worker_.join();
}

void SortRun::WorkerFinished() {
    worker_.join();
    if (sorted_) order_ = std::make_shared<const std::vector<std::int64_t>>(std::move(*sorted_));
    ended_ = true;
    emit Ended();
}

}  // namespace tbn::query
