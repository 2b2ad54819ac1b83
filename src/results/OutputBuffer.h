#pragma once
// What every format writer writes through: bytes gather in one buffer and go to the sink a chunk
// at a time, so a writer's memory stays the same whatever the number of rows, and the sink (a file,
// the clipboard's text) is called a few times per megabyte rather than per value.
//
// Once the output passes its first chunk, the sink is written on a thread of its own while the
// writer formats the next chunks: a long export then costs about the larger of formatting and
// writing rather than their sum. At most kQueuedChunks chunks wait for the sink, so memory stays
// bounded. The sink sees its Write calls one at a time and in order; a failure it raises comes
// back from the writer's next chunk or from Flush. A buffer destroyed before its Flush (a
// cancelled export) drops what the sink has not yet taken.
#include "results/ResultWriter.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace tbn::results {

class OutputBuffer {
public:
    static constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
    static constexpr std::size_t kQueuedChunks = 4;

    explicit OutputBuffer(ByteSink& sink) : sink_(sink), storage_(kChunkBytes * 2) {}
    ~OutputBuffer();
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Room for at least `bytes` more; write there, then Commit where the writing ended. For a
    // writer that knows a bound on what it writes and would rather not check for room per byte.
    char* Reserve(std::size_t bytes) {
        if (storage_.size() - used_ < bytes) storage_.resize(used_ + bytes);
        return storage_.data() + used_;
    }
    void Commit(const char* end) { used_ = static_cast<std::size_t>(end - storage_.data()); }

    void Append(std::string_view bytes) {
        char* at = Reserve(bytes.size());
        if (!bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    void Append(char c) {
        *Reserve(1) = c;
        ++used_;
    }
    // Called once per record: hands the buffer on once a chunk is full.
    void EndRecord() {
        if (used_ >= kChunkBytes) HandOff();
    }
    // Everything written so far reaches the sink before this returns, or its failure is raised.
    void Flush();

private:
    void HandOff();  // the filled buffer to the sink's thread, started on the first chunk
    void WriteChunks() noexcept;
    void RaiseFailure();  // the sink's failure, if it has failed; the lock is held

    ByteSink& sink_;
    std::vector<char> storage_;  // its size is the capacity; [0, used_) is written
    std::size_t used_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    struct Chunk {
        std::vector<char> storage;
        std::size_t used;
    };
    std::deque<Chunk> queued_;              // full chunks, oldest first
    std::vector<std::vector<char>> spare_;  // written chunks' storage, kept for reuse
    bool writing_ = false;                  // the sink's thread holds a chunk
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread writer_;
};

}  // namespace tbn::results
