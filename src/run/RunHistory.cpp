#include "run/RunHistory.h"

#include "core/XdgFolders.h"
#include "db/ConnectionString.h"
#include "run/QueryRun.h"

#include <QDir>

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
    if (result.ending == RunEnding::Statement)
        run.rows = result.rowsChanged;
    else if (result.hasRowSet)
        run.rows = result.rows;
    if (result.ending == RunEnding::Failed && result.failure) {
        const tbn::Error error = tbn::Error::From(result.failure);
        run.errorNumber = error.Number();
        run.errorText = error.Description();
    }
    return run;
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
