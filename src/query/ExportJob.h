#pragma once
// Writing a result a window holds to a file, on a worker thread: the view's records in the order
// shown, through the file's writer, then the file put in place. The window keeps showing and
// taking commands meanwhile.
//
// Lives on the user-interface thread. Ended is emitted once, from the event loop; destroying the
// job before then cancels it and waits for the worker. A job that does not complete (cancelled,
// failed, destroyed) leaves the chosen file as it was and no scratch file behind.
#include "results/ResultView.h"
#include "run/FileDestination.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>

namespace tbn::query {

class ExportJob : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;

    // Starts the worker at once; the view must stay unchanged until the job has ended.
    ExportJob(results::ResultView view, std::unique_ptr<run::ResultFile> file,
              QObject* parent = nullptr);
    ~ExportJob() override;

    void Cancel() { cancel_.store(true); }
    // Blocks until the worker has written everything (or failed); Ended still follows.
    void Wait();
    bool CancelRequested() const { return cancel_.load(); }
    std::int64_t Written() const { return written_.load(std::memory_order_relaxed); }
    std::int64_t Total() const { return view_.records; }
    const QString& Target() const { return target_; }

    // After Ended.
    bool Completed() const { return completed_; }            // the file holds the whole result
    std::exception_ptr Failure() const { return failure_; }  // why it did not, unless cancelled

signals:
    void Ticked();  // every kTickMs while the worker writes
    void Ended();

private:
    void Work() noexcept;
    void WorkerFinished();

    results::ResultView view_;
    std::unique_ptr<run::ResultFile> file_;
    QString target_;
    std::atomic<bool> cancel_{false};
    std::atomic<std::int64_t> written_{0};
    bool completed_ = false;
    std::exception_ptr failure_;
    QTimer ticker_;
    std::thread worker_;
};

}  // namespace tbn::query
