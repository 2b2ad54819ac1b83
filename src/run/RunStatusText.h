#pragma once
// The words of a query window's status line: what a run is doing while it lasts and what it did
// once it ended. Plain functions, so the texts can be checked without a window.
#include <QString>
#include <cstdint>

namespace tbn::run {

struct RunResult;
struct StatementOutcome;

QString CountText(std::int64_t count);   // 120,000
QString SecondsText(double seconds);     // 0.04 s under a second, 2.3 s from there on
QString RowsText(std::int64_t rows);     // 1 row, 896 rows
QString BytesText(std::uint64_t bytes);  // 512 bytes, 12 KB, 1.9 GB (1 KB = 1024 bytes)

// "Running: 2.3 s, 120,000 rows so far", or "Cancelling: ..." once a cancel was asked for; a run
// to a file counts "rows written". onDiskBytes of the row set being filled are kept on disk rather
// than in memory: ", 1.9 GB on disk".
QString ProgressText(double seconds, std::int64_t rows, bool cancelling, bool droppingConnection,
                     bool toFile = false, std::uint64_t onDiskBytes = 0);

// "896 rows in 0.04 s", "Statement done, 3 rows changed in 0.01 s", "Cancelled after 120,000 rows,
// 2.3 s", "Failed after 0.01 s", then "; 1.9 GB of it on disk" when part of the row set is kept on
// disk (result.onDiskBytes), or "; showing the previous result" when the grid kept an earlier
// run's rows, and what became of a connection the engine would not let go. reopenFailure is the
// description of that failure, when opening the connection again failed. For a run to the file
// named fileName: "896 rows written to NAME in 0.04 s", or the run's end and "; NAME left as it
// was".
QString EndText(const RunResult& result, const QString& reopenFailure = {},
                bool previousKept = false, const QString& fileName = {});

// The label of a statement's tab: its number in the run and what it came to, "1 · 896 rows",
// "2 · 3 rows changed", "3 · done", "4 · failed", "5 · 120 rows, cancelled".
QString StatementTabText(int number, const StatementOutcome& outcome);

// A statement's line among a run's messages: its number, its first line of text (shortened past
// kStatementLineChars characters) and what it came to, "1 · select * from books — 896 rows in
// 0.04 s". A failure reads "failed after 0.01 s: " and failureText, which the caller gives as the
// error's first line, as the error box gave it.
QString StatementLineText(int number, const StatementOutcome& outcome,
                          const QString& failureText = {});
inline constexpr int kStatementLineChars = 160;

// The mark of a transaction left open by manual commit: "Transaction open · 3 statements".
QString TransactionOpenText(std::int64_t statements);

}  // namespace tbn::run
