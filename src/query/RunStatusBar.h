#pragma once
// The query window's status line: one line of text along its bottom edge and, while a run is
// shown going on, a Cancel button beside it. A notice (a command refused while a run goes on)
// stays next to the progress for a few seconds, so the progress refreshes do not wipe it at once.
#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace tbn::query {

class RunStatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNoticeMs = 4000;

    explicit RunStatusBar(QWidget* parent = nullptr);

    QString Text() const;
    QPushButton* cancelButton() const { return cancel_; }

    void ShowProgress(const QString& progress, bool canCancel);
    void ShowNotice(const QString& notice);
    void ShowMessage(const QString& message);  // a run's end: no button, no notice

    // A connection on which the engine refuses writes: a mark beside the line, kept through every
    // message until the window's connection changes.
    void SetReadOnlyMark(bool shown);
    bool ReadOnlyMarkShown() const;
    // Where the window's transaction stands, at the line's right end; empty: none open. With
    // offerRollBack a Roll back button stands beside it (a transaction the engine failed).
    void ShowTransaction(const QString& mark, bool offerRollBack = false);
    QString TransactionMark() const;
    QPushButton* rollBackButton() const { return rollBack_; }

signals:
    void CancelClicked();
    void RollBackClicked();

private:
    QLabel* text_;
    QPushButton* cancel_;
    QString notice_;
    QElapsedTimer noticeAge_;
    QLabel* readOnly_ = nullptr;
    QLabel* transaction_;
    QPushButton* rollBack_;
};

}  // namespace tbn::query
