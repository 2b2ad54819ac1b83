#include "app/UserSettings.h"

#include "connections/ProgramFolder.h"
#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "query/CopyLimits.h"
#include "results/MemoryBudget.h"
#include "run/UnboundedWrites.h"
#include "ui/mdlErrors.h"

#include <QSettings>

#include <limits>

namespace tbn::app {

namespace {
const QString kMemoryBudget = QStringLiteral("Results/MemoryBudgetMiB");
const QString kCopyAskAbove = QStringLiteral("Results/CopyAskAboveMiB");
const QString kAskBeforeUnboundedWrites = QStringLiteral("Safety/AskBeforeUnboundedWrites");

// A size in MiB under `key` of the file at `path`, in bytes. A value that is not a positive whole
// number is described in `problem` (after any earlier one), ending with `kept`.
std::optional<std::size_t> ReadMiB(const QSettings& file, const QString& path, const QString& key,
                                   const QString& kept, QString& problem) {
    const QVariant value = file.value(key);
    if (!value.isValid()) return std::nullopt;
    const QString text = value.toString().trimmed();
    bool whole = false;
    const qulonglong mib = text.toULongLong(&whole);
    if (whole && mib > 0 && mib <= std::numeric_limits<std::size_t>::max() >> 20)
        return static_cast<std::size_t>(mib) << 20;
    if (!problem.isEmpty()) problem += QLatin1Char('\n');
    problem += QStringLiteral("%1 in %2 is \"%3\", not a positive whole number of MiB; %4")
                   .arg(key.section(QLatin1Char('/'), 1), path, text, kept);
    return std::nullopt;
}

// A switch under `key`: true or false, in any case; anything else is described in `problem`.
std::optional<bool> ReadSwitch(const QSettings& file, const QString& path, const QString& key,
                               const QString& kept, QString& problem) {
    const QVariant value = file.value(key);
    if (!value.isValid()) return std::nullopt;
    const QString text = value.toString().trimmed();
    for (const bool on : {true, false})
        if (text.compare(on ? QLatin1String("true") : QLatin1String("false"),
                         Qt::CaseInsensitive) == 0)
            return on;
    if (!problem.isEmpty()) problem += QLatin1Char('\n');
    problem += QStringLiteral("%1 in %2 is \"%3\", not true or false; %4")
                   .arg(key.section(QLatin1Char('/'), 1), path, text, kept);
    return std::nullopt;
}
}  // namespace

UserSettings ReadUserSettings(const QString& path) {
    UserSettings settings;
    const QSettings file(path, QSettings::IniFormat);
    settings.memoryBudgetBytes = ReadMiB(
        file, path, kMemoryBudget, QStringLiteral("the default budget is kept."), settings.problem);
    settings.copyAskAboveBytes = ReadMiB(
        file, path, kCopyAskAbove, QStringLiteral("the default size is kept."), settings.problem);
    settings.askBeforeUnboundedWrites =
        ReadSwitch(file, path, kAskBeforeUnboundedWrites, QStringLiteral("the question is kept."),
                   settings.problem);
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
    if (settings.copyAskAboveBytes)
        query::CopyLimits::SetAskAboveBytes(*settings.copyAskAboveBytes);
    if (settings.askBeforeUnboundedWrites)
        run::SetAskBeforeUnboundedWrites(*settings.askBeforeUnboundedWrites);
    if (!settings.problem.isEmpty())
        mdlErrors::ShowError(
            tbn::Error(ErrorCode::InvalidPropertyValue, settings.problem.toStdString()),
            QStringLiteral("Settings"), 16);
}

}  // namespace tbn::app
