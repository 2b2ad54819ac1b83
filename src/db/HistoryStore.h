#pragma once
// The history of query runs: one SQLite database file (WAL, created 0600 in a 0700 folder) with a
// row per run, newest last, marked as TBN's own in its header (application_id). It keeps the newest
// kKeep runs: once kSlack more have been added the oldest go in one delete, so a prune is rare and
// an insert stays a single statement.
//
// Looking up is newest first, a page at a time, filtered by a substring of the text (ASCII letters
// in either case) and by connection name; a page continues from the smallest id of the last one.
// A substring scan of the newest rows stops as soon as the page is full, which with 100,000 runs
// of ordinary texts stays well under a keystroke's time even when nothing matches (see
// bench/history_lookup); an index serves the connection filter.
//
// A run keeps a line for each of its statements (the first kKeepLines) in a table of its own,
// read only for the run the user looks at: the runs' table, its lookups and the readers of a
// history from before the lines all stay as they were, and such a history's runs have no lines.
//
// Every failure raises tbn::Error: the engine's extended result code and message for SQLite, the
// classic file numbers of FileOps for creating the file. IsCorruption tells a damaged or foreign
// file from every other failure. A foreign file is left exactly as it was: a symbolic link (to
// another database or anywhere), anything but an ordinary file, a database another program marked,
// or an unmarked one with tables other than a history's. The folder must be a real folder (see
// MakeOwnFolder). Not thread-safe: one thread uses a store; stores of other threads and processes
// may share the file, and may create it at the same moment.
#include "core/Error.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace tbn::db {

// Closed is no run: the text a query window held when it was closed unsaved (see AppendClosed).
enum class RunOutcome { Rows = 0, Statement = 1, Failed = 2, Cancelled = 3, Closed = 4 };

enum class StatementEnd { Rows = 0, Changed = 1, Done = 2, Failed = 3, Cancelled = 4 };

// What one statement of a run came to.
struct HistoryStatement {
    std::string firstLine;                   // its first line of text (kept to kLineChars)
    std::optional<std::int64_t> textOffset;  // where it starts in the run's text, in bytes
    StatementEnd ending = StatementEnd::Done;
    std::int64_t rows = 0;
    double seconds = 0;
    std::optional<std::int32_t> errorNumber;  // for Failed
    std::string errorText;                    // as the window reported it, its place included
};

struct HistoryRun {
    std::int64_t id = 0;         // given by the store
    std::int64_t startedMs = 0;  // milliseconds since 1970-01-01 UTC
    std::string connection;      // a name, never a password
    std::string text;            // as the engine got it (a page holds only its beginning)
    double seconds = 0;
    RunOutcome outcome = RunOutcome::Rows;
    std::optional<std::int64_t> rows;  // records fetched, or rows a statement changed
    std::optional<std::int32_t> errorNumber;
    std::string errorText;
    // Written by Append; a page leaves them out, Statements reads them.
    std::vector<HistoryStatement> statements;
};

// A closed window's text with what it was connected to; connection and cnn hold no password.
struct ClosedText {
    std::int64_t id = 0;
    std::string connection;
    std::string cnn;
    std::string text;
};

struct HistoryFilter {
    std::string text;        // substring of the text; empty: any
    std::string connection;  // exact name; empty: any
};

class HistoryStore {
public:
    static constexpr std::int64_t kKeep = 100000;
    static constexpr std::int64_t kSlack = 1000;
    static constexpr int kPageTextBytes = 512;  // of each text in a page
    static constexpr int kKeepLines = 1000;     // of a run's statements
    static constexpr int kLineChars = 512;      // of each statement's first line

    // Opens the file, creating it and its folder when missing. keep and slack are for tests.
    explicit HistoryStore(const QString& path, std::int64_t keep = kKeep,
                          std::int64_t slack = kSlack);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Records the run and its statements' lines, all or nothing. Returns the new run's id.
    std::int64_t Append(const HistoryRun& run);
    // The lines of a run's statements, in their order; none for a run that has none or is gone.
    std::vector<HistoryStatement> Statements(std::int64_t id);
    // Up to limit runs matching filter with an id below beforeId (0: from the newest), newest
    // first.
    std::vector<HistoryRun> Page(const HistoryFilter& filter, std::int64_t beforeId, int limit);
    // The whole text of a run; empty when it has been pruned.
    std::string Text(std::int64_t id);
    // Every connection name recorded, the one used last first.
    std::vector<std::string> Connections();
    std::int64_t Count();

    // Keeps a query window's text as a run of outcome Closed, with the window's connection string
    // (the caller hides its passwords); listed and pruned as any run. Returns the run's id.
    std::int64_t AppendClosed(const HistoryRun& run, const std::string& cnn);
    // The newest closed text with an id below beforeId (0: from the newest); none when no such
    // text is left.
    std::optional<ClosedText> LastClosed(std::int64_t beforeId);

    const QString& Path() const { return path_; }

    // Moves the file and its -wal and -shm aside to <path>.corrupt-<UTC time>, never deleting
    // them; returns the new name of the file.
    static QString MoveAside(const QString& path);
    static bool IsCorruption(const tbn::Error& error);

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    void Exec(const char* sql);
    std::int64_t AppendRun(const HistoryRun& run);
    void AppendStatements(std::int64_t id, const std::vector<HistoryStatement>& statements);
    // Raises when the open file is another program's database; true when it is ours but not yet
    // marked as ours (new, or from before the mark).
    bool RequireOurs();
    tbn::Error Failure(int code) const;

    QString path_;
    std::int64_t keep_;
    std::int64_t slack_;
    std::unique_ptr<sqlite3, Closer> db_;
};

}  // namespace tbn::db
