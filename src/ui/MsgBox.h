#pragma once
// Modal message boxes with the classic numbering: styles 0 OK, 3 Yes/No/Cancel, 4 Yes/No, 16
// critical, 32 question, 48 exclamation, 64 information, 256 second button default; answers 1 OK, 2
// Cancel, 6 Yes, 7 No. Tests replace the box with a responder (tests never block on a real dialog).
#include <QString>
#include <functional>

class QWidget;

namespace tbn::ui {

constexpr int vbOKOnly = 0;
constexpr int vbYesNoCancel = 3;
constexpr int vbYesNo = 4;
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;
constexpr int vbDefaultButton2 = 256;
constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

struct MsgBoxCall {
    QString prompt;
    int style = 0;
    QString title;
};

// Shows the box modal to the active window (empty title: empty title bar) and returns the answer.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = QString());

// Test seam: while a responder is installed, MsgBox calls it instead of showing anything.
using MsgBoxResponder = std::function<int(const MsgBoxCall&)>;
void SetMsgBoxResponder(MsgBoxResponder responder);  // empty function: real boxes again

}  // namespace tbn::ui
