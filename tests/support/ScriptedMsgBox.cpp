#include "support/ScriptedMsgBox.h"

#include <gtest/gtest.h>

namespace tbn::test {

ScriptedMsgBox::ScriptedMsgBox() {
    platform::SetMsgBoxResponder([this](const platform::MsgBoxCall& call) {
        calls_.push_back(call);
        if (answers_.empty()) {
            ADD_FAILURE() << "Unscripted message box: title \"" << call.title.toStdString() << "\", style "
                          << call.style << ", text \"" << call.prompt.toStdString() << "\"";
            return (call.style & 0x7) == platform::vbYesNo ? platform::vbNo : platform::vbOK;
        }
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

ScriptedMsgBox::~ScriptedMsgBox() { platform::SetMsgBoxResponder({}); }

} // namespace tbn::test
