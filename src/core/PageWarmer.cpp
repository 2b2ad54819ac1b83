#include "core/PageWarmer.h"

#include <sys/mman.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tbn::core::PageWarmer {

namespace {

struct Request {
    const std::byte* base;  // the mapping it was made for, to forget it by
    std::byte* at;
    std::size_t bytes;
};

class Warmer {
public:
    void Add(Request request) {
        {
            const std::lock_guard hold(lock_);
            if (!started_) {
                // Lives as long as the process: a query window may fill a result until the end.
                std::thread([this] { Serve(); }).detach();
                started_ = true;
            }
            pending_.push_back(request);
        }
        wake_.notify_one();
    }

    void Forget(const std::byte* base) {
        std::unique_lock hold(lock_);
        std::erase_if(pending_, [base](const Request& request) { return request.base == base; });
        served_.wait(hold, [&] { return serving_ != base; });
    }

private:
    void Serve() {
        std::unique_lock hold(lock_);
        for (;;) {
            wake_.wait(hold, [&] { return !pending_.empty(); });
            const Request request = pending_.front();
            pending_.pop_front();
            serving_ = request.base;
            hold.unlock();
            // Advisory: a kernel without it, or a range gone meanwhile, leaves the writer to
            // commit its pages itself, as it always could.
            ::madvise(request.at, request.bytes, MADV_POPULATE_WRITE);
            hold.lock();
            serving_ = nullptr;
            served_.notify_all();
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable served_;
    std::deque<Request> pending_;
    const std::byte* serving_ = nullptr;
    bool started_ = false;
};

Warmer& TheWarmer() {
    // Never destroyed: its thread may still wait on it while the process exits.
    static Warmer* const warmer = new Warmer;
    return *warmer;
}

}  // namespace

void Warm(const std::byte* base, std::byte* at, std::size_t bytes) noexcept {
    if (bytes == 0) return;
    try {
        TheWarmer().Add({base, at, bytes});
    } catch (...) {
        // Warming is an optimisation; without it the writer commits its own pages.
    }
}

void Forget(const std::byte* base) noexcept {
    try {
        TheWarmer().Forget(base);
    } catch (...) {}
}

}  // namespace tbn::core::PageWarmer
