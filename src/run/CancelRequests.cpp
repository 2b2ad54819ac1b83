#include "run/CancelRequests.h"

#include "run/LeftBehindThreads.h"

#include <chrono>

namespace tbn::run {

bool CancelRequests::Send() {
    if (Busy()) return false;
    if (thread_.joinable()) thread_.join();
    done_ = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([handle = handle_, done = done_] {
        handle->Cancel();
        done->store(true, std::memory_order_release);
    });
    return true;
}

bool CancelRequests::SendUntil(const std::function<bool()>& finished, int ms, int repeatMs) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(ms);
    auto nextRequest = steady_clock::now() + milliseconds(repeatMs);
    while (!finished()) {
        const auto now = steady_clock::now();
        if (now >= deadline) return false;
        if (now >= nextRequest) {
            Send();
            nextRequest = now + milliseconds(repeatMs);
        }
        std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
}

void CancelRequests::LetGo() {
    if (!thread_.joinable()) return;
    if (Busy())
        LeaveBehind(std::move(thread_),
                    [done = done_] { return done->load(std::memory_order_acquire); });
    else
        thread_.join();
}

}  // namespace tbn::run
