#pragma once
// How a worker thread tells its owner, once, that it has finished: the owner hands over what to
// call and may take it back at any time (it is going away, or it left the worker behind); a
// notification under way when it takes it back has ended before StopNotifying returns.
#include <functional>
#include <mutex>

namespace tbn::run {

class FinishNotice {
public:
    void NotifyWhenFinished(std::function<void()> notify) {
        const std::lock_guard<std::mutex> hold(lock_);
        notify_ = std::move(notify);
    }
    void StopNotifying() {
        const std::lock_guard<std::mutex> hold(lock_);
        notify_ = nullptr;
    }
    // On the worker thread, as its last act.
    void Tell() {
        const std::lock_guard<std::mutex> hold(lock_);
        if (notify_) notify_();
    }

private:
    std::mutex lock_;
    std::function<void()> notify_;
};

}  // namespace tbn::run
