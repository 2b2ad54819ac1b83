// bench/complete: completion over a catalogue of 10,000 tables of 20 columns (see README.md).
#include "CompleteBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <string>

namespace bench {

QString MakeCatalogueDatabase(const QString& folder, int tables) {
    static const char* const kFamilies[] = {"sales", "stock", "staff", "orders", "users"};
    const QString path = folder + QStringLiteral("/catalogue.db");
    std::string sql = "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;";
    char name[64];
    for (int i = 0; i < tables; ++i) {
        std::snprintf(name, sizeof name, "%s_%04d", kFamilies[i % 5], i / 5 + 1);
        sql += "CREATE TABLE ";
        sql += name;
        sql += " (id INTEGER PRIMARY KEY, name TEXT NOT NULL, status TEXT, created_at TEXT, "
               "updated_at TEXT";
        for (int c = 0; c < 14; ++c)
            sql += ", col" + std::to_string(c) + "_" + std::to_string(i % 500) + " NUMERIC";
        // Every tenth table refers to the one before it; every fifth has an index.
        if (i % 10 == 9) {
            char parent[64];
            std::snprintf(parent, sizeof parent, "%s_%04d", kFamilies[(i - 1) % 5],
                          (i - 1) / 5 + 1);
            sql += std::string(", parent_id INTEGER REFERENCES ") + parent + "(id))";
        } else {
            sql += ", note TEXT)";
        }
        sql += ";";
        if (i % 5 == 0) sql += std::string("CREATE INDEX ix_") + name + " ON " + name + "(name);";
    }
    sql += "COMMIT;";
    sqlite3* db = nullptr;
    const QByteArray file = path.toUtf8();
    char* error = nullptr;
    if (sqlite3_open(file.constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "making the catalogue failed: %s\n",
                     error ? error : sqlite3_errmsg(db));
        std::exit(1);
    }
    sqlite3_close(db);
    return path;
}

}  // namespace bench

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir folder;
    QElapsedTimer made;
    made.start();
    const QString database = bench::MakeCatalogueDatabase(folder.path(), 10000);
    std::printf("made 10,000 tables x 20 columns in %.1f s\n", double(made.elapsed()) / 1000);
    bench::LoadSection(database, rounds);
    bench::KeystrokeSection(database, rounds);
    std::fflush(stdout);
    return 0;
}
