#pragma once
// The "Messages" tab of a query window: a line for each statement of the last run, in the order
// of the text, saying what it returned or changed and how long it took, or its error as the
// window's error box gave it (placed in the pane, once the window has placed it). A click or Enter
// on a failed statement's line hands its failure back (FailureChosen) so the window can put the
// caret on it; Ctrl+C copies the selected lines.
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

    void Clear();
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
};

}  // namespace tbn::query
