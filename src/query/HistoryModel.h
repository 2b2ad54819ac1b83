#pragma once
// The runs of the history as a table, newest first, for the History window: a page of runs is
// read when the view first shows them and the next page only when the view scrolls to the end, so
// a history of 100,000 runs costs one page to show or to filter.
#include "db/HistoryStore.h"

#include <QAbstractTableModel>
#include <vector>

namespace tbn::run {
class RunHistory;
}

namespace tbn::query {

class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kPageRuns = 200;
    enum Column { Started, Connection, Duration, Outcome, Text, kColumns };

    explicit HistoryModel(run::RunHistory& history, QObject* parent = nullptr);

    // Reads the first page of the runs that pass filter.
    void SetFilter(db::HistoryFilter filter);
    const db::HistoryFilter& Filter() const { return filter_; }
    std::int64_t RunId(int row) const { return runs_.at(static_cast<std::size_t>(row)).id; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    std::vector<db::HistoryRun> ReadPage(std::int64_t beforeId);

    run::RunHistory& history_;
    db::HistoryFilter filter_;
    std::vector<db::HistoryRun> runs_;
    bool complete_ = true;
};

// "896 rows", "3 rows changed", "Cancelled", "#1 no such table: x": what a run came to (or that
// the text is a window's, closed unsaved).
QString OutcomeText(const db::HistoryRun& run);
// The text's first line that is not blank.
QString FirstLine(const std::string& text);

}  // namespace tbn::query
