#pragma once
// Makes a real SQLite database file for a test and gives its connection string.
#include <QString>
#include <string>

namespace tbn::test {

// Creates (or extends) the database at path by running sql; throws std::runtime_error on failure.
void RunSqlite(const QString& path, const std::string& sql);
// "Data Source=<path>" for the SQLite provider.
QString SqliteConnectionString(const QString& path);

}  // namespace tbn::test
