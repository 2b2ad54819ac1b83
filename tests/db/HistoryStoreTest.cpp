// The history store on its own: it keeps only the newest runs, pruning in batches, and pages
// through the runs newest first.
#include "db/HistoryStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using tbn::db::HistoryRun;
using tbn::db::HistoryStore;

namespace {

TEST(HistoryStoreTest, KeepsTheNewestRunsAndPrunesInBatches) {
    tbn::test::TempDir dir;
    HistoryStore store(dir.file(QStringLiteral("tbn/history.db")), /*keep=*/10, /*slack=*/5);
    for (int i = 1; i <= 15; ++i) {
        HistoryRun run;
        run.connection = "c";
        run.text = "SELECT " + std::to_string(i);
        store.Append(run);
    }
    EXPECT_EQ(store.Count(), 15);  // within the slack: nothing deleted yet
    HistoryRun run;
    run.text = "SELECT 16";
    store.Append(run);
    EXPECT_EQ(store.Count(), 10);

    // Paging goes on from the last id seen, newest first, to the oldest one kept.
    const std::vector<HistoryRun> first = store.Page({}, 0, 6);
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first.front().text, "SELECT 16");
    const std::vector<HistoryRun> rest = store.Page({}, first.back().id, 6);
    ASSERT_EQ(rest.size(), 4u);
    EXPECT_EQ(rest.back().text, "SELECT 7");
    // Wildcards typed in the filter are plain characters.
    EXPECT_TRUE(store.Page({"%", ""}, 0, 6).empty());
}

} // namespace
