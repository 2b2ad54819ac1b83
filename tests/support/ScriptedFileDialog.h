#pragma once
// Stands in for the human at the open/save dialog: records each request and gives the next
// scripted answer (cancel when none is left). Restores the real dialog when destroyed.
#include "ui/FileDialogs.h"

#include <deque>
#include <vector>

namespace tbn::test {

class ScriptedFileDialog {
public:
    ScriptedFileDialog() {
        ui::SetFileDialogResponder([this](const ui::FileDialogRequest& request) {
            requests_.push_back(request);
            if (answers_.empty()) return ui::FileDialogAnswer{};
            ui::FileDialogAnswer answer = answers_.front();
            answers_.pop_front();
            return answer;
        });
    }
    ~ScriptedFileDialog() { ui::SetFileDialogResponder({}); }
    ScriptedFileDialog(const ScriptedFileDialog&) = delete;
    ScriptedFileDialog& operator=(const ScriptedFileDialog&) = delete;

    ScriptedFileDialog& Choose(QStringList paths, int filterIndex = 0) {
        answers_.push_back({false, std::move(paths), filterIndex});
        return *this;
    }
    ScriptedFileDialog& Cancel() {
        answers_.push_back({});
        return *this;
    }
    const std::vector<ui::FileDialogRequest>& Requests() const { return requests_; }

private:
    std::deque<ui::FileDialogAnswer> answers_;
    std::vector<ui::FileDialogRequest> requests_;
};

}  // namespace tbn::test
