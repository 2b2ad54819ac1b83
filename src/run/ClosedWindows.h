#pragma once
// The texts of query windows closed with changes that were never saved, so that closing a window
// or quitting never loses what the user typed. Each is kept in the history of runs as a "closed"
// entry (RunHistory.h) with its connection's name and string, passwords hidden; this run of the
// program also remembers each window's whole connection string, so a one-time connection with a
// password opens again as it was. Reopening goes back from the most recently closed text: first
// this run's own, then those the history kept from earlier runs. User-interface thread only.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace tbn::run {

struct ClosedWindow {
    QString name;  // the window's connection name
    QString cnn;
    QString text;
    bool wholeCnn = true;  // false: read back from an earlier run's history, passwords hidden
};

class ClosedWindows {
public:
    static ClosedWindows& Program();

    // Keeps a closing window's text. True once the history holds it; false when only this run of
    // the program does (the history's failure has been reported).
    bool Keep(const QString& name, const QString& cnn, const QString& text) noexcept;
    // The text to reopen next, taken off the list; none when nothing is left.
    std::optional<ClosedWindow> TakeLast();

    // For tests: forgets this run's texts, as a new start of the program does.
    void Restart();

private:
    struct Kept {
        std::int64_t id = 0;  // in the history; 0 when the history could not take it
        QString name;
        QString cnn;
        QString text;  // only while id is 0: otherwise the history holds it
    };
    std::vector<Kept> kept_;
    // History entries from this id up were this run's own, or have been reopened already.
    std::int64_t before_ = 0;
};

}  // namespace tbn::run
