#include "query/CopyLimits.h"

#include <atomic>

namespace tbn::query::CopyLimits {

namespace {
std::atomic<std::size_t> askAbove{std::size_t{256} << 20};
std::atomic<std::size_t> richUpTo{std::size_t{16} << 20};
}  // namespace

std::size_t AskAboveBytes() { return askAbove.load(std::memory_order_relaxed); }
void SetAskAboveBytes(std::size_t bytes) { askAbove.store(bytes, std::memory_order_relaxed); }
std::size_t RichFormsUpToBytes() { return richUpTo.load(std::memory_order_relaxed); }
void SetRichFormsUpToBytes(std::size_t bytes) { richUpTo.store(bytes, std::memory_order_relaxed); }

}  // namespace tbn::query::CopyLimits
