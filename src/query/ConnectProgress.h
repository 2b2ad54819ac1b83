#pragma once
// The box that tells the user a query window is still connecting, "Connecting to NAME…", with a
// Cancel button; Escape and the close box cancel as well. Not modal: the frame and the other query
// windows go on working while it is up. Owned by the frame's window, so it shows while the query
// window itself is hidden (it is shown only once connected).
#include <QDialog>

class QPushButton;

namespace tbn::query {

class ConnectProgress : public QDialog {
    Q_OBJECT
public:
    ConnectProgress(const QString& name, QWidget* frame);
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void CancelClicked();

public slots:
    void reject() override;  // Escape and the close box: the same as Cancel

private:
    QPushButton* cancel_;
};

}  // namespace tbn::query
