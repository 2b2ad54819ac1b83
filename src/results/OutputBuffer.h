#pragma once
// What every format writer writes through: bytes gather in one buffer and go to the sink a chunk
// at a time, so a writer's memory stays the same whatever the number of rows, and the sink (a file,
// the clipboard's text) is called a few times per megabyte rather than per value.
#include "results/ResultWriter.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace tbn::results {

class OutputBuffer {
public:
    static constexpr std::size_t kChunkBytes = std::size_t{64} << 10;

    explicit OutputBuffer(ByteSink& sink) : sink_(sink), storage_(kChunkBytes * 2) {}

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
        if (used_ >= kChunkBytes) Flush();
    }
    void Flush() {
        if (used_ == 0) return;
        sink_.Write(std::string_view(storage_.data(), used_));
        used_ = 0;
        // A record far larger than a chunk (one huge value) does not keep its room for good.
        if (storage_.size() > kChunkBytes * 4) {
            storage_.resize(kChunkBytes * 2);
            storage_.shrink_to_fit();
        }
    }

private:
    ByteSink& sink_;
    std::vector<char> storage_;  // its size is the capacity; [0, used_) is written
    std::size_t used_ = 0;
};

}  // namespace tbn::results
