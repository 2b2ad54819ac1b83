#pragma once
// What both fetch benchmarks share: clocks, the process's memory figures, medians, and a query
// window opened on a connection with its query typed in, ready to run.
#include "app/frmMDI.h"
#include "query/frmMain.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
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
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return 0;
}

// Writing 5 to clear_refs resets VmHWM to the current RSS, so the next peak is the run's own.
inline void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Each first touch of a fresh page is a fault; on virtual machines they are a visible share of a fill.
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

// A shown, connected query window holding sql, every pending event processed.
inline frmMain* OpenQueryWindow(frmMDI& frame, const QString& cnn, const QString& sql) {
    frame.show();
    frmMain* window = frame.NewQueryWindow();
    window->Load();
    window->Connect(QStringLiteral("bench"), cnn);
    window->Show();
    window->SetIsLoading(false);
    QApplication::processEvents();
    window->QueryText().SetText(sql);
    QApplication::processEvents();
    return window;
}

} // namespace bench
