#include "core/MappedBuffer.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/PageWarmer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tbn::core {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t roundUp(std::size_t value, std::size_t step) {
    return (value + step - 1) / step * step;
}

std::byte* mapAnonymous(std::size_t bytes) {
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw tbn::Error(tbn::ErrorCode::OutOfMemory, "Out of memory");
    return static_cast<std::byte*>(p);
}
}  // namespace

MappedBuffer::MappedBuffer(std::size_t bytes, bool hugePages) {
    if (bytes == 0) return;
    if (!hugePages) {
        size_ = roundUp(bytes, static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)));
        data_ = mapAnonymous(size_);
        return;
    }
    // The kernel backs only 2 MiB-aligned ranges with huge pages, so over-map and trim both ends.
    size_ = roundUp(bytes, kHugePage);
    std::byte* raw = mapAnonymous(size_ + kHugePage);
    const auto rawAddress = reinterpret_cast<std::uintptr_t>(raw);
    std::byte* aligned = raw + (roundUp(rawAddress, kHugePage) - rawAddress);
    if (aligned > raw) ::munmap(raw, static_cast<std::size_t>(aligned - raw));
    std::byte* tail = aligned + size_;
    std::byte* rawEnd = raw + size_ + kHugePage;
    if (rawEnd > tail) ::munmap(tail, static_cast<std::size_t>(rawEnd - tail));
    data_ = aligned;
    // Advisory only: without transparent huge pages the buffer still works with small pages.
    ::madvise(data_, size_, MADV_HUGEPAGE);
}

void MappedBuffer::Discard(std::size_t from, std::size_t to) noexcept {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    from = roundUp(from, page);
    to = std::min(to, size_) / page * page;
    StopWarming();
    // Advisory: memory that stays committed is only memory not saved.
    if (data_ && from < to) ::madvise(data_ + from, to - from, MADV_DONTNEED);
}

void MappedBuffer::WarmAhead(std::size_t from, std::size_t bytes) noexcept {
    if (!data_ || from >= size_) return;
    // The kernel takes whole pages only, from a page's start.
    const std::size_t start = from / static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) *
                              static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    warmed_ = true;
    PageWarmer::Warm(data_, data_ + start, std::min(bytes + (from - start), size_ - start));
}

void MappedBuffer::StopWarming() noexcept {
    if (warmed_) PageWarmer::Forget(data_);
}

MappedBuffer::~MappedBuffer() { release(); }

MappedBuffer::MappedBuffer(MappedBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      warmed_(std::exchange(other.warmed_, false)) {}

MappedBuffer& MappedBuffer::operator=(MappedBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        warmed_ = std::exchange(other.warmed_, false);
    }
    return *this;
}

void MappedBuffer::release() noexcept {
    StopWarming();
    if (data_) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
    warmed_ = false;
}

}  // namespace tbn::core
