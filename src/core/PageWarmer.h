#pragma once
// Commits fresh pages on a thread of its own, ahead of the thread that will write them. On these
// virtual machines the first touch of a page costs anything from a few to twenty-five times its
// usual price, depending on whether the host still backs the page the kernel hands out; paid on
// the thread that fills a result, that made the same fill take 0.39 s in one run and 0.58 s in
// the next. Committing a page does not change what it holds (it reads as zeros, or as what was
// written), so a warm request that comes after the writer, or that no longer finds the mapping
// it was made for, costs nothing but the call.
#include <cstddef>

namespace tbn::core::PageWarmer {

// Asks for the pages of [at, at + bytes), inside the mapping that starts at `base`, to be
// committed soon; returns at once. Requests are served in order, one at a time.
void Warm(const std::byte* base, std::byte* at, std::size_t bytes) noexcept;

// Drops the requests made for the mapping that starts at `base` and waits for the one being
// served, if it is one of them: called before the mapping's pages are given back or replaced, so
// nothing commits them again behind the caller's back.
void Forget(const std::byte* base) noexcept;

}  // namespace tbn::core::PageWarmer
