#include "app/UserSettings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using tbn::app::ReadUserSettings;

TEST(UserSettingsTest, EachSizeIsAPositiveWholeNumberOfMiBOrTheDefault) {
    const tbn::test::TempDir folder;
    EXPECT_FALSE(ReadUserSettings(folder.file("missing.ini")).memoryBudgetBytes);
    const struct {
        const char* file;
        std::optional<std::size_t> bytes;
        bool problem;
        std::optional<std::size_t> copyBytes = std::nullopt;
        std::optional<bool> ask = std::nullopt;
    } cases[] = {
        {"[Results]\nMemoryBudgetMiB=256\n", std::size_t{256} << 20, false},
        {"[Results]\nOther=1\n", std::nullopt, false},
        {"[Results]\nMemoryBudgetMiB=0\n", std::nullopt, true},
        {"[Results]\nMemoryBudgetMiB=-5\n", std::nullopt, true},
        {"[Results]\nMemoryBudgetMiB=1.5\n", std::nullopt, true},
        {"[Results]\nMemoryBudgetMiB=lots\n", std::nullopt, true},
        {"[Results]\nMemoryBudgetMiB=99999999999999999999\n", std::nullopt, true},
        // Each size stands or falls on its own.
        {"[Results]\nCopyAskAboveMiB=64\nMemoryBudgetMiB=lots\n", std::nullopt, true,
         std::size_t{64} << 20},
        {"[Results]\nCopyAskAboveMiB=0\nMemoryBudgetMiB=256\n", std::size_t{256} << 20, true},
        {"[Safety]\nAskBeforeUnboundedWrites=False\n", std::nullopt, false, std::nullopt, false},
        {"[Safety]\nAskBeforeUnboundedWrites=true\n", std::nullopt, false, std::nullopt, true},
        {"[Safety]\nAskBeforeUnboundedWrites=no\n", std::nullopt, true},
    };
    for (const auto& row : cases) {
        folder.write("settings.ini", row.file);
        const tbn::app::UserSettings settings = ReadUserSettings(folder.file("settings.ini"));
        EXPECT_EQ(settings.memoryBudgetBytes, row.bytes) << row.file;
        EXPECT_EQ(settings.copyAskAboveBytes, row.copyBytes) << row.file;
        EXPECT_EQ(settings.askBeforeUnboundedWrites, row.ask) << row.file;
        EXPECT_EQ(!settings.problem.isEmpty(), row.problem) << row.file;
    }
}
