#pragma once
// What the fetch benchmarks share: clocks, the process's memory figures, medians, a query
// window opened on a connection with its query typed in, ready to run, running a query to its end,
// a timed fill in a child, and timing a cancel.
#include "app/frmMDI.h"
#include "grid/FlexGrid.h"
#include "query/frmMain.h"
#include "run/QueryRun.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// A figure of /proc/self/status, such as VmRSS or VmHWM, in KiB.
inline long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return 0;
}

// Writing 5 to clear_refs resets VmHWM to the current RSS, so the next peak is the run's own.
inline void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Each first touch of a fresh page is a fault; on virtual machines they are a visible share of a
// fill.
inline long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The runs and texts of a benchmark go to a folder of its own, not to its user's history and
// recovery folders.
inline void KeepRunsAside() {
    static QTemporaryDir folder;
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path() + QStringLiteral("/data")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(folder.path() + QStringLiteral("/state")));
}

// A shown, connected query window holding sql, every pending event processed.
inline frmMain* OpenQueryWindow(frmMDI& frame, const QString& cnn, const QString& sql) {
    KeepRunsAside();
    frame.show();
    frmMain* window = frame.NewQueryWindow();
    window->Load();
    {
        QEventLoop connecting;
        window->Connect(QStringLiteral("bench"), cnn,
                        [&connecting](const std::optional<tbn::Error>&) { connecting.quit(); });
        if (window->Connecting()) connecting.exec();
    }
    window->Show();
    window->SetIsLoading(false);
    QApplication::processEvents();
    window->QueryText().SetText(sql);
    QApplication::processEvents();
    return window;
}

// Processes events until the window's run has ended and its result is shown.
inline void RunToEnd(frmMain& window) {
    if (!window.Running()) return;
    QEventLoop loop;
    QObject::connect(&window, &frmMain::RunEnded, &loop, &QEventLoop::quit);
    loop.exec();
}

// (b) of a fill benchmark, in a child: one ExecuteQuery of sql on a fresh window; prints
// "seconds peakKiB gridRows".
inline int TimedFillChild(int argc, char** argv, const QString& cnn, const QString& sql) {
    QApplication app(argc, argv);
    frmMDI frame;
    frmMain* window = OpenQueryWindow(frame, cnn, sql);
    const long idleKiB = StatusKiB("VmRSS");
    ResetPeak();
    const auto start = Clock::now();
    window->ExecuteQuery();
    RunToEnd(*window);
    const double seconds = Seconds(start);
    const long peakKiB = StatusKiB("VmHWM") - idleKiB;
    std::printf("%.6f %ld %lld\n", seconds, peakKiB,
                static_cast<long long>(window->FlexWidget()->Rows()));
    return 0;
}

// Starts sql, waits (processing events) until ready says the run has got far enough, then returns
// the seconds from the cancel request to the window being usable again: run ended, grid shown.
inline double CancelLatency(frmMain& window, const QString& sql,
                            const std::function<bool(const tbn::run::QueryRun&)>& ready) {
    window.QueryText().SetText(sql);
    window.ExecuteQuery();
    while (window.Running() && !ready(*window.CurrentRun())) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!window.Running()) return -1;  // it ended by itself: no figure
    const auto start = Clock::now();
    window.CancelQuery();
    RunToEnd(window);
    return Seconds(start);
}

// Medians over rounds of a cancel during a long first-row computation and halfway through
// streaming `rows` rows; prints "computeSeconds streamSeconds".
inline int CancelChild(frmMain& window, const QString& computation, const QString& stream,
                       long rows, int rounds) {
    std::vector<double> compute, streaming;
    for (int round = 0; round < rounds; ++round) {
        compute.push_back(CancelLatency(window, computation, [](const tbn::run::QueryRun& run) {
            return run.ElapsedSeconds() >= 0.3;
        }));
        streaming.push_back(CancelLatency(window, stream, [rows](const tbn::run::QueryRun& run) {
            return run.RowsSoFar() >= rows / 2;
        }));
        if (compute.back() < 0 || streaming.back() < 0) return 1;
    }
    std::printf("%.6f %.6f\n", Median(compute), Median(streaming));
    return 0;
}

}  // namespace bench
