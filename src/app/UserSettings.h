#pragma once
// The user's own settings of the program, kept in settings.ini in the configuration folder and
// read once at start-up. Today, under [Results]: MemoryBudgetMiB, how much memory the rows of
// results may hold before they move to a spill file, and CopyAskAboveMiB, how large a copy of grid
// cells may be before the user is asked.
// Under [Safety]: AskBeforeUnboundedWrites (true or false), whether a run first asks about each
// statement that changes every row of a table, schema or database.
#include <QString>

#include <cstddef>
#include <optional>

namespace tbn::app {

struct UserSettings {
    std::optional<std::size_t> memoryBudgetBytes;  // none: the default
    std::optional<std::size_t> copyAskAboveBytes;  // none: the default
    std::optional<bool> askBeforeUnboundedWrites;  // none: the default, which asks
    QString problem;  // the values that could not be used, for the error reporter; empty when none
};

// The settings a file holds. A missing file or key keeps the default; a value that is not a
// positive whole number (a switch that is not true or false) keeps it too and is described in
// `problem`.
UserSettings ReadUserSettings(const QString& path);

// Reads settings.ini from the configuration folder and applies it; a value that could not be used
// is reported once through the error reporter.
void ApplyUserSettings();

}  // namespace tbn::app
