#pragma once
// The program's one history of runs ($XDG_DATA_HOME/tbn/history.db, by default
// ~/.local/share/tbn/history.db), opened on first use on the user-interface thread.
//
// The history never stops work: a failure to open, write or read it (a full disk, a read-only
// folder) goes to the reporter once per run of the program, and later ones are silent; a damaged
// or foreign file is moved aside (see HistoryStore::MoveAside), reported the same way, and a fresh
// history is begun. The windows install the reporter; until they do, failures are told nobody.
#include "db/HistoryStore.h"
#include "run/StatementOutcome.h"

#include <QString>
#include <functional>
#include <memory>

namespace tbn::run {

struct RunResult;

QString HistoryPath();

// The name a run is kept under: the window's name with any password in it hidden (see
// ConnectionString::Redacted), for a one-time connection is named "(temp) " and its string, and a
// saved connection's name may be a connection string too.
std::string HistoryConnectionName(const QString& windowName);

// What a run that ended leaves in the history, its statements' lines with it.
db::HistoryRun RunRecord(const QString& windowName, const QString& text, std::int64_t startedMs,
                         const RunResult& result);
// A statement's line as the history keeps it, and as it is read back: a failure comes back as a
// tbn::Error with its number and description.
db::HistoryStatement StatementRecord(const StatementOutcome& outcome);
StatementOutcome OutcomeOf(const db::HistoryStatement& line);

class RunHistory {
public:
    static RunHistory& Program();

    // Tells the user of a failure; it must not raise.
    using Reporter = std::function<void(const tbn::Error&)>;
    void SetReporter(Reporter reporter) { reporter_ = std::move(reporter); }

    // Records what a query window's run came to (see RunRecord). Never raises; a run that cannot
    // be kept is lost to the history only.
    void Record(const QString& windowName, const QString& text, std::int64_t startedMs,
                const RunResult& result) noexcept;
    // Runs body on the open history; false (after the one report) when that failed.
    bool Use(const std::function<void(db::HistoryStore&)>& body) noexcept;

    // For tests: closes the history and forgets the report, as a new start of the program does.
    void Restart();

private:
    void Report(const tbn::Error& error) noexcept;

    std::unique_ptr<db::HistoryStore> store_;
    Reporter reporter_;
    bool reported_ = false;
};

}  // namespace tbn::run
