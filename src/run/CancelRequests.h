#pragma once
// Cancel requests sent to an engine from a thread of their own, one at a time: a request may wait
// for a network round trip (PQcancel connects to the server), which neither the user-interface
// thread nor the worker blocked in the engine can afford. The request thread holds its own share
// of the handle, so it may be left to finish alone when nobody needs its answer any more.
#include "db/Session.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace tbn::run {

class CancelRequests {
public:
    explicit CancelRequests(std::shared_ptr<tbn::db::CancelHandle> handle)
        : handle_(std::move(handle)) {}
    ~CancelRequests() { LetGo(); }
    CancelRequests(const CancelRequests&) = delete;
    CancelRequests& operator=(const CancelRequests&) = delete;

    tbn::db::CancelHandle& handle() const { return *handle_; }

    // Sends one request unless one is still on its way; returns whether it sent.
    bool Send();
    // Blocks until finished() is true, sending a request every repeatMs (a request that falls
    // between two of the engine's commands is lost); false when ms passed first.
    bool SendUntil(const std::function<bool()>& finished, int ms, int repeatMs);
    bool Busy() const { return thread_.joinable() && !done_->load(std::memory_order_acquire); }
    // Joins a finished request; one still on its way is left to end alone.
    void LetGo();

private:
    std::shared_ptr<tbn::db::CancelHandle> handle_;
    std::thread thread_;
    std::shared_ptr<std::atomic<bool>> done_ = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace tbn::run
