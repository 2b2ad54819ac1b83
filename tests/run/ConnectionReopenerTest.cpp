// Opening a connection again after a run gave up the old one never keeps the window waiting on a
// server that does not answer.
#include "core/Error.h"
#include "run/ConnectionReopener.h"
#include "support/LoopbackRelay.h"

#include <gtest/gtest.h>

namespace {

TEST(ConnectionReopenerTest, GivingUpOnAServerThatNeverAnswersEndsTheWaitAtOnce) {
    tbn::test::LoopbackRelay silent("127.0.0.1", "9");  // frozen before any server is reached
    silent.Freeze();
    // No timeout of its own: the open would wait as long as the server stays silent.
    tbn::run::ConnectionReopener reopener("Provider=PostgreSQL;Host=127.0.0.1;Port=" + silent.Port() +
                                          ";User ID=x;Connect Timeout=0");
    ASSERT_FALSE(reopener.Finished());
    reopener.GiveUp(10);
    EXPECT_TRUE(reopener.Finished());
    EXPECT_EQ(tbn::Error::From(reopener.Failure()).Description(), "The server did not answer within 10 s.");
    EXPECT_EQ(reopener.TakeSession(), nullptr);
}

} // namespace
