#include "support/RunWait.h"

#include "core/ErrorCodes.h"
#include "query/frmMain.h"

#include <QTest>
#include <memory>

namespace tbn::test {

bool WaitForRun(frmMain& window, int timeoutMs) {
    // The catalogue read a run may leave behind it is part of its end.
    return QTest::qWaitFor([&window] { return !window.Running() && !window.ReadingSchema(); },
                           timeoutMs);
}

bool ExecuteAndWait(frmMain& window, bool selected) {
    window.ExecuteQuery(selected);
    return WaitForRun(window);
}

void ConnectAndWait(frmMain& window, const QString& name, const QString& cnn, int timeoutMs) {
    auto outcome = std::make_shared<std::optional<std::optional<tbn::Error>>>();
    window.Connect(name, cnn,
                   [outcome](const std::optional<tbn::Error>& failure) { *outcome = failure; });
    if (!QTest::qWaitFor([&] { return outcome->has_value(); }, timeoutMs))
        throw tbn::Error(tbn::ErrorCode::Unexpected,
                         "still connecting after " + std::to_string(timeoutMs) + " ms");
    if (**outcome) throw ***outcome;
}

}  // namespace tbn::test
