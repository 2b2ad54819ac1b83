#pragma once
// The About window: an empty caption, an empty multi-line text box and an "Ok" button. "Ok" and
// Escape close it alike (result Accepted), whichever control has the focus; no other key does.
// The frame creates it for one showing and destroys it afterwards.
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QPlainTextEdit* txtGNU() const { return txtGNU_; }
    QPushButton* cmdOk() const { return cmdOk_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void cmdOk_Click();
    void Form_KeyDown(int keyCode, Qt::KeyboardModifiers shift);

    QPlainTextEdit* txtGNU_;
    QPushButton* cmdOk_;
};
