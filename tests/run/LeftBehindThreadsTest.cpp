// Threads let go of while they still run are waited for at exit, within a bound.
#include "run/LeftBehindThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

using namespace std::chrono;
using tbn::run::JoinLeftBehind;
using tbn::run::LeaveBehind;

TEST(LeftBehindThreadsTest, ExitJoinsThreadsThatEndWithinTheBoundAndLeavesOnlyTheStuckOne) {
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto release = std::make_shared<std::atomic<bool>>(false);
    LeaveBehind(std::thread([ended] { ended->store(true); }), [ended] { return ended->load(); });
    // Stands for a worker blocked in a call that ignored every cancel.
    LeaveBehind(std::thread([release] {
                    while (!release->load()) std::this_thread::yield();
                }),
                [release] { return release->load(); });
    const auto start = steady_clock::now();
    EXPECT_EQ(JoinLeftBehind(milliseconds(200)), 1u);
    EXPECT_LT(steady_clock::now() - start, seconds(5)) << "the wait is bounded";
    EXPECT_TRUE(ended->load());
    EXPECT_EQ(JoinLeftBehind(milliseconds(0)), 0u) << "nothing is kept twice";
    release->store(true);
}

}  // namespace
