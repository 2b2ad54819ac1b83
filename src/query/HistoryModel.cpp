#include "query/HistoryModel.h"

#include "run/RunHistory.h"
#include "run/RunStatusText.h"

#include <QDateTime>

namespace tbn::query {

QString OutcomeText(const db::HistoryRun& run) {
    const QString rows = run.rows ? run::RowsText(*run.rows) : QString();
    switch (run.outcome) {
    case db::RunOutcome::Rows: return rows;
    case db::RunOutcome::Statement:
        return rows.isEmpty() ? QStringLiteral("Done") : rows + QStringLiteral(" changed");
    case db::RunOutcome::Cancelled:
        return rows.isEmpty() ? QStringLiteral("Cancelled")
                              : QStringLiteral("Cancelled after ") + rows;
    case db::RunOutcome::Failed:
        return QLatin1Char('#') + QString::number(run.errorNumber.value_or(0)) + QLatin1Char(' ') +
               FirstLine(run.errorText);
    case db::RunOutcome::Closed: return QStringLiteral("Closed window");
    }
    return {};
}

QString FirstLine(const std::string& text) {
    const QString whole = QString::fromStdString(text);
    for (QStringView line : QStringView(whole).split(QLatin1Char('\n'))) {
        const QStringView trimmed = line.trimmed();
        if (!trimmed.isEmpty()) return trimmed.toString();
    }
    return {};
}

HistoryModel::HistoryModel(run::RunHistory& history, QObject* parent)
    : QAbstractTableModel(parent), history_(history) {}

std::vector<db::HistoryRun> HistoryModel::ReadPage(std::int64_t beforeId) {
    std::vector<db::HistoryRun> page;
    // A history that cannot be read shows what was read so far; the failure has been reported.
    if (!history_.Use(
            [&](db::HistoryStore& store) { page = store.Page(filter_, beforeId, kPageRuns); }))
        page.clear();
    complete_ = page.size() < static_cast<std::size_t>(kPageRuns);
    return page;
}

void HistoryModel::SetFilter(db::HistoryFilter filter) {
    beginResetModel();
    filter_ = std::move(filter);
    runs_ = ReadPage(0);
    endResetModel();
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(runs_.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const db::HistoryRun& run = runs_[static_cast<std::size_t>(index.row())];
    if (role == Qt::ToolTipRole && index.column() == Text) return QString::fromStdString(run.text);
    if (role == Qt::ToolTipRole && index.column() == Outcome &&
        run.outcome == db::RunOutcome::Failed)
        return QString::fromStdString(run.errorText);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case Started:
        return QDateTime::fromMSecsSinceEpoch(run.startedMs)
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Connection: return QString::fromStdString(run.connection);
    case Duration:
        return run.outcome == db::RunOutcome::Closed ? QString() : run::SecondsText(run.seconds);
    case Outcome: return OutcomeText(run);
    case Text: return FirstLine(run.text);
    default: return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const names[kColumns] = {"Time", "Connection", "Duration", "Rows or error",
                                                "Text"};
    return section >= 0 && section < kColumns ? QString::fromLatin1(names[section]) : QVariant();
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !complete_;
}

void HistoryModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent) || runs_.empty()) return;
    std::vector<db::HistoryRun> page = ReadPage(runs_.back().id);
    if (page.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    runs_.insert(runs_.end(), std::make_move_iterator(page.begin()),
                 std::make_move_iterator(page.end()));
    endInsertRows();
}

}  // namespace tbn::query
