#include "db/HistoryStore.h"

#include "core/FileOps.h"
#include "core/XdgFolders.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <sqlite3.h>
#include <sys/stat.h>

namespace tbn::db {

namespace {

// The LIKE operator refuses patterns past this length; a longer filter is matched exactly.
constexpr std::size_t kLongestLikePattern = 10000;

// The engine's message for a failed call, named after the file; the number is the extended code.
tbn::Error StoreFailure(sqlite3* db, const QString& path, int code) {
    const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    const int number = db ? sqlite3_extended_errcode(db) : code;
    return tbn::Error(number == SQLITE_OK ? code : number, path.toStdString() + ": " + message);
}

class Statement {
public:
    // Raises the engine's failure when sql cannot be prepared.
    Statement(sqlite3* db, const QString& path, const char* sql) {
        if (const int code = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); code != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            throw StoreFailure(db, path, code);
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    void Bind(int at, const std::string& text) {
        sqlite3_bind_text(stmt_, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    void Bind(int at, std::int64_t value) { sqlite3_bind_int64(stmt_, at, value); }
    void Bind(int at, double value) { sqlite3_bind_double(stmt_, at, value); }
    void BindNull(int at) { sqlite3_bind_null(stmt_, at); }
    std::string Text(int column) const {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return bytes ? std::string(bytes,
                                   static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                     : std::string();
    }
    void Bind(int at, const std::optional<std::int64_t>& value) {
        if (value)
            Bind(at, *value);
        else
            BindNull(at);
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::optional<std::int64_t> OptionalInt(int column) const {
        return IsNull(column) ? std::nullopt : std::optional<std::int64_t>(Int(column));
    }
    double Real(int column) const { return sqlite3_column_double(stmt_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// 'TBNh' in the database header marks a history of TBN's own, so that no other program's database
// is ever taken for one, switched to WAL or given a table.
constexpr std::int64_t kApplicationId = 0x54424E68;
// The columns a history had before it was marked: an unmarked file with them is ours.
constexpr const char* kRunsColumns[] = {"id",   "started",      "connection",
                                        "text", "seconds",      "outcome",
                                        "rows", "error_number", "error_text"};

void MakePrivateFolder(const QString& folder) {
    QString partial;
    if (const int error = core::MakeOwnFolder(folder, core::ExistingFolder::KeepMode, &partial))
        throw tbn::Error(core::FileErrorNumber(error, partial), "Cannot create the folder " +
                                                                    partial.toStdString() + ": " +
                                                                    std::strerror(error));
}

// Numbered as the engine numbers a file that is no database, so that it is set aside as one is.
tbn::Error NotOurs(const QString& path, const std::string& why) {
    return tbn::Error(SQLITE_NOTADB, path.toStdString() + ": not a history of TBN's: " + why);
}

// Made here rather than by the engine, which would give it the umask's mode; the -wal and -shm
// files the engine makes take the mode of this one. Only an ordinary file is opened: the engine
// would follow a link to another database, and wait for ever on a FIFO.
void CreateIfMissing(const QString& path) {
    if (!core::StatusOf(path).exists) {
        try {
            core::OpenForWriting(path, 0600, core::IfExists::Fail).Close();
        } catch (const tbn::Error&) {
            // Another TBN made it first, between the look and the create: that file serves as well.
            if (!core::StatusOf(path).exists) throw;
        }
    }
    if (!core::StatusOf(path).ordinaryFile)
        throw NotOurs(path, "it is a symbolic link or not an ordinary file");
}

std::string LikePattern(const std::string& text) {
    std::string pattern = "%";
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\') pattern += '\\';
        pattern += c;
    }
    return pattern + '%';
}

}  // namespace

void HistoryStore::Closer::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

HistoryStore::HistoryStore(const QString& path, std::int64_t keep, std::int64_t slack)
    : path_(path), keep_(keep), slack_(slack) {
    MakePrivateFolder(QFileInfo(path).absolutePath());
    CreateIfMissing(path);
    sqlite3* raw = nullptr;
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    db_.reset(raw);
    if (code != SQLITE_OK) {
        // Swapped for a link since it was looked at.
        if (sqlite3_extended_errcode(raw) == SQLITE_CANTOPEN_SYMLINK)
            throw NotOurs(path, "it is a symbolic link");
        throw Failure(code);
    }
    sqlite3_extended_result_codes(raw, 1);
    // Another copy of the program may be writing its own run at the same moment.
    sqlite3_busy_timeout(raw, 1000);
    const bool unmarked = RequireOurs();
    // The switch takes the file for itself without waiting, so a store that opens while another
    // one switches finds it busy. That switch serves both; until it is done the file works in its
    // old mode.
    if (const int code = sqlite3_exec(raw, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        code != SQLITE_OK && code != SQLITE_BUSY)
        throw Failure(code);
    Exec("PRAGMA synchronous=NORMAL");
    if (unmarked) Exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
    Exec("CREATE TABLE IF NOT EXISTS runs("
         " id INTEGER PRIMARY KEY,"
         " started INTEGER NOT NULL,"
         " connection TEXT NOT NULL,"
         " text TEXT NOT NULL,"
         " seconds REAL NOT NULL,"
         " outcome INTEGER NOT NULL,"
         " rows INTEGER,"
         " error_number INTEGER,"
         " error_text TEXT);"
         "CREATE INDEX IF NOT EXISTS runs_by_connection ON runs(connection, id);"
         // Beside the runs rather than in them, so a reader that knows only the runs' columns
         // reads a newer history as it always did.
         "CREATE TABLE IF NOT EXISTS statements("
         " run_id INTEGER NOT NULL,"
         " seq INTEGER NOT NULL,"
         " first_line TEXT NOT NULL,"
         " text_offset INTEGER,"
         " ending INTEGER NOT NULL,"
         " rows INTEGER NOT NULL,"
         " seconds REAL NOT NULL,"
         " error_number INTEGER,"
         " error_text TEXT,"
         " PRIMARY KEY(run_id, seq)) WITHOUT ROWID;");
}

bool HistoryStore::RequireOurs() {
    Statement mark(db_.get(), path_, "PRAGMA application_id");
    if (const int code = sqlite3_step(mark.get()); code != SQLITE_ROW) throw Failure(code);
    if (mark.Int(0) == kApplicationId) return false;
    if (mark.Int(0) != 0) throw NotOurs(path_, "another program marked it as its own");

    // Unmarked: a file just made, or a history from before the mark. Anything else is another
    // program's, and is not touched.
    Statement tables(db_.get(), path_,
                     "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE "
                     "'sqlite\\_%' ESCAPE '\\'");
    if (const int code = sqlite3_step(tables.get()); code != SQLITE_ROW) throw Failure(code);
    if (tables.Int(0) == 0) return true;
    Statement columns(db_.get(), path_, "SELECT name FROM pragma_table_info('runs') ORDER BY cid");
    for (const char* expected : kRunsColumns) {
        const int code = sqlite3_step(columns.get());
        if (code != SQLITE_ROW && code != SQLITE_DONE) throw Failure(code);
        if (code == SQLITE_DONE || columns.Text(0) != expected)
            throw NotOurs(path_, "it holds other tables");
    }
    return true;
}

HistoryStore::~HistoryStore() = default;

tbn::Error HistoryStore::Failure(int code) const { return StoreFailure(db_.get(), path_, code); }

void HistoryStore::Exec(const char* sql) {
    if (const int code = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr); code != SQLITE_OK)
        throw Failure(code);
}

std::int64_t HistoryStore::Append(const HistoryRun& run) {
    // A savepoint nests in the transaction of AppendClosed, and begins one of its own otherwise.
    Exec("SAVEPOINT append_run");
    try {
        const std::int64_t id = AppendRun(run);
        AppendStatements(id, run.statements);
        Exec("RELEASE append_run");
        return id;
    } catch (...) {
        sqlite3_exec(db_.get(), "ROLLBACK TO append_run; RELEASE append_run", nullptr, nullptr,
                     nullptr);
        throw;
    }
}

std::int64_t HistoryStore::AppendRun(const HistoryRun& run) {
    Statement insert(db_.get(), path_,
                     "INSERT INTO runs(started, connection, text, seconds, outcome, rows, "
                     "error_number, error_text)"
                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, run.startedMs);
    insert.Bind(2, run.connection);
    insert.Bind(3, run.text);
    insert.Bind(4, run.seconds);
    insert.Bind(5, static_cast<std::int64_t>(run.outcome));
    if (run.rows)
        insert.Bind(6, *run.rows);
    else
        insert.BindNull(6);
    if (run.errorNumber)
        insert.Bind(7, static_cast<std::int64_t>(*run.errorNumber));
    else
        insert.BindNull(7);
    if (run.errorNumber)
        insert.Bind(8, run.errorText);
    else
        insert.BindNull(8);
    if (const int code = sqlite3_step(insert.get()); code != SQLITE_DONE) throw Failure(code);
    const std::int64_t id = sqlite3_last_insert_rowid(db_.get());

    // Ids only grow and only the oldest are deleted, so the runs kept are the ids from the
    // smallest to this one.
    Statement oldest(db_.get(), path_, "SELECT min(id) FROM runs");
    if (const int code = sqlite3_step(oldest.get()); code != SQLITE_ROW) throw Failure(code);
    if (id - oldest.Int(0) + 1 > keep_ + slack_) {
        // The lines go with their runs, and with them those of runs a reader that knew no lines
        // pruned.
        for (const char* sql :
             {"DELETE FROM runs WHERE id <= ?", "DELETE FROM statements WHERE run_id <= ?"}) {
            Statement prune(db_.get(), path_, sql);
            prune.Bind(1, id - keep_);
            if (const int code = sqlite3_step(prune.get()); code != SQLITE_DONE)
                throw Failure(code);
        }
    }
    return id;
}

void HistoryStore::AppendStatements(std::int64_t id,
                                    const std::vector<HistoryStatement>& statements) {
    if (statements.empty()) return;
    Statement insert(db_.get(), path_,
                     "INSERT INTO statements(run_id, seq, first_line, text_offset, ending, rows,"
                     " seconds, error_number, error_text)"
                     " VALUES (?, ?, substr(?, 1, ?), ?, ?, ?, ?, ?, ?)");
    const std::size_t kept = std::min(statements.size(), static_cast<std::size_t>(kKeepLines));
    for (std::size_t i = 0; i < kept; ++i) {
        const HistoryStatement& line = statements[i];
        insert.Bind(1, id);
        insert.Bind(2, static_cast<std::int64_t>(i));
        insert.Bind(3, line.firstLine);
        insert.Bind(4, static_cast<std::int64_t>(kLineChars));
        insert.Bind(5, line.textOffset);
        insert.Bind(6, static_cast<std::int64_t>(line.ending));
        insert.Bind(7, line.rows);
        insert.Bind(8, line.seconds);
        if (line.errorNumber) {
            insert.Bind(9, static_cast<std::int64_t>(*line.errorNumber));
            insert.Bind(10, line.errorText);
        } else {
            insert.BindNull(9);
            insert.BindNull(10);
        }
        if (const int code = sqlite3_step(insert.get()); code != SQLITE_DONE) throw Failure(code);
        sqlite3_reset(insert.get());
    }
}

std::vector<HistoryStatement> HistoryStore::Statements(std::int64_t id) {
    Statement lines(db_.get(), path_,
                    "SELECT first_line, text_offset, ending, rows, seconds, error_number,"
                    " error_text FROM statements WHERE run_id = ? ORDER BY seq");
    lines.Bind(1, id);
    std::vector<HistoryStatement> result;
    int code;
    while ((code = sqlite3_step(lines.get())) == SQLITE_ROW) {
        HistoryStatement line;
        line.firstLine = lines.Text(0);
        line.textOffset = lines.OptionalInt(1);
        line.ending = static_cast<StatementEnd>(lines.Int(2));
        line.rows = lines.Int(3);
        line.seconds = lines.Real(4);
        if (const auto number = lines.OptionalInt(5))
            line.errorNumber = static_cast<std::int32_t>(*number);
        line.errorText = lines.Text(6);
        result.push_back(std::move(line));
    }
    if (code != SQLITE_DONE) throw Failure(code);
    return result;
}

std::vector<HistoryRun> HistoryStore::Page(const HistoryFilter& filter, std::int64_t beforeId,
                                           int limit) {
    const bool longText = filter.text.size() > kLongestLikePattern;
    std::string sql = "SELECT id, started, connection, substr(text, 1, ?), seconds, outcome, rows, "
                      "error_number, error_text"
                      " FROM runs WHERE id < ?";
    if (!filter.connection.empty()) sql += " AND connection = ?";
    if (!filter.text.empty())
        sql += longText ? " AND instr(text, ?) > 0" : " AND text LIKE ? ESCAPE '\\'";
    sql += " ORDER BY id DESC LIMIT ?";
    Statement page(db_.get(), path_, sql.c_str());
    int at = 1;
    page.Bind(at++, static_cast<std::int64_t>(kPageTextBytes));
    page.Bind(at++, beforeId > 0 ? beforeId : std::numeric_limits<std::int64_t>::max());
    if (!filter.connection.empty()) page.Bind(at++, filter.connection);
    if (!filter.text.empty()) page.Bind(at++, longText ? filter.text : LikePattern(filter.text));
    page.Bind(at++, static_cast<std::int64_t>(limit));

    std::vector<HistoryRun> runs;
    int code;
    while ((code = sqlite3_step(page.get())) == SQLITE_ROW) {
        HistoryRun run;
        run.id = page.Int(0);
        run.startedMs = page.Int(1);
        run.connection = page.Text(2);
        run.text = page.Text(3);
        run.seconds = sqlite3_column_double(page.get(), 4);
        run.outcome = static_cast<RunOutcome>(page.Int(5));
        if (!page.IsNull(6)) run.rows = page.Int(6);
        if (!page.IsNull(7)) run.errorNumber = static_cast<std::int32_t>(page.Int(7));
        run.errorText = page.Text(8);
        runs.push_back(std::move(run));
    }
    if (code != SQLITE_DONE) throw Failure(code);
    return runs;
}

std::string HistoryStore::Text(std::int64_t id) {
    Statement text(db_.get(), path_, "SELECT text FROM runs WHERE id = ?");
    text.Bind(1, id);
    const int code = sqlite3_step(text.get());
    if (code == SQLITE_ROW) return text.Text(0);
    if (code != SQLITE_DONE) throw Failure(code);
    return {};
}

std::vector<std::string> HistoryStore::Connections() {
    Statement names(db_.get(), path_,
                    "SELECT connection FROM runs GROUP BY connection ORDER BY max(id) DESC");
    std::vector<std::string> result;
    int code;
    while ((code = sqlite3_step(names.get())) == SQLITE_ROW) result.push_back(names.Text(0));
    if (code != SQLITE_DONE) throw Failure(code);
    return result;
}

std::int64_t HistoryStore::Count() {
    Statement count(db_.get(), path_, "SELECT count(*) FROM runs");
    if (const int code = sqlite3_step(count.get()); code != SQLITE_ROW) throw Failure(code);
    return count.Int(0);
}

namespace {
// The strings of closed windows live in a table of their own, made on first use: a history
// written before there were closed texts needs no change of its runs.
constexpr const char* kClosedWindowsTable =
    "CREATE TABLE IF NOT EXISTS closed_windows(run_id INTEGER PRIMARY KEY, cnn TEXT NOT NULL)";
}  // namespace

std::int64_t HistoryStore::AppendClosed(const HistoryRun& run, const std::string& cnn) {
    Exec("BEGIN IMMEDIATE");
    try {
        Exec(kClosedWindowsTable);
        HistoryRun closed = run;
        closed.outcome = RunOutcome::Closed;
        const std::int64_t id = Append(closed);
        Statement keep(db_.get(), path_, "INSERT INTO closed_windows(run_id, cnn) VALUES (?, ?)");
        keep.Bind(1, id);
        keep.Bind(2, cnn);
        if (const int code = sqlite3_step(keep.get()); code != SQLITE_DONE) throw Failure(code);
        // Strings whose runs the pruning took go with them.
        Exec("DELETE FROM closed_windows WHERE run_id < (SELECT min(id) FROM runs)");
        Exec("COMMIT");
        return id;
    } catch (...) {
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::optional<ClosedText> HistoryStore::LastClosed(std::int64_t beforeId) {
    Exec(kClosedWindowsTable);
    Statement last(db_.get(), path_,
                   "SELECT r.id, r.connection, c.cnn, r.text FROM closed_windows c JOIN runs r ON "
                   "r.id = c.run_id"
                   " WHERE c.run_id < ? ORDER BY c.run_id DESC LIMIT 1");
    last.Bind(1, beforeId > 0 ? beforeId : std::numeric_limits<std::int64_t>::max());
    const int code = sqlite3_step(last.get());
    if (code == SQLITE_DONE) return std::nullopt;
    if (code != SQLITE_ROW) throw Failure(code);
    return ClosedText{last.Int(0), last.Text(1), last.Text(2), last.Text(3)};
}

QString HistoryStore::MoveAside(const QString& path) {
    const QString aside =
        path + QStringLiteral(".corrupt-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    // The main file last: while it keeps its name its journal must keep theirs.
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QString()})
        if (core::EntryExists(path + suffix)) core::RenameFile(path + suffix, aside + suffix);
    return aside;
}

bool HistoryStore::IsCorruption(const tbn::Error& error) {
    const int primary = error.Number() & 0xff;
    // The file operations' own numbers (53, 61, 70, 75, 76) never fall on these.
    return error.Number() > 0 && (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB);
}

}  // namespace tbn::db
