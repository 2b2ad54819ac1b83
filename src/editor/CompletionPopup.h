#pragma once
// The list completion shows under the caret: a window of its own that never takes the keyboard
// focus, so the pane keeps every key and hands it the few that move in the list. A click on a
// line chooses it.
#include "editor/Completion.h"

#include <QAbstractTableModel>
#include <QTreeView>

namespace tbn::editor {

class CompletionModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetCandidates(QList<CompletionCandidate> candidates);
    const QList<CompletionCandidate>& Candidates() const { return candidates_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<CompletionCandidate> candidates_;
};

class CompletionPopup : public QTreeView {
    Q_OBJECT
public:
    explicit CompletionPopup(QWidget* owner);

    // Shows the candidates, the first one current, below the text at anchor (global coordinates;
    // above it when the screen has no room below).
    void ShowCandidates(QList<CompletionCandidate> candidates, const QRect& anchor);
    const QList<CompletionCandidate>& Candidates() const { return model_.Candidates(); }
    int CurrentRow() const { return currentIndex().row(); }
    // Moves the current line by rows, stopping at the first and the last.
    void MoveBy(int rows);
    int PageRows() const;

signals:
    void Clicked(int row);

private:
    CompletionModel model_;
};

}  // namespace tbn::editor
