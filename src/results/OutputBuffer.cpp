#include "results/OutputBuffer.h"

namespace tbn::results {

OutputBuffer::~OutputBuffer() {
    if (!writer_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        queued_.clear();
    }
    changed_.notify_all();
    writer_.join();
}

void OutputBuffer::HandOff() {
    std::unique_lock lock(mutex_);
    RaiseFailure();
    if (!writer_.joinable()) writer_ = std::thread([this] { WriteChunks(); });
    // The formatting waits for the sink rather than let the queue grow.
    changed_.wait(lock, [this] { return queued_.size() < kQueuedChunks || failure_; });
    RaiseFailure();
    std::vector<char> next;
    if (!spare_.empty()) {
        next = std::move(spare_.back());
        spare_.pop_back();
    }
    queued_.push_back({std::move(storage_), used_});
    lock.unlock();
    changed_.notify_all();
    // A record far larger than a chunk (one huge value) does not keep its room for good.
    if (next.size() < kChunkBytes * 2) next.resize(kChunkBytes * 2);
    storage_ = std::move(next);
    used_ = 0;
}

void OutputBuffer::Flush() {
    if (!writer_.joinable()) {
        if (used_ == 0) return;
        sink_.Write(std::string_view(storage_.data(), used_));
        used_ = 0;
        if (storage_.size() > kChunkBytes * 4) {
            storage_.resize(kChunkBytes * 2);
            storage_.shrink_to_fit();
        }
        return;
    }
    if (used_ != 0) HandOff();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return (queued_.empty() && !writing_) || failure_; });
    RaiseFailure();
}

void OutputBuffer::RaiseFailure() {
    if (failure_) std::rethrow_exception(failure_);
}

void OutputBuffer::WriteChunks() noexcept {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
        if (stopping_) return;
        Chunk chunk = std::move(queued_.front());
        queued_.pop_front();
        writing_ = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            sink_.Write(std::string_view(chunk.storage.data(), chunk.used));
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        writing_ = false;
        if (failure) {
            // Nothing after a failed chunk may reach the sink.
            failure_ = failure;
            queued_.clear();
        } else if (chunk.storage.size() <= kChunkBytes * 4) {
            spare_.push_back(std::move(chunk.storage));
        }
        changed_.notify_all();
        if (failure_) return;
    }
}

}  // namespace tbn::results
