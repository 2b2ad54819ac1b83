#include "run/CancelRequests.h"

#include "run/LeftBehindThreads.h"

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

void CancelRequests::LetGo() {
    if (!thread_.joinable()) return;
    if (Busy())
        LeaveBehind(std::move(thread_),
                    [done = done_] { return done->load(std::memory_order_acquire); });
    else
        thread_.join();
}

}  // namespace tbn::run
