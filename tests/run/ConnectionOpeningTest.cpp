// Opening a connection away from the window (connecting a window, or again after a run gave up
// the old one) never keeps the window waiting on a server that does not answer.
#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "run/ConnectionOpening.h"
#include "run/LeftBehindThreads.h"
#include "support/LoopbackRelay.h"
#include "support/MariaDbServer.h"

#include <gtest/gtest.h>

namespace {

TEST(ConnectionOpeningTest, GivingUpOnAServerThatNeverAnswersEndsTheWaitAtOnce) {
    tbn::test::LoopbackRelay silent("127.0.0.1", "9");  // frozen before any server is reached
    silent.Freeze();
    // No timeout of its own: the open would wait as long as the server stays silent.
    tbn::run::ConnectionOpening opening("Provider=PostgreSQL;Host=127.0.0.1;Port=" + silent.Port() +
                                            ";User ID=x;Connect Timeout=0",
                                        tbn::db::adUseClient, true);
    ASSERT_FALSE(opening.Finished());
    opening.GiveUp(tbn::run::NoAnswerWithin(10));
    EXPECT_TRUE(opening.Finished());
    EXPECT_EQ(tbn::Error::From(opening.Failure()).Description(),
              "The server did not answer within 10 s.");
    EXPECT_EQ(opening.TakeConnection().State(), tbn::db::adStateClosed);
    // PostgreSQL's open is told to stop as well: its thread does not wait on the server.
    EXPECT_EQ(tbn::run::JoinLeftBehind(std::chrono::seconds(1)), 0u);
}

// An ODBC driver cannot be stopped inside SQLDriverConnect: the owner still does not wait, and the
// thread left behind ends by the driver's own timeout, closing whatever it opened.
TEST(ConnectionOpeningTest, AnOpeningThatCannotBeStoppedIsLeftToEndAlone) {
    std::optional<tbn::test::MariaDbServer> silentServer =
        tbn::test::MariaDbServer::FromEnvironment();
    if (!silentServer) GTEST_SKIP() << tbn::test::MariaDbServer::AbsentReason();
    tbn::test::LoopbackRelay silent("127.0.0.1", "9");
    silent.Freeze();
    silentServer->Host = "127.0.0.1";
    silentServer->Port = silent.Port();
    {
        tbn::run::ConnectionOpening opening(
            silentServer->OdbcConnectionString() + ";CONN_TIMEOUT=2", tbn::db::adUseClient, true);
        opening.GiveUp(tbn::Error(tbn::ErrorCode::CommandCancelled, "given up"));
        EXPECT_TRUE(opening.Finished());
        EXPECT_EQ(tbn::Error::From(opening.Failure()).Number(), tbn::ErrorCode::CommandCancelled);
    }
    EXPECT_EQ(tbn::run::JoinLeftBehind(std::chrono::seconds(15)), 0u);
}

}  // namespace
