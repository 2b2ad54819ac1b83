#pragma once
// A fixed-capacity block of zeroed memory taken straight from the kernel. Pages are committed
// only when first written, so a generous capacity costs address space, not memory; with
// `hugePages` the block is 2 MiB aligned and asks for transparent huge pages, which makes first
// writes to large buffers many times cheaper on virtual machines. Move-only owner.
#include <cstddef>

namespace tbn::core {

class MappedBuffer {
public:
    MappedBuffer() = default;
    MappedBuffer(std::size_t bytes, bool hugePages);  // raises tbn::Error 7 when refused
    ~MappedBuffer();
    MappedBuffer(MappedBuffer&& other) noexcept;
    MappedBuffer& operator=(MappedBuffer&& other) noexcept;
    MappedBuffer(const MappedBuffer&) = delete;
    MappedBuffer& operator=(const MappedBuffer&) = delete;

    std::byte* data() const { return data_; }
    std::size_t size() const { return size_; }

    // Gives the whole pages inside [from, to) back to the kernel; they read as zeros again and are
    // committed anew if written. For capacity a filled buffer will not use: a huge page that is
    // only partly written is split and its unwritten part freed.
    void Discard(std::size_t from, std::size_t to) noexcept;

    // Has the pages of [from, from + bytes) committed on the page warmer's thread (PageWarmer.h),
    // ahead of a writer that is about to reach them.
    void WarmAhead(std::size_t from, std::size_t bytes) noexcept;
    // Waits for the warming asked for and drops what has not begun: before the pages are given
    // back (Discard and the destructor do it themselves) or mapped anew.
    void StopWarming() noexcept;

private:
    void release() noexcept;

    std::byte* data_ = nullptr;
    std::size_t size_ = 0;
    bool warmed_ = false;  // warming was asked for at least once
};

}  // namespace tbn::core
