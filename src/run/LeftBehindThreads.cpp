#include "run/LeftBehindThreads.h"

#include <mutex>
#include <vector>

namespace tbn::run {

namespace {

using namespace std::chrono;

class Kept {
public:
    ~Kept() { JoinWithin(seconds(5)); }

    void Add(std::thread thread, std::function<bool()> finished) {
        const std::lock_guard<std::mutex> hold(lock_);
        JoinEnded();
        threads_.push_back({std::move(thread), std::move(finished)});
    }

    std::size_t JoinWithin(milliseconds bound) {
        const auto deadline = steady_clock::now() + bound;
        const std::lock_guard<std::mutex> hold(lock_);
        for (;;) {
            JoinEnded();
            if (threads_.empty() || steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(milliseconds(5));
        }
        const std::size_t left = threads_.size();
        for (Entry& entry : threads_) entry.thread.detach();
        threads_.clear();
        return left;
    }

private:
    struct Entry {
        std::thread thread;
        std::function<bool()> finished;
    };

    void JoinEnded() {
        for (auto it = threads_.begin(); it != threads_.end();) {
            if (it->finished()) {
                // Its work is over; what is left is returning from its function.
                it->thread.join();
                it = threads_.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex lock_;
    std::vector<Entry> threads_;
};

Kept& KeptThreads() {
    static Kept kept;
    return kept;
}

}  // namespace

void LeaveBehind(std::thread thread, std::function<bool()> finished) {
    if (!thread.joinable()) return;
    KeptThreads().Add(std::move(thread), std::move(finished));
}

std::size_t JoinLeftBehind(std::chrono::milliseconds bound) {
    return KeptThreads().JoinWithin(bound);
}

}  // namespace tbn::run
