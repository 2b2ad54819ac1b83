#include "app/UserSettings.h"

#include "connections/ProgramFolder.h"
#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "results/MemoryBudget.h"
#include "ui/mdlErrors.h"

#include <QSettings>

#include <limits>

namespace tbn::app {

namespace {
const QString kMemoryBudget = QStringLiteral("Results/MemoryBudgetMiB");
}  // namespace

UserSettings ReadUserSettings(const QString& path) {
    UserSettings settings;
    const QSettings file(path, QSettings::IniFormat);
    const QVariant budget = file.value(kMemoryBudget);
    if (!budget.isValid()) return settings;
    const QString text = budget.toString().trimmed();
    bool whole = false;
    const qulonglong mib = text.toULongLong(&whole);
    if (whole && mib > 0 && mib <= std::numeric_limits<std::size_t>::max() >> 20) {
        settings.memoryBudgetBytes = static_cast<std::size_t>(mib) << 20;
    } else {
        settings.problem = QStringLiteral("MemoryBudgetMiB in %1 is \"%2\", not a positive whole "
                                          "number of MiB; the default budget is kept.")
                               .arg(path, text);
    }
    return settings;
}

void ApplyUserSettings() {
    QString path;
    try {
        path = connections::UserConfigFolder() + QStringLiteral("/settings.ini");
    } catch (const tbn::Error&) {
        return;  // a refused configuration folder is told where the connection store is opened
    }
    const UserSettings settings = ReadUserSettings(path);
    if (settings.memoryBudgetBytes) results::MemoryBudget::SetLimit(*settings.memoryBudgetBytes);
    if (!settings.problem.isEmpty())
        mdlErrors::ShowError(
            tbn::Error(ErrorCode::InvalidPropertyValue, settings.problem.toStdString()),
            QStringLiteral("Settings"), 16);
}

}  // namespace tbn::app
