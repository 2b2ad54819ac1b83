#include "support/ScriptedMsgBox.h"

#include <gtest/gtest.h>

namespace tbn::test {

ScriptedMsgBox::ScriptedMsgBox() {
    ui::SetMsgBoxResponder([this](const ui::MsgBoxCall& call) {
        calls_.push_back(call);
        if (answers_.empty()) {
            ADD_FAILURE() << "Unscripted message box: title \"" << call.title.toStdString()
                          << "\", style " << call.style << ", text \"" << call.prompt.toStdString()
                          << "\"";
            return (call.style & 0x7) == ui::vbYesNo ? ui::vbNo : ui::vbOK;
        }
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

ScriptedMsgBox::~ScriptedMsgBox() { ui::SetMsgBoxResponder({}); }

}  // namespace tbn::test
