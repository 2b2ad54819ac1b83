// Where a run stands moves only along the allowed transitions, every road ends, and two threads
// racing to move it agree on who won.
#include "run/RunState.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace {

using tbn::run::MayFollow;
using tbn::run::RunPhase;
using tbn::run::RunState;

constexpr RunPhase kPhases[] = {RunPhase::Connecting, RunPhase::Running,   RunPhase::Cancelling,
                                RunPhase::Severing,   RunPhase::Abandoned, RunPhase::Finishing,
                                RunPhase::Ended};

int Index(RunPhase phase) { return static_cast<int>(phase); }

TEST(RunStateTest, EveryPhaseReachesEndedNoneReturnsToAStartAndEndedIsFinal) {
    for (RunPhase from : kPhases) {
        SCOPED_TRACE(Index(from));
        EXPECT_FALSE(MayFollow(from, from)) << "a phase does not follow itself";
        EXPECT_FALSE(MayFollow(from, RunPhase::Connecting));
        EXPECT_FALSE(MayFollow(from, RunPhase::Running));
        // Walked breadth-first: Ended lies on every road out of every phase.
        std::set<RunPhase> seen{from};
        std::vector<RunPhase> next{from};
        while (!next.empty()) {
            const RunPhase at = next.back();
            next.pop_back();
            for (RunPhase to : kPhases)
                if (MayFollow(at, to) && seen.insert(to).second) next.push_back(to);
        }
        EXPECT_TRUE(seen.count(RunPhase::Ended));
    }
    for (RunPhase to : kPhases) EXPECT_FALSE(MayFollow(RunPhase::Ended, to)) << Index(to);
}

TEST(RunStateTest, ARefusedMoveChangesNothingAndThePhasesPassedAreKept) {
    RunState state(RunPhase::Running);
    EXPECT_FALSE(state.To(RunPhase::Abandoned));
    EXPECT_EQ(state.Phase(), RunPhase::Running);
    EXPECT_FALSE(state.Passed(RunPhase::Abandoned));
    ASSERT_TRUE(state.To(RunPhase::Cancelling));
    ASSERT_TRUE(state.To(RunPhase::Finishing));
    ASSERT_TRUE(state.To(RunPhase::Ended));
    EXPECT_FALSE(state.To(RunPhase::Cancelling));
    EXPECT_TRUE(state.Passed(RunPhase::Running) && state.Passed(RunPhase::Cancelling) &&
                state.Passed(RunPhase::Finishing));
    EXPECT_FALSE(state.Passed(RunPhase::Severing));
}

// An opening given up on one thread while its worker ends on another: whoever gives up learns
// whether it came first, and the worker learns the same from what the state passed through.
TEST(RunStateTest, GivingUpRacingTheWorkersEndHasOneWinnerBothSidesAgreeOn) {
    for (int round = 0; round < 2000; ++round) {
        RunState state(RunPhase::Connecting);
        bool gaveUp = false;
        std::thread owner([&] { gaveUp = state.To(RunPhase::Abandoned); });
        std::thread worker([&] { state.To(RunPhase::Ended); });
        owner.join();
        worker.join();
        ASSERT_EQ(gaveUp, state.Passed(RunPhase::Abandoned)) << "round " << round;
        ASSERT_EQ(state.Phase(), RunPhase::Ended);
    }
}

}  // namespace
