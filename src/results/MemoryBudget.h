#pragma once
// How much memory the rows of every result together may hold before the stores being filled move
// their oldest finished blocks to their spill files. Process-wide; safe from any thread.
#include <cstddef>

namespace tbn::results::MemoryBudget {

std::size_t Limit();
void SetLimit(std::size_t bytes);
// The smaller of 1 GiB and a quarter of the physical memory.
std::size_t DefaultLimit();
// The bytes of the finished (sealed) blocks of every store that are still held in memory.
std::size_t InMemory();

// For CellBlock: a sealed block's bytes joining or leaving memory.
void Add(std::size_t bytes) noexcept;
void Remove(std::size_t bytes) noexcept;

}  // namespace tbn::results::MemoryBudget
