#include "connections/OneTimeConnection.h"

#include "db/ConnectionString.h"

#include <QFileInfo>

namespace tbn::connections {

ConnectionChoice ConnectionFor(const QString& target) {
    const QFileInfo file(target);
    if (file.exists() || !target.contains(QLatin1Char('='))) {
        db::ConnectionString cnn;
        cnn.Set("Provider", "SQLite");
        cnn.Set("Data Source", file.absoluteFilePath().toStdString());
        return {file.absoluteFilePath(), QString::fromStdString(cnn.ToString())};
    }
    return {QStringLiteral("(temp) ") + target, target};
}

}  // namespace tbn::connections
