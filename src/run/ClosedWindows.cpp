#include "run/ClosedWindows.h"

#include "db/ConnectionString.h"
#include "run/RunHistory.h"

#include <QDateTime>
#include <algorithm>

namespace tbn::run {

ClosedWindows& ClosedWindows::Program() {
    static ClosedWindows windows;
    return windows;
}

bool ClosedWindows::Keep(const QString& name, const QString& cnn, const QString& text) noexcept {
    try {
        db::HistoryRun run;
        run.startedMs = QDateTime::currentMSecsSinceEpoch();
        run.connection = HistoryConnectionName(name);
        run.text = text.toStdString();
        std::int64_t id = 0;
        RunHistory::Program().Use([&](db::HistoryStore& store) {
            id = store.AppendClosed(run, db::ConnectionString::Redacted(cnn.toStdString()));
        });
        kept_.push_back(Kept{id, name, cnn, id ? QString() : text});
        return id != 0;
    } catch (...) {
        return false;  // out of memory: nothing more can be done here
    }
}

std::optional<ClosedWindow> ClosedWindows::TakeLast() {
    if (!kept_.empty()) {
        Kept last = std::move(kept_.back());
        kept_.pop_back();
        if (!last.id) return ClosedWindow{last.name, last.cnn, last.text, true};
        before_ = before_ ? std::min(before_, last.id) : last.id;
        std::string text;
        if (!RunHistory::Program().Use(
                [&](db::HistoryStore& store) { text = store.Text(last.id); }))
            return std::nullopt;
        return ClosedWindow{last.name, last.cnn, QString::fromStdString(text), true};
    }
    std::optional<db::ClosedText> earlier;
    RunHistory::Program().Use(
        [&](db::HistoryStore& store) { earlier = store.LastClosed(before_); });
    if (!earlier) return std::nullopt;
    before_ = earlier->id;
    return ClosedWindow{QString::fromStdString(earlier->connection),
                        QString::fromStdString(earlier->cnn), QString::fromStdString(earlier->text),
                        false};
}

void ClosedWindows::Restart() {
    kept_.clear();
    before_ = 0;
}

}  // namespace tbn::run
