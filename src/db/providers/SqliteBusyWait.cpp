#include "db/providers/SqliteBusyWait.h"

#include <algorithm>
#include <array>

namespace tbn::db::sqlite {

namespace {
// The pauses SQLite's own busy timeout makes: short at first, since most locks are brief.
constexpr std::array<int, 12> kPausesMs = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
}  // namespace

int BusyWait::Handler(void* wait, int count) {
    return static_cast<BusyWait*>(wait)->WaitBeforeRetry(count) ? 1 : 0;
}

bool BusyWait::WaitBeforeRetry(int count) {
    using std::chrono::milliseconds;
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) began_ = now;
    const auto left = timeout_ - std::chrono::duration_cast<milliseconds>(now - began_);
    std::unique_lock<std::mutex> hold(lock_);
    if (cancelled_ || left <= milliseconds(0)) return false;
    const auto pause = milliseconds(
        kPausesMs[static_cast<std::size_t>(std::min<int>(count, kPausesMs.size() - 1))]);
    return !woken_.wait_for(hold, std::min(pause, left), [this] { return cancelled_; });
}

void BusyWait::Cancel() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        cancelled_ = true;
    }
    woken_.notify_all();
}

bool BusyWait::CancelRequested() {
    const std::lock_guard<std::mutex> hold(lock_);
    return cancelled_;
}

void BusyWait::Rearm() {
    const std::lock_guard<std::mutex> hold(lock_);
    cancelled_ = false;
}

}  // namespace tbn::db::sqlite
