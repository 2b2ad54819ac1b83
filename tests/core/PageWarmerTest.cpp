#include "core/MappedBuffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <gtest/gtest.h>
#include <vector>

namespace tbn::core {
namespace {

const std::size_t kPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));

// How many pages of [from, to) of the buffer are committed.
std::size_t ResidentPages(const MappedBuffer& buffer, std::size_t from, std::size_t to) {
    std::vector<unsigned char> pages((to - from) / kPage);
    if (::mincore(buffer.data() + from, to - from, pages.data()) != 0) return SIZE_MAX;
    std::size_t resident = 0;
    for (const unsigned char page : pages) resident += page & 1U;
    return resident;
}

// Whether the warmer commits the pages of [from, to) within a generous deadline.
bool BecomeResident(const MappedBuffer& buffer, std::size_t from, std::size_t to) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ResidentPages(buffer, from, to) != (to - from) / kPage) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

// The warmer serves requests in order: once a later one has been served, every earlier one has
// been served or dropped.
void WaitForWarmer() {
    MappedBuffer marker(kPage, false);
    marker.WarmAhead(0, kPage);
    ASSERT_TRUE(BecomeResident(marker, 0, kPage));
}

TEST(PageWarmerTest, WarmingCommitsPagesWithoutChangingThemAndNothingAfterTheyAreGivenBack) {
    const std::size_t size = 256 * kPage;
    MappedBuffer buffer(size, false);
    std::memset(buffer.data(), 'x', 3 * kPage + 17);
    // A start inside a page warms from that page's start.
    buffer.WarmAhead(2 * kPage + 100, 60 * kPage);
    EXPECT_TRUE(BecomeResident(buffer, 0, 62 * kPage));
    for (std::size_t i = 0; i < 3 * kPage + 17; ++i) ASSERT_EQ(buffer.data()[i], std::byte{'x'});
    for (std::size_t i = 3 * kPage + 17; i < 62 * kPage; i += 97)
        ASSERT_EQ(buffer.data()[i], std::byte{0});

    // Requests still queued when the pages are given back never commit them again.
    for (std::size_t at = 64 * kPage; at < size; at += 8 * kPage) buffer.WarmAhead(at, 8 * kPage);
    buffer.Discard(4 * kPage, size);
    WaitForWarmer();
    EXPECT_EQ(ResidentPages(buffer, 4 * kPage, size), 0U);
    EXPECT_EQ(buffer.data()[3 * kPage], std::byte{'x'});
}

}  // namespace
}  // namespace tbn::core
