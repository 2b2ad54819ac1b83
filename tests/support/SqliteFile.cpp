#include "support/SqliteFile.h"

#include <memory>
#include <sqlite3.h>
#include <stdexcept>

namespace tbn::test {

void RunSqlite(const QString& path, const std::string& sql) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path.toUtf8().constData(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    if (opened != SQLITE_OK)
        throw std::runtime_error("cannot create test database " + path.toStdString());
    char* message = nullptr;
    if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error("test SQL failed: " + text);
    }
}

QString SqliteConnectionString(const QString& path) {
    return QStringLiteral("Data Source=") + path;
}

}  // namespace tbn::test
