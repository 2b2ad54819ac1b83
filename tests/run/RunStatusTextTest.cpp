// The words of the status line, which the user reads after every run.
#include "run/RunStatusText.h"

#include "run/QueryRun.h"
#include "run/StatementOutcome.h"

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

// A statement's tab and its line in the messages: the tab says what it came to, the line adds the
// statement and its time, whatever the ending.
TEST(RunStatusTextTest, EveryEndingHasItsTabAndLine) {
    using namespace tbn::run;
    struct Case {
        StatementEnding ending;
        std::int64_t rows;
        const char* tab;
        const char* result;
    };
    const Case cases[] = {
        {StatementEnding::Rows, 896, "2 \u00B7 896 rows", "896 rows in 0.04 s"},
        {StatementEnding::Rows, 0, "2 \u00B7 0 rows", "0 rows in 0.04 s"},
        {StatementEnding::Changed, 1, "2 \u00B7 1 row changed", "1 row changed in 0.04 s"},
        {StatementEnding::Done, 0, "2 \u00B7 done", "done in 0.04 s"},
        {StatementEnding::Failed, 0, "2 \u00B7 failed", "failed after 0.04 s: no such table: t"},
        {StatementEnding::Cancelled, 1200, "2 \u00B7 1,200 rows, cancelled",
         "cancelled after 1,200 rows, 0.04 s"},
        {StatementEnding::Cancelled, 0, "2 \u00B7 cancelled", "cancelled after 0.04 s"},
    };
    for (const Case& c : cases) {
        StatementOutcome outcome{"select * from t", 0, c.ending, c.rows, 0.041, nullptr};
        EXPECT_EQ(StatementTabText(2, outcome), QString::fromUtf8(c.tab));
        EXPECT_EQ(StatementLineText(2, outcome, QStringLiteral("no such table: t")),
                  QStringLiteral("2 \u00B7 select * from t \u2014 ") + QString::fromUtf8(c.result));
    }
    // A statement written on one very long line is shortened, not carried whole into every line.
    StatementOutcome wide{std::string(100000, 'x'), 0, StatementEnding::Done, 0, 0, nullptr};
    EXPECT_LT(StatementLineText(1, wide).size(), 2 * kStatementLineChars);
}

// Rows kept on disk are named while the run fills them and in its end text, in a size the user
// reads at a glance; a result all in memory, and a run to a file, say nothing of a disk.
TEST(RunStatusTextTest, RowsKeptOnDiskAreNamedInTheProgressAndTheEnd) {
    using namespace tbn::run;
    const struct {
        std::uint64_t bytes;
        const char* text;
    } sizes[] = {{0, "0 bytes"},         {1023, "1,023 bytes"},
                 {1024, "1.0 KB"},       {1048063, "1023 KB"},
                 {1048064, "1.0 MB"},    {99 * 1048576 + 1048576 * 19 / 20 + 1, "100 MB"},
                 {2040109466, "1.9 GB"}, {5ULL << 50, "5.0 PB"},
                 {5ULL << 60, "5120 PB"}};
    for (const auto& size : sizes)
        EXPECT_EQ(BytesText(size.bytes), QString::fromUtf8(size.text)) << size.bytes;

    EXPECT_EQ(ProgressText(12.0, 10000000, false, false, false, 2040109466),
              QStringLiteral("Running: 12.0 s, 10,000,000 rows so far, 1.9 GB on disk"));
    EXPECT_FALSE(ProgressText(12.0, 10, false, false).contains(QStringLiteral("disk")));

    RunResult result;
    result.ending = RunEnding::Cancelled;
    result.hasRowSet = true;
    result.rows = 10000000;
    result.seconds = 12.0;
    result.onDiskBytes = 2040109466;
    EXPECT_EQ(EndText(result),
              QStringLiteral("Cancelled after 10,000,000 rows, 12.0 s; 1.9 GB of it on disk"));
    result.ending = RunEnding::Rows;
    EXPECT_TRUE(EndText(result).endsWith(QStringLiteral(" in 12.0 s; 1.9 GB of it on disk")));
    EXPECT_FALSE(EndText(result, {}, false, QStringLiteral("out.csv")).contains("disk"));
    result.onDiskBytes = 0;
    EXPECT_FALSE(EndText(result).contains(QStringLiteral("disk")));
}

}  // namespace
