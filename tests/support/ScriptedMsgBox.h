#pragma once
// Answers message boxes in tests. Install one per test; each box the code under test shows is
// recorded, and answered with the next scripted answer. A box with no answer left fails the test
// (and is answered OK/No so the code can go on).
#include "ui/MsgBox.h"

#include <deque>
#include <vector>

namespace tbn::test {

class ScriptedMsgBox {
public:
    ScriptedMsgBox();
    ~ScriptedMsgBox();
    ScriptedMsgBox(const ScriptedMsgBox&) = delete;
    ScriptedMsgBox& operator=(const ScriptedMsgBox&) = delete;

    ScriptedMsgBox& Answer(int answer) {
        answers_.push_back(answer);
        return *this;
    }
    const std::vector<ui::MsgBoxCall>& Calls() const { return calls_; }
    std::size_t Count() const { return calls_.size(); }
    const ui::MsgBoxCall& Last() const { return calls_.back(); }
    std::size_t Unanswered() const { return answers_.size(); }

private:
    std::deque<int> answers_;
    std::vector<ui::MsgBoxCall> calls_;
};

}  // namespace tbn::test
