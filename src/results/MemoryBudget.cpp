#include "results/MemoryBudget.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace tbn::results::MemoryBudget {

namespace {
std::atomic<std::size_t>& LimitBytes() {
    static std::atomic<std::size_t> limit = DefaultLimit();
    return limit;
}

std::atomic<std::size_t> inMemory = 0;
}  // namespace

std::size_t Limit() { return LimitBytes().load(std::memory_order_relaxed); }

void SetLimit(std::size_t bytes) { LimitBytes().store(bytes, std::memory_order_relaxed); }

std::size_t DefaultLimit() {
    constexpr std::size_t kGiB = std::size_t{1} << 30;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return kGiB;
    return std::min(kGiB, static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) / 4);
}

std::size_t InMemory() { return inMemory.load(std::memory_order_relaxed); }

void Add(std::size_t bytes) noexcept { inMemory.fetch_add(bytes, std::memory_order_relaxed); }

void Remove(std::size_t bytes) noexcept { inMemory.fetch_sub(bytes, std::memory_order_relaxed); }

}  // namespace tbn::results::MemoryBudget
