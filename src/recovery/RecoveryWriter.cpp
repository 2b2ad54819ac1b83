#include "recovery/RecoveryWriter.h"

#include "core/ErrorCodes.h"
#include "core/FileOps.h"
#include "core/RecoveryRecord.h"
#include "core/ReplaceFile.h"
#include "recovery/RecoveryFailure.h"
#include "recovery/RecoveryFolder.h"

#include <algorithm>
#include <exception>

#include <QElapsedTimer>

namespace tbn::recovery {

namespace {
void Report(const char* what, std::exception_ptr failure) {
    const tbn::Error error = tbn::Error::From(failure);
    ReportRecoveryFailure(tbn::Error(error.Number(), std::string(what) + error.Description()));
}

RecoveryWriter::Clock& TestClock() {
    static RecoveryWriter::Clock clock;
    return clock;
}

qint64 Now() {
    static const QElapsedTimer steady = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return TestClock() ? TestClock()() : steady.elapsed();
}
}  // namespace

void RecoveryWriter::SetClockForTesting(Clock clock) { TestClock() = std::move(clock); }

RecoveryWriter::RecoveryWriter(std::function<QString()> text) : text_(std::move(text)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kDelayMs);
    connect(&timer_, &QTimer::timeout, this, [this] { SaveNow(); });
}

RecoveryWriter::~RecoveryWriter() {
    // Destroyed with its window, which is the window closing: nobody is there to be told of a
    // failure, and the file is then offered at the next start, which loses nothing.
    timer_.stop();
    try {
        if (saved_) core::RemoveFile(path_);
    } catch (...) {}
}

void RecoveryWriter::SetConnection(const QString& name, const QString& cnn) {
    name_ = name;
    cnn_ = cnn;
    if (saved_ && !timer_.isActive()) timer_.start();
}

void RecoveryWriter::ContentsChanged(int, int removed, int added) {
    if (discarded_ || (removed == 0 && added == 0)) return;
    // Not restarted: a save at most a second after the first of a run of changes keeps steady
    // typing saved every second.
    if (!timer_.isActive()) timer_.start();
}

bool RecoveryWriter::SaveNow() {
    timer_.stop();
    if (discarded_) return true;
    const qint64 started = Now();
    std::exception_ptr failure;
    try {
        Save();
    } catch (...) {
        failure = std::current_exception();
    }
    // A text of many megabytes takes a noticeable time to save; the pause before the next save
    // grows with it, so that saving never takes more than a fifth of the time the user types.
    // Timed before any report: its box may stay open for minutes, and counting that would hold
    // back the next save just when the disk may have room again.
    timer_.setInterval(
        static_cast<int>(std::clamp<qint64>(4 * (Now() - started), kDelayMs, kLongestDelayMs)));
    if (!failure) return true;
    Report("Query texts cannot be kept for recovery after a crash (said once; TBN keeps trying, "
           "and work "
           "goes on): ",
           failure);
    return false;
}

void RecoveryWriter::Save() {
    const QString text = text_();
    if (text.isEmpty()) {
        RemoveFile();
        return;
    }
    const QByteArray bytes = core::EncodeRecoveredText(core::RecoveredText{name_, cnn_, text});
    if (path_.isEmpty()) path_ = NewRecoveryPath();
    core::ReplaceOptions options;
    options.newFileMode = 0600;  // the connection string may hold a password
    options.createThroughScratch = true;
    core::ReplaceFile(path_, bytes, options);
    saved_ = true;
}

void RecoveryWriter::Discard() {
    timer_.stop();
    discarded_ = true;
    try {
        RemoveFile();
    } catch (...) {
        Report("A closed window's recovery file cannot be removed; its text will be offered at the "
               "next start: ",
               std::current_exception());
    }
}

void RecoveryWriter::KeepForNextStart() {
    SaveNow();
    discarded_ = true;
    saved_ = false;  // so that destroying the writer leaves the file
}

void RecoveryWriter::RemoveFile() {
    if (!saved_) return;
    try {
        core::RemoveFile(path_);
    } catch (const tbn::Error& e) {
        if (e.Number() != ErrorCode::FileNotFound) throw;
    }
    saved_ = false;
}

}  // namespace tbn::recovery
