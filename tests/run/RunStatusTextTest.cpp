// The words of the status line, which the user reads after every run.
#include "run/RunStatusText.h"

#include <gtest/gtest.h>

namespace {

TEST(RunStatusTextTest, CountsAreGroupedAndTimesShortened) {
    using namespace tbn::run;
    EXPECT_EQ(CountText(120000), QStringLiteral("120,000"));
    EXPECT_EQ(CountText(1000000), QStringLiteral("1,000,000"));
    EXPECT_EQ(CountText(896), QStringLiteral("896"));
    EXPECT_EQ(RowsText(1), QStringLiteral("1 row"));
    EXPECT_EQ(SecondsText(0.041), QStringLiteral("0.04 s"));
    EXPECT_EQ(SecondsText(2.34), QStringLiteral("2.3 s"));
}

}  // namespace
