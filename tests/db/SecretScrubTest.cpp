// How a password is kept out of the messages that client libraries and drivers give back.
#include "db/providers/SecretScrub.h"

#include <gtest/gtest.h>

namespace tbn::test {
namespace {

using db::ScrubSecret;

TEST(SecretScrub, AShortPasswordOrTheUserNameAsPasswordLeavesTheMessageAsItIs) {
    const std::string failure =
        "connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  password "
        "authentication failed for user \"ana\"";
    EXPECT_EQ(ScrubSecret(failure, "a", "ana"), failure);
    EXPECT_EQ(ScrubSecret(failure, "ana", "ana"), failure);
}

TEST(SecretScrub, ThePasswordIsHiddenWhereALibraryEchoesIt) {
    EXPECT_EQ(ScrubSecret("invalid integer value \"s3cret\" for connection option \"port\"",
                          "s3cret", "ana"),
              "invalid integer value \"***\" for connection option \"port\"");
    // A password pair's value goes whatever it holds: escaped as the connection text wrote it,
    // cut short, or the same as the user name.
    EXPECT_EQ(ScrubSecret("bad attribute in UID=ana;PWD={se}}cret};DSN=x", "se}cret", "ana"),
              "bad attribute in UID=ana;PWD=***;DSN=x");
    EXPECT_EQ(ScrubSecret("host=h password = 'it\\'s' port=1", "it's", "ana"),
              "host=h password = *** port=1");
    EXPECT_EQ(ScrubSecret("truncated: pwd=s3c", "s3cret", "ana"), "truncated: pwd=***");
    EXPECT_EQ(ScrubSecret("UID=ana;Password=ana;", "ana", "ana"), "UID=ana;Password=***;");
}

}  // namespace
}  // namespace tbn::test
