#pragma once
// The "Messages" tab of a query window: a line for each statement of the last run, in the order
// of the text, saying what it returned or changed and how long it took, or its error and where in
// the pane the engine placed it. A click or Enter on a failed statement's line hands its failure
// back (FailureChosen) so the window can put the caret on it; Ctrl+C copies the selected lines.
#include "run/StatementOutcome.h"

#include <QString>
#include <QWidget>
#include <exception>
#include <vector>

class QListWidget;
class QListWidgetItem;

namespace tbn::query {

class MessagesPane : public QWidget {
    Q_OBJECT
public:
    explicit MessagesPane(QWidget* parent = nullptr);

    // Forgets the lines and the run's place in the pane.
    void Clear();
    // The pane's text at the run's start, and where in it the run's command text begins, so a
    // failure's line says its line and column there as the error box does. Without it (after
    // Clear, or for a run no longer in the pane) a failure's line gives its error alone.
    void PlaceIn(const QString& paneText, int commandStart);
    // Adds the next statement's line.
    void Add(const run::StatementOutcome& outcome);

    QListWidget* Lines() const { return lines_; }
    // The selected lines, in their order, one a line.
    QString SelectedText() const;

signals:
    void FailureChosen(std::exception_ptr failure);

private:
    void Choose(const QListWidgetItem* item);

    QListWidget* lines_;
    std::vector<std::exception_ptr> failures_;  // by line; null for a statement that did not fail
    QString paneText_;
    int commandStart_ = 0;
    bool placed_ = false;
};

}  // namespace tbn::query
