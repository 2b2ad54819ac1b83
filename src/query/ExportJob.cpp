#include "query/ExportJob.h"

#include "results/ResultWriter.h"

namespace tbn::query {

ExportJob::ExportJob(results::ResultView view, std::unique_ptr<run::ResultFile> file,
                     QObject* parent)
    : QObject(parent), view_(std::move(view)), file_(std::move(file)),
      target_(file_->file.Target()) {
    connect(&ticker_, &QTimer::timeout, this, &ExportJob::Ticked);
    ticker_.start(kTickMs);
    worker_ = std::thread([this] { Work(); });
}

ExportJob::~ExportJob() {
    Cancel();
    Wait();
    // The scratch file goes with the destination.
    file_.reset();
}

void ExportJob::Work() noexcept {
    try {
        const bool whole = results::WriteView(view_, results::ViewBlock::Whole(view_),
                                              *file_->writer, [this](std::int64_t done) {
                                                  written_.store(done, std::memory_order_relaxed);
                                                  return !CancelRequested();
                                              });
        if (whole && !CancelRequested()) {
            file_->file.Commit();
            written_.store(view_.records, std::memory_order_relaxed);
            completed_ = true;
        }
    } catch (...) {
        failure_ = std::current_exception();
    }
    // Posted, never called: the end is handled on the window's thread. A job destroyed first
    // takes the posted call with it.
    QMetaObject::invokeMethod(
        this, [this] { WorkerFinished(); }, Qt::QueuedConnection);
}

void ExportJob::Wait() {
    if (worker_.joinable()) worker_.join();
}

void ExportJob::WorkerFinished() {
    Wait();
    ticker_.stop();
    file_.reset();  // a scratch file left by a cancel or a failure goes now
    emit Ended();
}

}  // namespace tbn::query
