#include "run/RunJob.h"

#include "core/Error.h"
#include "db/CommandText.h"
#include "run/StatementAtCaret.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <string_view>
#include <vector>

namespace tbn::run {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A one-line INSERT of a whole data file would otherwise be copied into every line that names it.
constexpr std::size_t kFirstLineBytes = 240;

// The statement's first line, from the first thing on it that is not a blank or a comment, up to
// the ";" that ends it when a later statement follows on the same line.
std::string FirstLine(std::string_view text, std::size_t offset) {
    if (offset > text.size()) return {};
    std::string_view rest = text.substr(offset);
    rest.remove_prefix(tbn::db::StartOfFirstToken(rest));
    // A line far longer than what is kept is split only as far as needed.
    rest = rest.substr(0, std::min(rest.find_first_of("\r\n"), 4 * kFirstLineBytes));
    const QString line = QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size()));
    const TextSpan span = StatementAt(line, 0);
    const std::string statement = line.mid(span.start, span.length).toStdString();
    if (statement.size() <= kFirstLineBytes) return statement;
    std::size_t cut = kFirstLineBytes;
    while (cut > 0 && (static_cast<unsigned char>(statement[cut]) & 0xC0) == 0x80) --cut;
    return statement.substr(0, cut) + "\u2026";
}

}  // namespace

RunJob::RunJob(std::shared_ptr<tbn::db::Connection> connection, std::string commandText,
               std::unique_ptr<ResultFile> toFile)
    : connection_(std::move(connection)), commandText_(std::move(commandText)),
      toFile_(std::move(toFile)) {}

void RunJob::NotifyWhenStatementEnds(std::function<void()> notify) {
    statementNotice_.NotifyWhenFinished(std::move(notify));
}

void RunJob::NotifyWhenRowsArrive(std::function<void()> notify) {
    rowsNotice_.NotifyWhenFinished(std::move(notify));
}

void RunJob::StopNotifying() {
    rowsNotice_.StopNotifying();
    statementNotice_.StopNotifying();
    notice_.StopNotifying();
}

std::shared_ptr<results::CellStore> RunJob::RowsSoFarStore(int* rowSet) const {
    std::shared_ptr<results::CellStore> filling;
    {
        const std::lock_guard<std::mutex> hold(fillingLock_);
        filling = filling_;
        if (rowSet) *rowSet = fillingNumber_;
    }
    return filling ? filling->ShareStored() : nullptr;
}

std::vector<EndedStatement> RunJob::EndedSoFar() const {
    const std::lock_guard<std::mutex> hold(endedLock_);
    return ended_;
}

std::vector<EndedStatement> RunJob::TakeEnded() {
    const std::lock_guard<std::mutex> hold(endedLock_);
    std::vector<EndedStatement> taken(ended_.begin() + static_cast<std::ptrdiff_t>(taken_),
                                      ended_.end());
    taken_ = ended_.size();
    return taken;
}

void RunJob::Publish(EndedStatement ended) {
    {
        const std::lock_guard<std::mutex> hold(endedLock_);
        ended_.push_back(std::move(ended));
    }
    statementNotice_.Tell();
}

void RunJob::Work() noexcept {
    const auto start = Clock::now();
    bool complete = false;
    try {
        complete = toFile_ ? RunWhole() : RunEach();
    } catch (...) {
        failure_ = std::current_exception();
    }
    seconds_ = SecondsSince(start);
    // A cursor left part-way is closed here, so that every engine call of the run stays on this
    // thread (a PostgreSQL cursor reads what is still on its way).
    if (failure_ || !complete) recordset_.Close();
    if (CancelRequested() && (failure_ || !complete))
        ending_ = RunEnding::Cancelled;
    else if (failure_)
        ending_ = RunEnding::Failed;
    else
        ending_ = hasRowSet_ ? RunEnding::Rows : RunEnding::Statement;
    state_.To(RunPhase::Ended);
    notice_.Tell();
}

bool RunJob::RunWhole() {
    if (CancelRequested()) return false;
    recordset_.Open(commandText_, *connection_, tbn::db::adOpenStatic, tbn::db::adLockOptimistic,
                    -1);
    if (recordset_.State() == tbn::db::adStateClosed) {
        rowsChanged_ = connection_->session().RowsChanged();
        return true;
    }
    return FillFile();
}

bool RunJob::RunEach() {
    if (CancelRequested()) return false;
    // Every engine is reached through here as through Recordset::Open, which refuses the same.
    tbn::db::RefuseNulCharacter(commandText_);
    // Destroyed on this thread, before the run ends: no statement or lock stays open after it.
    const std::unique_ptr<tbn::db::StatementResults> statements =
        connection_->session().ExecuteEach(commandText_);
    for (std::size_t index = 0;; ++index) {
        if (index > 0 && CancelRequested()) {
            // The next statement never began: the run brought no row set of its own.
            hasRowSet_ = false;
            rowSet_.reset();
            return false;
        }
        switch (RunStatement(*statements, index)) {
        case Step::NoneLeft: return true;
        case Step::Stopped: return false;
        case Step::Ran: break;
        }
    }
}

RunJob::Step RunJob::RunStatement(tbn::db::StatementResults& statements, std::size_t index) {
    const auto start = Clock::now();
    EndedStatement ended;
    StatementOutcome& outcome = ended.outcome;
    bool complete = true;
    try {
        if (!statements.Next()) return Step::NoneLeft;
        outcome.textOffset = statements.TextOffset();
        if (!outcome.textOffset) outcome.textOffset = FallbackStart(index);
        std::unique_ptr<tbn::db::Cursor> rows = statements.TakeRows();
        if (rows && rows->FieldCount() > 0) {
            complete = Fill(*rows, ended);
            outcome.ending = complete ? StatementEnding::Rows : StatementEnding::Cancelled;
        } else {
            const std::int64_t changed = statements.RowsChanged();
            if (changed >= 0) rowsChanged_ += changed;
            outcome.ending = changed >= 0 ? StatementEnding::Changed : StatementEnding::Done;
            outcome.rows = std::max<std::int64_t>(changed, 0);
        }
    } catch (...) {
        outcome.failure = std::current_exception();
        outcome.ending = CancelRequested() ? StatementEnding::Cancelled : StatementEnding::Failed;
        if (!outcome.textOffset) {
            // The engine names the failed statement more surely than the splitter can.
            try {
                throw;
            } catch (const tbn::Error& error) {
                if (error.FailedStatement()) outcome.textOffset = error.FailedStatement()->begin;
            } catch (...) {}
            if (!outcome.textOffset) outcome.textOffset = FallbackStart(index);
        }
        // A row set whose reading failed shows what was read, as it always has; a statement that
        // failed before it had rows leaves the run none of its own.
        if (!ended.rows) {
            hasRowSet_ = false;
            rowSet_.reset();
        }
        outcome.firstLine = FirstLine(commandText_, *outcome.textOffset);
        outcome.seconds = SecondsSince(start);
        Publish(std::move(ended));
        throw;
    }
    outcome.firstLine = FirstLine(commandText_, *outcome.textOffset);
    outcome.seconds = SecondsSince(start);
    Publish(std::move(ended));
    return complete ? Step::Ran : Step::Stopped;
}

std::size_t RunJob::FallbackStart(std::size_t index) {
    if (!split_) {
        // The splitter counts in UTF-16 units; the engines and the outcomes in UTF-8 bytes.
        split_ = true;
        const QString text = QString::fromStdString(commandText_);
        std::size_t bytes = 0;
        int at = 0;
        for (const int start : StatementStarts(text)) {
            bytes +=
                static_cast<std::size_t>(QStringView(text).mid(at, start - at).toUtf8().size());
            at = start;
            splitStarts_.push_back(bytes);
        }
    }
    if (index < splitStarts_.size()) return splitStarts_[index];
    return splitStarts_.empty() ? 0 : splitStarts_.back();
}

bool RunJob::Fill(tbn::db::Cursor& cursor, EndedStatement& ended) {
    // The walk reads the cursor itself: the Field wrappers check the record set's state again on
    // every cell, which a million rows feel. A null reads as "", which is its cell's text; only
    // empty values pay for asking whether they are null, so the grid can draw nulls apart.
    const std::size_t fieldCount = cursor.FieldCount();
    std::vector<std::optional<std::string_view>> values(fieldCount + 1);
    std::vector<core::ValueKind> kinds(fieldCount + 1);  // the record number's stays Text
    for (std::size_t c = 0; c < fieldCount; ++c) values[c + 1] = cursor.FieldName(c);
    ended.rows = std::make_shared<results::CellStore>(2, static_cast<std::int64_t>(fieldCount) + 1);
    results::CellStore& store = *ended.rows;
    store.WriteRow(0, results::RowValues{0, values});
    // From here on this is the run's row set, until a later statement brings another.
    hasRowSet_ = true;
    rowSet_ = ended.rows;
    rowSetRecords_ = 0;
    {
        const std::lock_guard<std::mutex> hold(fillingLock_);
        filling_ = ended.rows;
        ++fillingNumber_;
    }
    const std::int64_t before = RowsSoFar();

    char number[24];
    for (std::int64_t r = 1; !cursor.AtEnd(); ++r) {
        if (CancelRequested()) return false;
        const auto written = std::to_chars(number, number + sizeof number, r);
        values[0] = std::string_view(number, static_cast<std::size_t>(written.ptr - number));
        for (std::size_t c = 0; c < fieldCount; ++c) {
            const std::string_view value = cursor.Value(c);
            if (value.empty() && cursor.IsNull(c))
                values[c + 1].reset();
            else
                values[c + 1] = value;
            kinds[c + 1] = cursor.Kind(c);
        }
        store.WriteRowAndAppend(r, results::RowValues{0, values, kinds});
        rowSetRecords_ = r;
        ended.outcome.rows = r;
        rowsSoFar_.store(before + r, std::memory_order_relaxed);
        // The window shows the first rows at once rather than at its next look.
        if (r == 1) rowsNotice_.Tell();
        cursor.Next();
    }
    // A run may keep many row sets: each gives back the huge-page tails it will never fill.
    store.ReleaseSpare();
    return true;
}

bool RunJob::FillFile() {
    // One row in memory at a time, whatever the size of the row set: the cursor's current row is
    // handed to the writer and left behind.
    tbn::db::Cursor& cursor = *recordset_.cursor();
    const std::size_t fieldCount = cursor.FieldCount();
    if (fieldCount == 0) return true;
    std::vector<std::string_view> names(fieldCount);
    for (std::size_t c = 0; c < fieldCount; ++c) names[c] = cursor.FieldName(c);
    results::ResultWriter& writer = *toFile_->writer;
    writer.Begin(names);
    hasRowSet_ = true;
    std::vector<results::CellValue> values(fieldCount);
    for (std::int64_t r = 1; !cursor.AtEnd(); ++r) {
        if (CancelRequested()) return false;
        for (std::size_t c = 0; c < fieldCount; ++c) {
            values[c].text = cursor.Value(c);
            values[c].null = values[c].text.empty() && cursor.IsNull(c);
            values[c].kind = cursor.Kind(c);
        }
        writer.Row(values);
        rowsSoFar_.store(r, std::memory_order_relaxed);
        rowSetRecords_ = r;
        cursor.Next();
    }
    writer.End();
    toFile_->file.Commit();
    return true;
}

}  // namespace tbn::run
