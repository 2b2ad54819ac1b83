#pragma once
// The History window: the runs of every query window, newest first, filtered as the user types
// (a substring of the text, and a connection chosen from those recorded). Enter or a double click
// puts the chosen run's whole text into the target query window's SQL pane, in place of the
// selection, or else at the caret on a line of its own, and brings that window forward. Beneath
// the runs, the chosen run's statements, a line each, as its window's Messages tab gave them, read
// only when a run is chosen. A tool
// window of the frame, above it, so the query window the text goes to stays the frame's current
// one.
#include <QWidget>
#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class frmMain;

namespace tbn::run {
class RunHistory;
}

namespace tbn::query {

class HistoryModel;
class MessagesPane;

class frmHistory : public QWidget {
    Q_OBJECT
public:
    using TargetWindow = std::function<frmMain*()>;
    frmHistory(run::RunHistory& history, TargetWindow target, QWidget* parent = nullptr);

    // Reads the connections and the runs again, keeping the filter.
    void Refresh();
    // Puts the current run's text into the target window; false when there is no run or window.
    bool InsertChosen();

    QLineEdit* txtFilterWidget() const { return txtFilter; }
    QComboBox* cboConnectionWidget() const { return cboConnection; }
    QTableView* lvRunsWidget() const { return lvRuns; }
    MessagesPane* lstStatementsWidget() const { return lstStatements; }
    HistoryModel& model() const { return *model_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyFilter();
    void FillConnections();
    void ShowStatements();

    run::RunHistory& history_;
    TargetWindow target_;
    HistoryModel* model_ = nullptr;
    QLineEdit* txtFilter = nullptr;
    QComboBox* cboConnection = nullptr;
    QTableView* lvRuns = nullptr;
    MessagesPane* lstStatements = nullptr;
    std::int64_t statementsOf_ = 0;  // the run whose lines lstStatements shows
    QLabel* lblNotice = nullptr;
};

}  // namespace tbn::query
