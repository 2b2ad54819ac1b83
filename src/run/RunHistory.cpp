#include "run/RunHistory.h"

#include "core/XdgFolders.h"
#include "db/ConnectionString.h"
#include "run/QueryRun.h"

#include <QDir>
#include <utility>

namespace tbn::run {

QString HistoryPath() {
    return core::XdgBaseFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) +
           QStringLiteral("/tbn/history.db");
}

std::string HistoryConnectionName(const QString& windowName) {
    // A one-time connection is named by its string, and so is a saved one whose line in the
    // store has no name of its own.
    return db::ConnectionString::Redacted(windowName.toStdString());
}

db::HistoryRun RunRecord(const QString& windowName, const QString& text, std::int64_t startedMs,
                         const RunResult& result) {
    db::HistoryRun run;
    run.startedMs = startedMs;
    run.connection = HistoryConnectionName(windowName);
    run.text = text.toStdString();
    run.seconds = result.seconds;
    switch (result.ending) {
    case RunEnding::Rows: run.outcome = db::RunOutcome::Rows; break;
    case RunEnding::Statement: run.outcome = db::RunOutcome::Statement; break;
    case RunEnding::Failed: run.outcome = db::RunOutcome::Failed; break;
    case RunEnding::Cancelled: run.outcome = db::RunOutcome::Cancelled; break;
    }
    if (result.ending == RunEnding::Statement) {
        // A commit or a roll back changes no rows of its own.
        if (result.rowsChanged >= 0) run.rows = result.rowsChanged;
    } else if (result.hasRowSet)
        run.rows = result.rows;
    if (result.ending == RunEnding::Failed && result.failure) {
        const tbn::Error error = tbn::Error::From(result.failure);
        run.errorNumber = error.Number();
        run.errorText = error.Description();
    }
    run.statements.reserve(result.statements.size());
    for (const StatementOutcome& outcome : result.statements)
        run.statements.push_back(StatementRecord(outcome));
    return run;
}

namespace {

// The history's numbers for the endings are its own, so the file does not change with the enum.
constexpr std::pair<StatementEnding, db::StatementEnd> kEndings[] = {
    {StatementEnding::Rows, db::StatementEnd::Rows},
    {StatementEnding::Changed, db::StatementEnd::Changed},
    {StatementEnding::Done, db::StatementEnd::Done},
    {StatementEnding::Failed, db::StatementEnd::Failed},
    {StatementEnding::Cancelled, db::StatementEnd::Cancelled},
};

std::optional<std::int64_t> Offset(std::optional<std::size_t> bytes) {
    return bytes ? std::optional<std::int64_t>(static_cast<std::int64_t>(*bytes)) : std::nullopt;
}

std::optional<std::size_t> Offset(std::optional<std::int64_t> bytes) {
    return bytes && *bytes >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(*bytes))
                                : std::nullopt;
}

}  // namespace

db::HistoryStatement StatementRecord(const StatementOutcome& outcome) {
    db::HistoryStatement line;
    line.firstLine = outcome.firstLine;
    line.textOffset = Offset(outcome.textOffset);
    for (const auto& [ending, kept] : kEndings)
        if (ending == outcome.ending) line.ending = kept;
    line.rows = outcome.rows;
    line.seconds = outcome.seconds;
    if (outcome.ending == StatementEnding::Failed && outcome.failure) {
        const tbn::Error error = tbn::Error::From(outcome.failure);
        line.errorNumber = error.Number();
        line.errorText = error.Description();
    }
    return line;
}

StatementOutcome OutcomeOf(const db::HistoryStatement& line) {
    StatementOutcome outcome;
    outcome.firstLine = line.firstLine;
    outcome.textOffset = Offset(line.textOffset);
    for (const auto& [ending, kept] : kEndings)
        if (kept == line.ending) outcome.ending = ending;
    outcome.rows = line.rows;
    outcome.seconds = line.seconds;
    if (line.errorNumber)
        outcome.failure = std::make_exception_ptr(tbn::Error(*line.errorNumber, line.errorText));
    return outcome;
}

RunHistory& RunHistory::Program() {
    static RunHistory history;
    return history;
}

void RunHistory::Record(const QString& windowName, const QString& text, std::int64_t startedMs,
                        const RunResult& result) noexcept {
    Use([&](db::HistoryStore& store) {
        store.Append(RunRecord(windowName, text, startedMs, result));
    });
}

bool RunHistory::Use(const std::function<void(db::HistoryStore&)>& body) noexcept {
    try {
        try {
            if (!store_) store_ = std::make_unique<db::HistoryStore>(HistoryPath());
            body(*store_);
            return true;
        } catch (const tbn::Error& error) {
            if (!db::HistoryStore::IsCorruption(error)) throw;
            // Closed before the move: closing renames nothing, but it would tidy away a journal
            // by its old name, which by then belongs to the fresh file.
            store_.reset();
            QString aside;
            try {
                aside = db::HistoryStore::MoveAside(HistoryPath());
            } catch (const tbn::Error& moving) {
                throw tbn::Error(error.Number(), error.Description() +
                                                     "\nThe file could not be moved aside: " +
                                                     moving.Description());
            }
            Report(tbn::Error(error.Number(), error.Description() + "\nThe file was moved to " +
                                                  aside.toStdString() +
                                                  " and a new history was begun."));
            store_ = std::make_unique<db::HistoryStore>(HistoryPath());
            body(*store_);
            return true;
        }
    } catch (...) {
        Report(tbn::Error::From(std::current_exception()));
        return false;
    }
}

void RunHistory::Report(const tbn::Error& error) noexcept {
    if (reported_ || !reporter_) return;
    reported_ = true;
    try {
        reporter_(error);
    } catch (...) {
        // Nothing can be said about a failure to say it.
    }
}

void RunHistory::Restart() {
    store_.reset();
    reported_ = false;
}

}  // namespace tbn::run
